#pragma once

#include "beacon/fileplayer.h"
#include "core/clock.h"
#include "core/dialogs.h"
#include "core/events.h"
#include "core/params.h"
#include "core/services.h"
#include "core/settingsregistry.h"
#include "message/speechengine.h"
#include "state/cycle.h"
#include "state/filemessage.h"
#include "state/options.h"
#include "state/radiolink.h"
#include "state/shell.h"
#include "state/speech.h"

#include <functional>
#include <utility>

namespace ondrix {

// The beacon cycle and the message-file player controls of the main window:
// start/stop, the two countdown ticks, the period display, the recent files,
// volume and mute. It acts on the window's facts (StationState) and the settings
// (Params) it is given, never on widgets.
class Beacon {
public:
    struct Services {
        FilePlayer& player;
        Dialogs& dialogs;
        SpeechEngine& speaker;
        const Clock& clock;
        RecorderWindow& recorder;
        ProcessPriority& priority;
        const EventBus& events;
    };
    // The states it acts on, and the radio link's, which it reads.
    struct State {
        CycleState& cycle;
        FileMessageState& file;
        SpeechState& speech;
        OptionsState& options;
        ShellState& shell;
        const RadioLinkState& radio;
    };

    Beacon(State state, Params& params, Services services);

    // Operator events.
    void BTPlay_Click();
    void TabS11_Click();
    void TabS12_Click();
    void CMDOuvrir_Click();
    void ComboFichierRecent_Change(int index);
    void SliderLireTemps_Change(int value);
    void SliderLireTemps_MouseMove();
    void SliderVolWMP_Change(int value);
    void CHKMute_Click(bool checked);
    void TxtInterval_Change(const QString& text);
    void TxtInterval_KeyDown(int keyCode);
    void TxtTpsMax_Change(const QString& text);
    void chkRec_Click(bool checked);
    void ComboPriorite_Change(int index);

    // Timers and player notifications.
    void fileCountdownTick();
    void speechCountdownTick();
    void playerDurationKnown();
    void playerFinished();
    void speechStarted();
    void speechFinished();
    void speechDurationTick();
    void SliderVoixSpeed_Change(int value);
    void SliderVolVoix_Change(int value);

    // Keys the transmitter around file sendings; none until set.
    void setTransmitter(Transmitter* t) { transmitter_ = t; }
    // Told when the operator stops a running cycle, before it is stopped (the
    // time windows uncheck those open, so the stop sticks); none until set.
    void setOnOperatorStop(std::function<void()> f) { onOperatorStop_ = std::move(f); }

    // Entry points other features call.
    void BoutonPLAY();
    void BoutonPLAYSynth();
    void CMDPLAY();
    void CMDSTOP();
    void CMDPLAYSynth();
    void CMDSTOPSynth();
    void RelireFichier();
    void InfosFichier();
    // Milliseconds from now to the next countdown tick of the running mode:
    // ticks stay on the period's own grid, whatever delayed the last one.
    qint64 msToNextTick() const;

    // Both countdown timers tick at the interval TxtInterval shows (its Enter
    // key, and the settings); a text that is no number changes nothing.
    void applyInterval();
    // The longest period the slider offers (never below its shortest).
    void applySliderMax(int max);
    void resetShapeCache();

    // The beacon's keys of the settings file, how they are applied at
    // start-up and copied back before a write.
    void declareSettings(SettingsRegistry& registry);

    // What the start/stop button does when pressed.
    bool showsStop() const { return cycle_.running || cycle_.speaking; }
    bool startable() const { return !showsStop() && !cycle_.startBlocked; }
    // Hands a text to the speech engine, and says so.
    void say(const QString& text);

    static QString remainingText(double seconds);

    static const QString kMsgModeCOM;
    static const QString kMsgFichierInvalide;
    static const QString kPromptTexte;
    static const QString kOpenFilter;

private:
    bool fileTabSelected() const { return cycle_.mode == MessageMode::File; }
    bool speechTabSelected() const { return cycle_.mode == MessageMode::Speech; }
    // The cycle starts or stops: the period restarts from now, and it is said.
    void setRunning(bool on);
    // One spoken sending: the message with its tags replaced.
    void sendSpeech();
    void countdownTick(bool fileMode);
    void endOfPeriod(bool fileMode);
    // False when the value is outside the bar's range (the bar keeps its value).
    bool setProgressValue(float value);
    void applySliderMin(int min);
    void setPeriodValue(int value);
    int shapeWidthFor(double seconds) const;

    CycleState& cycle_;
    FileMessageState& file_;
    SpeechState& speech_;
    OptionsState& options_;
    ShellState& shell_;
    const RadioLinkState& radio_;
    Params& params_;
    Services s_;
    enum class Sending { Sent, BadFile, Refused };
    // Starts the loaded file, keyed when the transmitter allows the sending.
    Sending sendFile();
    void releaseFile();
    void endFileSending();

    QString lastOpenedName_;
    Transmitter* transmitter_ = nullptr;
    std::function<void()> onOperatorStop_;
    bool fileKeyed_ = false;
    bool fileSounding_ = false;
    // The countdown is read from the monotonic clock, counted from the start
    // of the current period, so a busy event loop never stretches a period.
    qint64 periodStartMs_ = 0;
    // The tick of the period last shown.
    qint64 shownTicks_ = 0;
    // Ticks from the start of a period to the tick that fills the bar.
    int ticksToFullBar(int intervalMs) const;
};

} // namespace ondrix
