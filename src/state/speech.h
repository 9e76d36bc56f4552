#pragma once

#include "state/viewtypes.h"

namespace ondrix {

// The spoken message: its text and selection, the voices, the tag list, speed
// and volume, the weather sentence, and whether the engine failed.
struct SpeechState {
    QString text;
    bool textEnabled = true;
    // A selection the window applies to the message box when `selectionSeq`
    // changes (the whole text after the prompt, a tag around the caret).
    int selectionStart = 0;
    int selectionLength = 0;
    int selectionSeq = 0;
    // The text as last spoken, its tags replaced.
    QString spokenText;
    bool tabEnabled = true;

    ComboState voiceList; // one line per voice
    bool voiceListVisible = true;
    QStringList voiceIds;
    QString voiceNameLabel = QStringLiteral("Nom Voix");
    ComboState tagList;
    bool tagListVisible = false; // the insertion button shows with it

    SliderState speedSlider{10, 250, 150, true, {}};
    QString speedLabel = QStringLiteral("150 mot(s)/min.");
    SliderState volumeSlider{0, 100, 100, false, {}};
    // Counts the seconds of the first speaking, to draw its share of the bar.
    TimerState durationTimer{false, 1000};
    long durationSeconds = 0;

    bool readWeather = false;
    QString weatherText;

    // The engine could not be created (saved, so the problem frame shows).
    bool engineFailed = false;

    bool operator==(const SpeechState&) const = default;
};

} // namespace ondrix
