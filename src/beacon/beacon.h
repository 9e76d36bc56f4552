#pragma once

#include "beacon/fileplayer.h"
#include "core/clock.h"
#include "core/dialogs.h"
#include "core/mainform.h"
#include "core/params.h"
#include "core/services.h"
#include "message/speechengine.h"

#include <functional>
#include <utility>

namespace ondrix {

// The beacon cycle and the message-file player controls of the main window:
// start/stop, the two countdown ticks, the period display, the recent files,
// volume and mute. It acts on the window's facts (MainForm) and the settings
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
    };

    Beacon(MainForm& form, Params& params, Services services);

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
    void Timer1_Timer();
    void Timer2_Timer();
    void playerDurationKnown();
    void playerFinished();
    void speechStarted();
    void speechFinished();
    void TimerTempsVoix_Timer();
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
    void setBTPlay(PlayImage image);
    // Both countdown timers tick at the interval TxtInterval shows (its Enter
    // key, and the settings); a text that is no number changes nothing.
    void applyInterval();
    // The longest period the slider offers (never below its shortest).
    void applySliderMax(int max);
    void resetShapeCache();

    static QString remainingText(double seconds);

    static const QString kMsgModeCOM;
    static const QString kMsgFichierInvalide;
    static const QString kPromptTexte;
    static const QString kOpenFilter;

private:
    bool fileTabSelected() const { return form_.tabS11Colour == kTabSelected; }
    bool speechTabSelected() const { return form_.tabS12Colour == kTabSelected; }
    void countdownTick(bool fileMode);
    void endOfPeriod(bool fileMode);
    // False when the value is outside the bar's range (the bar keeps its value).
    bool setProgressValue(float value);
    void lockFrames(bool running);
    void applySliderMin(int min);
    void setPeriodValue(int value);
    int shapeWidthFor(double seconds) const;

    MainForm& form_;
    Params& params_;
    Services s_;
    enum class Sending { Sent, BadFile, Refused };
    // Starts the loaded file, keyed when the transmitter allows the sending.
    Sending sendFile();
    void releaseFile();

    QString lastOpenedName_;
    Transmitter* transmitter_ = nullptr;
    std::function<void()> onOperatorStop_;
    bool fileKeyed_ = false;
};

} // namespace ondrix
