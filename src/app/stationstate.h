#pragma once

#include "state/cycle.h"
#include "state/filemessage.h"
#include "state/operatordetails.h"
#include "state/options.h"
#include "state/radiolink.h"
#include "state/shell.h"
#include "state/speech.h"
#include "state/timewindows.h"

#include <initializer_list>

namespace ondrix {

// The features whose state a panel draws. A change in one redraws its panel
// only.
enum class Feature : unsigned {
    Shell = 1u << 0,
    Options = 1u << 1,
    Cycle = 1u << 2,
    FileMessage = 1u << 3,
    Speech = 1u << 4,
    RadioLink = 1u << 5,
    TimeWindows = 1u << 6,
    OperatorDetails = 1u << 7,
    // The period's bar and time texts, part of the cycle's state: they move
    // at every tick, and only their panel redraws for it.
    Countdown = 1u << 8,
};

// The features one step of the logic changed.
class Features {
public:
    void add(Feature f) { bits_ |= static_cast<unsigned>(f); }
    bool has(Feature f) const { return (bits_ & static_cast<unsigned>(f)) != 0; }
    bool any() const { return bits_ != 0; }
    // Whether any of `fs` is among these.
    bool hasAny(std::initializer_list<Feature> fs) const {
        for (Feature f : fs)
            if (has(f))
                return true;
        return false;
    }
    // Whether the two sets have a feature in common.
    bool overlaps(Features other) const { return (bits_ & other.bits_) != 0; }
    static Features all() {
        Features f;
        f.bits_ = ~0u;
        return f;
    }

private:
    unsigned bits_ = 0;
};

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
    OperatorDetailsState operatorDetails;
};

} // namespace ondrix
