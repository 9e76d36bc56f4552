#pragma once

#include "app/settings.h"
#include "app/stationstate.h"
#include "beacon/beacon.h"
#include "beacon/triggerwindows.h"
#include "core/events.h"
#include "core/params.h"
#include "core/stream.h"
#include "message/operatorinfo.h"
#include "message/voices.h"
#include "radiolink/radiolink.h"

#include <QObject>

namespace ondrix {

// Every message shown to the operator is also an event: the logs keep
// what the station said, whoever was (or was not) there to read it.
class AnnouncedDialogs : public Dialogs {
public:
    AnnouncedDialogs(Dialogs& inner, const EventBus& events) : inner_(inner), events_(events) {}
    MsgAnswer message(const QString& text, MsgButtons buttons = MsgButtons::Ok,
                      const QString& title = QString()) override;
    QString openFile(const QString& title, const QString& filter) override {
        return inner_.openFile(title, filter);
    }

private:
    Dialogs& inner_;
    const EventBus& events_;
};

// Owns every fact of the main window and the settings arrays. The widgets
// forward the operator's events here and redraw from state() on changed().
class MainPresenter : public QObject {
    Q_OBJECT
public:
    struct Services {
        FilePlayer& player;
        Dialogs& dialogs;
        SpeechEngine& speaker;
        RecorderWindow& recorder;
        ProcessPriority& priority;
        // No serial link: every open fails, as with no port at all.
        SerialLink* serial = nullptr;
        // No sleeper: the fixed waits are skipped.
        Sleeper* sleeper = nullptr;
        // No clock: the system's.
        const Clock* clock = nullptr;
        // No program control: a restart does nothing.
        ProgramControl* program = nullptr;
    };

    explicit MainPresenter(Services services, QObject* parent = nullptr);
    ~MainPresenter() override;

    const StationState& state() const { return state_; }
    StationState& state() { return state_; }
    // What happened, for the window-less log, the log book and the window.
    EventBus& events() { return events_; }
    // The receive side's high-rate data, straight to the views that draw it.
    AudioStreams& streams() { return streams_; }
    const Params& params() const { return params_; }
    Params& params() { return params_; }
    Beacon& beacon() { return beacon_; }
    RadioLink& radio() { return radio_; }
    VoiceCatalogue& voices() { return voices_; }

    // Start-up, once the window is built: the settings read and applied, the
    // serial port chosen or searched, the voices listed, the tag list filled,
    // behind the loading panel. setAppDir comes first.
    void start();
    // Shut-down: the settings written, the transmitter released, the port
    // closed. Runs once; ending the process is the caller's.
    void Form_Unload();
    bool unloaded() const { return unloaded_; }
    // Whether the shut-down's write of the settings file succeeded.
    bool savedAtUnload() const { return savedAtUnload_; }
    // Asked before the settings are written at shut-down, when the shortcut
    // window is open; none yet.
    std::function<void()> beforeUnload;

    void setAppDir(const QString& dir);
    Settings& settings() { return settings_; }

    // Window caption, from the program's name and version.
    static QString caption();
    static QString versionText();

    // Operator events.
    void BTPlay_Click();
    void TabS11_Click();
    void TabS12_Click();
    void PageTab_Click(int page); // TabS21..TabS25 as 0..4
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
    void ChkInstance_Click(bool checked);
    void TimerParam_Timer();
    // The save buttons: the file written, the autosave counted from now.
    void Sauver_Click();
    void OptPORTCOM_Click();
    void OptVOX_Click();
    void ComboModeCOMPTT_Change(int index);
    void PortComList_Change(const QString& text);
    void PTTLock_Click();
    void CMDTest_MouseDown();
    void CMDTest_MouseUp();
    void IMGActualiser_Click();
    void ImgChercheCom_Click();
    void ChkCOR_Click(bool checked);
    void ComboModeCOMCOR_Change(int index);

    // Timer drivers.
    void Timer1_Timer();
    void Timer2_Timer();
    void TimerCOR_Timer();
    void TimerCOMValide_Timer();
    void TimerTempsVoix_Timer();
    void SliderVoixSpeed_Change(int value);
    void SliderVolVoix_Change(int value);

    // Speech message box. Positions count characters; `caret` is the number of
    // characters before the caret.
    void TxtSynthese_Change(const QString& text);
    void TxtSynthese_Click(int caret);
    void TxtSynthese_DblClick(int selStart, int selLength);
    void TxtSynthese_GotFocus();
    void TxtSynthese_LostFocus();
    void TxtSynthese_SelectAll();
    void TxtSynthese_Enter(int selStart, int selLength);
    void TxtSynthese_CaretMoved(int caret);
    void ComboOndrixTexte_Change(int index);
    void CmdAjoutOndrix_Click(int selStart, int selLength);
    void ChkLireMeteo_Click(bool checked);

    // Voices.
    void ListVoix_Click(int index);
    void ListVoix_DblClick();
    void LblNomVoix_Click();
    void Command1_Click(); // "MAJ": the voices listed again
    void CmdResoudreProb_Click();
    void CmdProbOK_Click();

    // Operator details (fields 0..4).
    void OperatorField_KeyPress(int field, QChar ch);
    void OperatorField_Change(int field, const QString& text);
    void OperatorField_Click(int field);
    void TextField_GotFocus();
    void TextField_LostFocus();

    // ---- daily time windows: clock tick, check boxes ChkDecl1..3 and period
    // tabs TabS31..33 as 0..2, time fields by their index in
    // StationState::timeFields.
    TriggerWindows& windows() { return windows_; }
    void TimerTime_Timer();
    void ChkDecl_Click(int window, bool checked);
    void TabS3_Click(int window);
    void TimeField_Change(int field, const QString& text);
    void TimeField_GotFocus(int field);
    void TimeField_LostFocus(int field);
    // ---- end daily time windows

signals:
    // A step changed these features: their panels redraw, nothing else. Said
    // once per step, not at all when nothing changed.
    void changed(ondrix::Features features);

private:
    // An operator's action: every panel is drawn again afterwards, so a
    // widget the operator typed into shows the corrected value even when the
    // state did not change (a few times a minute at most).
    template <typename F> void act(F&& f) {
        f();
        notifyChanges(true);
    }
    // A tick or a device's notification: only the features it changed are
    // said, so an idle window redraws the panels whose facts moved.
    template <typename F> void update(F&& f) {
        f();
        notifyChanges(false);
    }
    void notifyChanges(bool all);

    class NoSerial : public SerialLink {
    public:
        bool setPortNumber(int n) override {
            number_ = n;
            return true;
        }
        int portNumber() const override { return number_; }
        QString devicePath(int) const override { return {}; }
        bool isOpen() const override { return false; }
        SerialResult open() override { return SerialResult::CannotOpen; }
        void close() override {}
        SerialResult setDTR(bool) override { return SerialResult::StateCannotBeSet; }
        SerialResult setRTS(bool) override { return SerialResult::StateCannotBeSet; }
        int CTS() override { return 0; }
        int DSR() override { return 0; }
        int DCD() override { return 0; }
        int RI() override { return 0; }

    private:
        int number_ = 0;
    };
    class NoRestart : public ProgramControl {
    public:
        void restart() override {}
    };
    class NoWait : public Sleeper {
    public:
        void sleepMs(int) override {}
    };

    StationState state_;
    // What the panels last drew, to tell which features a step changed.
    StationState drawn_;
    EventBus events_;
    AudioStreams streams_;
    AnnouncedDialogs dialogs_;
    Params params_;
    Services services_;
    NoSerial noSerial_;
    NoWait noWait_;
    SystemClock systemClock_;
    NoRestart noRestart_;
    Beacon beacon_;
    RadioLink radio_;
    VoiceCatalogue voices_;
    OperatorInfo operator_;
    // ---- daily time windows
    TriggerWindows windows_;
    // ---- end daily time windows
    // ---- start-up and settings (after every part it applies settings to)
    Settings settings_;
    bool unloaded_ = false;
    bool savedAtUnload_ = false;
    // Applies a selection to the message box.
    void selectInMessage(int start, int length);
    // True (and said) when the keying may not change now: a cycle runs.
    bool keyingLocked();
    // A settings file that could not be used is said once, at start-up.
    void reportUnreadableSettings();
};

} // namespace ondrix
