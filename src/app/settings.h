#pragma once

#include "app/inifile.h"
#include "app/stationstate.h"
#include "beacon/beacon.h"
#include "core/clock.h"
#include "core/params.h"
#include "radiolink/radiolink.h"

#include <functional>
#include <memory>
#include <optional>

namespace ondrix {

class TriggerWindows;

// The settings file "parametres.ini" and the window: reading and applying
// every setting in its fixed order at start-up, copying the window back
// before a write, and the autosave tick.
class Settings {
public:
    static const QString kFileName;
    static const QString kSectionParams;
    static const QString kSectionOM;
    // Ticks of the autosave timer between two autosaves.
    static constexpr int kAutosaveTicks = 600;

    struct Parts {
        Beacon& beacon;
        RadioLink& radio;
        TriggerWindows& windows;
        Sleeper& sleeper;
    };

    Settings(StationState& state, Params& params, Parts parts);

    // Where the file lives; reads nothing yet. Until then there is no file:
    // everything reads empty and a write fails.
    void setAppDir(const QString& dir);
    IniFile& file() { return *file_; }

    // Reads the file and applies everything (once, at start-up).
    void LireINI();
    void LireInfosOM();
    // Copies the window into the settings, then writes the whole file. False
    // when it could not be written (the file on disk is then unchanged).
    bool EcrireINI();
    void SauverParam();
    // ParamOM0..4, in memory; EcrireINI writes them with the rest.
    void EcrireInfosOM();
    void autosaveTick();
    // The next autosave comes a whole count of ticks from now.
    void restartAutosave() { autosaveTicks_ = 0; }

    // What the load found, for the start-up to report: a corrupt file was
    // kept aside under this name (empty otherwise).
    QString keptAside() const { return file_->keptAsidePath(); }
    IniFile::LoadStatus loadStatus() const { return status_; }

    // Called with a control's name each time applying a value runs that
    // control's own reaction, in order. For tests and diagnostics.
    std::function<void(const QString&)> onReaction;

private:
    void pause(int ms);
    void advance(float steps);
    void react(const char* control);
    void applyCombo(ComboState& combo, const QString& text, const char* control,
                    const std::function<void(int)>& reaction);
    void applySlider(const SliderState& slider, const QString& text, const char* control,
                     const std::function<void(int)>& reaction);
    static std::optional<int> integer(const QString& text);

    StationState& state_;
    Params& params_;
    Parts parts_;
    std::unique_ptr<IniFile> file_;
    IniFile::LoadStatus status_ = IniFile::LoadStatus::Missing;
    // Ticks of the autosave timer since the last save; not shown, so not part of any
    // panel's state (a count moving every second would redraw for nothing).
    int autosaveTicks_ = 0;
};

} // namespace ondrix
