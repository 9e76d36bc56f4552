#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

namespace ondrix {

// Colours are 0x00BBGGRR, the way the settings file stores them.
using Colour = std::uint32_t;
constexpr Colour kTabSelected = 0x808080;
constexpr Colour kTabUnselected = 0x404040;
constexpr Colour kIndicatorOn = 0x0000FF;  // keyed / carrier present: red
constexpr Colour kIndicatorOff = 0x00FF00; // released / free: green

// The pictures' colours, drawn from the facts they show.
constexpr Colour tabColour(bool selected) {
    return selected ? kTabSelected : kTabUnselected;
}
constexpr Colour indicatorColour(bool on) {
    return on ? kIndicatorOn : kIndicatorOff;
}

// A timer a feature asks to run: the driver starts, stops or re-times it.
struct TimerState {
    bool enabled = false;
    int interval = 1000; // ms
    bool operator==(const TimerState&) const = default;
};

struct ProgressBarState {
    float min = 0.0f;
    float max = 30.0f;
    float value = 0.0f;
    bool operator==(const ProgressBarState&) const = default;
};

struct SliderState {
    int min = 0;
    int max = 100;
    int value = 0;
    bool enabled = true;
    QString toolTip;
    bool operator==(const SliderState&) const = default;
};

struct ComboState {
    QStringList items;
    int index = -1; // -1: nothing selected
    QString text;
    QString toolTip;
    bool enabled = true;
    bool operator==(const ComboState&) const = default;
};

struct ShapeState {
    int left = 0;
    int width = 0;
    Colour backColour = 0;
    bool operator==(const ShapeState&) const = default;
};

} // namespace ondrix
