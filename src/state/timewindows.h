#pragma once

#include "state/viewtypes.h"

#include <array>

namespace ondrix {

// The three daily time windows, their eighteen time fields and the clock.
struct TimeWindowsState {
    static constexpr int kWindows = 3;
    static constexpr int kTimeFields = 18;
    std::array<bool, kWindows> enabled{false, false, false};
    // In settings order: window w (0..2), field f (0..5: start hour, minute,
    // second, end hour, minute, second) at index w * 6 + f, i.e. key
    // Param(48 + index).
    std::array<QString, kTimeFields> fields = [] {
        std::array<QString, kTimeFields> a;
        a.fill(QStringLiteral("00"));
        return a;
    }();
    // Which window's fields are shown.
    int shownWindow = 0;
    // The window moves the focus to field `focusField` when `focusSeq`
    // changes (a field filled moves on to the next).
    int focusField = -1;
    int focusSeq = 0;
    // The window selects the whole text of field `selectField` when
    // `selectSeq` changes (a field that takes the focus).
    int selectField = -1;
    int selectSeq = 0;
    QString clockLabel;
    TimerState clockTimer{true, 1000};

    bool operator==(const TimeWindowsState&) const = default;
};

} // namespace ondrix
