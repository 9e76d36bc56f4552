#pragma once

#include "beacon/beacon.h"
#include "core/mainform.h"
#include "core/params.h"
#include "message/operatorinfo.h"
#include "message/voices.h"
#include "radiolink/radiolink.h"

#include <QObject>

namespace ondrix {

// Owns every fact of the main window and the settings arrays. The widgets
// forward the operator's events here and redraw from form() on changed().
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

    const MainForm& form() const { return form_; }
    MainForm& form() { return form_; }
    const Params& params() const { return params_; }
    Params& params() { return params_; }
    Beacon& beacon() { return beacon_; }
    RadioLink& radio() { return radio_; }
    VoiceCatalogue& voices() { return voices_; }

    // What the window does once built: voices listed, tag list filled.
    void start();

    void setAppDir(const QString& dir);

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

signals:
    void changed();

private:
    template <typename F> void act(F&& f) {
        f();
        emit changed();
    }

    class NoSerial : public SerialLink {
    public:
        bool setPortNumber(int n) override {
            number_ = n;
            return true;
        }
        int portNumber() const override { return number_; }
        QString devicePath(int) const override { return {}; }
        bool isOpen() const override { return false; }
        int open() override { return kCannotOpen; }
        void close() override {}
        int setDTR(bool) override { return kStateCannotBeSet; }
        int setRTS(bool) override { return kStateCannotBeSet; }
        int CTS() override { return 0; }
        int DSR() override { return 0; }
        int DCD() override { return 0; }
        int RI() override { return 0; }

    private:
        int number_ = 0;
    };
    class SystemTime : public Clock {
    public:
        QDateTime now() const override { return QDateTime::currentDateTime(); }
    };
    class NoRestart : public ProgramControl {
    public:
        void restart() override {}
    };
    class NoWait : public Sleeper {
    public:
        void sleepMs(int) override {}
    };

    MainForm form_;
    Params params_;
    Services services_;
    NoSerial noSerial_;
    NoWait noWait_;
    SystemTime systemTime_;
    NoRestart noRestart_;
    Beacon beacon_;
    RadioLink radio_;
    VoiceCatalogue voices_;
    OperatorInfo operator_;
    // Applies a selection to the message box.
    void selectInMessage(int start, int length);
};

} // namespace ondrix
