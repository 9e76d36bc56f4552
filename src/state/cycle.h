#pragma once

#include "state/viewtypes.h"

namespace ondrix {

enum class MessageMode { File, Speech };

// Width of the period bar in its own units.
constexpr int kPeriodBarUnits = 9375;

// What the beacon cycle is: its mode, whether it runs, and the period with
// the time left. The window draws its pictures from these facts.
struct CycleState {
    MessageMode mode = MessageMode::File;
    bool running = false;
    // The start button does nothing: no message file chosen, or an unusable
    // voice picked while idle.
    bool startBlocked = false;
    // Speech is sounding (the start button then stops it, cycle or not).
    bool speaking = false;
    // A file cycle was started, by hand or by a time window.
    bool fileCycleOn = false;

    // The countdown ticks of each mode; their interval is the tick field's.
    TimerState fileCountdown{false, 1000};
    TimerState speechCountdown{false, 1000};
    QString tickIntervalText = QStringLiteral("1000");
    QString longestPeriodText = QStringLiteral("1800");

    // Which frame the message area shows.
    bool fileFrameVisible = true;
    bool speechFrameVisible = false;
    bool speechProblemFrameVisible = false;

    // The period: slider, bar and texts.
    ProgressBarState periodBar;
    SliderState periodSlider{1, 1800, 30, true, {}};
    QString periodLabel = QStringLiteral("30 sec.");
    QString timeLeftLabel = QStringLiteral("0:00");
    QString filePositionLabel = QStringLiteral("0:00");
    ShapeState barTotal{0, kPeriodBarUnits, 0x00C400};
    ShapeState barMessage{0, 0, 0x0000C0};
    ShapeState barCover{0, kPeriodBarUnits, 0};
    Colour waitingColour = 0x00C400;
    Colour playingColour = 0x0000C0;

    bool operator==(const CycleState&) const = default;
};

// Copies what moves at every tick of the countdown (the bar and the time
// texts), so a tick can be told apart from a change of the rest of the cycle.
inline void copyCountdown(CycleState& to, const CycleState& from) {
    to.periodBar = from.periodBar;
    to.timeLeftLabel = from.timeLeftLabel;
    to.filePositionLabel = from.filePositionLabel;
    to.barTotal = from.barTotal;
    to.barMessage = from.barMessage;
    to.barCover = from.barCover;
}

// The start/stop button's three pictures, derived from the facts above.
enum class StartButtonPicture { Play, Stop, PlayDisabled };

inline StartButtonPicture startButtonPicture(const CycleState& c) {
    if (c.running || c.speaking)
        return StartButtonPicture::Stop;
    return c.startBlocked ? StartButtonPicture::PlayDisabled : StartButtonPicture::Play;
}

inline QString startButtonToolTip(const CycleState& c) {
    return startButtonPicture(c) == StartButtonPicture::PlayDisabled
               ? QStringLiteral("Désactiver le mode de Déclenchement Auto")
               : QString();
}

} // namespace ondrix
