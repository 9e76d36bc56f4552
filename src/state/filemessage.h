#pragma once

#include "state/viewtypes.h"

namespace ondrix {

// The message file: the recent files, its duration, the player's volume and
// mute.
struct FileMessageState {
    ComboState recentFiles;
    QString durationLabel;
    SliderState volumeSlider{-2500, 0, 0, true, {}};
    // Shared by both volume sliders: the one in use writes it.
    QString volumeLabel = QStringLiteral("Volume : 100%");
    bool mute = false;

    bool operator==(const FileMessageState&) const = default;
};

} // namespace ondrix
