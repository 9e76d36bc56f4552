#pragma once

#include "beacon/beacon.h"
#include "core/clock.h"
#include "core/params.h"
#include "core/services.h"
#include "core/settingsregistry.h"
#include "state/cycle.h"
#include "state/radiolink.h"
#include "state/shell.h"
#include "state/timewindows.h"

#include <QString>
#include <QTime>

namespace ondrix {

// The three daily time windows that start and stop the beacon by the clock,
// the clock label, and the input rules of the eighteen time fields. Acts on
// the window's facts and on the beacon's entry points.
class TriggerWindows {
public:
    struct State {
        TimeWindowsState& windows;
        CycleState& cycle;
        ShellState& shell;
        const RadioLinkState& radio;
    };
    TriggerWindows(State state, Beacon& beacon, const Clock& clock);

    // The one-second tick: the clock shown, then the beacon started or
    // stopped by the windows.
    void clockTick();
    // The clock label alone (also shown at start-up, before the first tick).
    void showTime();
    // Check boxes ChkDecl1..ChkDecl3 as 0..2.
    void ChkDecl_Click(int window, bool checked);
    // Period tabs TabS31..TabS33 as 0..2.
    void TabS3_Click(int window);
    // Time fields by their index in StationState::timeFields.
    void TimeField_Change(int field, const QString& text);
    void TimeField_GotFocus(int field);
    void TimeField_LostFocus(int field);

    // The operator stopped the running cycle: every enabled window open now is
    // unchecked, so the stop is not undone at the next tick.
    void operatorStopped();

    // The windows' keys of the settings file (check boxes and time fields),
    // applied at start-up and copied into `params` before a write.
    void declareSettings(SettingsRegistry& registry, Params& params);

    // Whether enabled or not, window 0..2 is open at this time of day.
    bool isOpen(int window, QTime now) const;

    // Index in StationState::timeFields of one field: window 0..2, `end` false for
    // the start time, part 0 hour, 1 minute, 2 second.
    static constexpr int fieldIndex(int window, bool end, int part) {
        return window * 6 + (end ? 3 : 0) + part;
    }
    enum class FieldKind { Hour, Minute, Second };
    static FieldKind kindOf(int field);

private:
    static bool validField(int field) {
        return field >= 0 && field < TimeWindowsState::kTimeFields;
    }
    // Seconds since midnight of the start (end false) or end of a window.
    int secondsOfDay(int window, bool end) const;
    void showTime(QTime now);
    void startCycle();
    void moveFocusTo(int field);

    TimeWindowsState& windows_;
    CycleState& cycle_;
    ShellState& shell_;
    const RadioLinkState& radio_;
    Beacon& beacon_;
    const Clock& clock_;
};

} // namespace ondrix
