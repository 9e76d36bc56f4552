#pragma once

#include "state/cycle.h"
#include "state/filemessage.h"
#include "state/options.h"
#include "state/radiolink.h"
#include "state/shell.h"
#include "state/speech.h"
#include "state/timewindows.h"

namespace ondrix {

// The features whose state a panel draws. A change in one redraws its panel
// only.
enum class Feature { Shell, Options, Cycle, FileMessage, Speech, RadioLink, TimeWindows };

// Every feature's state, as the station holds it. Each feature's logic is
// given the parts it acts on, never the whole.
struct StationState {
    ShellState shell;
    OptionsState options;
    CycleState cycle;
    FileMessageState file;
    SpeechState speech;
    RadioLinkState radio;
    TimeWindowsState windows;
};

} // namespace ondrix
