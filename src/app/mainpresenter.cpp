#include "app/mainpresenter.h"

#include "message/tags.h"

#include <algorithm>

namespace ondrix {

MainPresenter::MainPresenter(Services services, QObject* parent)
    : QObject(parent), services_(services),
      beacon_(form_, params_,
              Beacon::Services{services.player, services.dialogs, services.speaker,
                               services.clock ? *services.clock : systemTime_, services.recorder,
                               services.priority}),
      radio_(form_, params_, beacon_,
             RadioLink::Services{services.serial ? *services.serial : noSerial_, services.dialogs,
                                 services.sleeper ? *services.sleeper : noWait_,
                                 services.recorder}),
      voices_(form_, params_,
              VoiceCatalogue::Services{services.speaker, services.dialogs,
                                       services.program ? *services.program : noRestart_}),
      operator_(params_),
      windows_(form_, beacon_, services.speaker, services.clock ? *services.clock : systemTime_),
      settings_(form_, params_,
                Settings::Parts{beacon_, radio_, windows_,
                                services.sleeper ? *services.sleeper : noWait_}) {
    OperatorInfo::setDefaults(params_);
    beacon_.setTransmitter(&radio_);
    beacon_.setOnOperatorStop([this] { windows_.operatorStopped(); });
    services_.player.onDurationKnown = [this] { act([this] { beacon_.playerDurationKnown(); }); };
    services_.player.onFinished = [this] { act([this] { beacon_.playerFinished(); }); };
    services_.speaker.onStarted = [this] { act([this] { beacon_.speechStarted(); }); };
    services_.speaker.onFinished = [this] { act([this] { beacon_.speechFinished(); }); };
    // The speech repair restarts the program: the settings go first.
    voices_.writeSettings = [this] { settings_.EcrireINI(); };
}

MainPresenter::~MainPresenter() {
    // The player may outlive this presenter; it must not call back into it.
    services_.player.onDurationKnown = nullptr;
    services_.player.onFinished = nullptr;
    services_.speaker.onStarted = nullptr;
    services_.speaker.onFinished = nullptr;
}

QString MainPresenter::caption() {
    return QStringLiteral("Ondrix v") + QString::number(ONDRIX_VERSION_MAJOR) +
           QStringLiteral(".") + QString::number(ONDRIX_VERSION_MINOR);
}

QString MainPresenter::versionText() {
    return QStringLiteral("Décembre 2026 - version ") + QString::number(ONDRIX_VERSION_MAJOR) +
           QStringLiteral(".") + QString::number(ONDRIX_VERSION_MINOR) + QStringLiteral(".") +
           QString::number(ONDRIX_VERSION_PATCH);
}

void MainPresenter::start() {
    // Each step is shown as it comes: the window redraws the loading panel
    // between the pauses.
    act([this] {
        form_.frmChargementVisible = true;
        form_.progressBar2.value = 0.0f;
        form_.lblChargeParam = QStringLiteral("Chargement des paramètres...");
        form_.caption = caption();
        form_.lblVersion = versionText();
        form_.label2 = QString::number(form_.sliderLireTemps.value) + QStringLiteral(" sec.");
        form_.lblPortCherche = QStringLiteral("Analyse du port COM\nen cours...");
        form_.lblInfosMeteo.clear();
        form_.lblVox = QStringLiteral("Activer le mode Vox sur\nvotre transmetteur.");
    });
    act([this] { settings_.LireINI(); });
    reportUnreadableSettings();
    act([this] {
        form_.lblChargeParam = QStringLiteral("Application des raccourcis...");
        // The serial port: the saved one, or a search when none was saved.
        // "VOX OFF" is how older files say serial keying.
        const QString keying = params_.get(Params::kKeying);
        if (keying == QLatin1String("COM") || keying == QLatin1String("VOX OFF")) {
            const QString port = params_.get(Params::kPort);
            if (port.isEmpty()) {
                form_.lblChargeParam = QStringLiteral("Détection des ports COM valide...");
                radio_.ChercherPortsCOM();
            } else {
                radio_.PortComList_Change(port);
            }
        }
        form_.erreurSynthese = params_.get(Params::kSpeechFailure) == QLatin1String("Erreur");
        voices_.ChargerVoix();
        form_.frmChargementVisible = false;
        form_.fichierEnCours = false;
        form_.compteurParam = 0;
        setPTTLockPicture(form_, false);
        form_.comboOndrixTexte.items = messageTags();
        form_.comboOndrixTexte.index = 0;
        form_.comboOndrixTexte.text = messageTags().value(0);
        windows_.showTime();
    });
}

void MainPresenter::reportUnreadableSettings() {
    const QString path = settings_.file().path();
    switch (settings_.loadStatus()) {
    case IniFile::LoadStatus::Corrupt:
        services_.dialogs.message(
            QStringLiteral("Le fichier de paramètres \"") + path +
            QStringLiteral("\" est illisible : le logiciel démarre avec les réglages par "
                           "défaut.\nL'ancien fichier est conservé sous le nom \"") +
            settings_.keptAside() + QStringLiteral("\"."));
        break;
    case IniFile::LoadStatus::Unreadable:
        services_.dialogs.message(
            QStringLiteral("Le fichier de paramètres \"") + path +
            QStringLiteral("\" ne peut pas être lu : le logiciel démarre avec les réglages "
                           "par défaut et ne l'enregistrera pas, pour ne pas l'écraser."));
        break;
    default:
        break;
    }
}

void MainPresenter::Form_Unload() {
    if (unloaded_)
        return;
    unloaded_ = true;
    act([this] {
        if (beforeUnload)
            beforeUnload();
        // Nothing may stay keyed once the program is gone.
        beacon_.CMDSTOP();
        beacon_.CMDSTOPSynth();
        form_.timer1.enabled = false;
        form_.timer2.enabled = false;
        form_.timerCOR.enabled = false;
        form_.timerCOMValide.enabled = false;
        form_.timerTime.enabled = false;
        form_.timerParam.enabled = false;
        form_.progressBar2.value = 0.1f;
        form_.frmChargementVisible = true;
        form_.lblChargeParam = QStringLiteral("Enregistrement des paramètres...");
        form_.progressBar2.value = 30.0f;
        savedAtUnload_ = settings_.EcrireINI();
        form_.lblChargeParam = QStringLiteral("Fermeture du port COM...");
        form_.progressBar2.value = 60.0f;
        radio_.closePort();
        form_.lblChargeParam = QStringLiteral("Fermeture...");
        form_.progressBar2.value = 100.0f;
    });
}

void MainPresenter::ChkInstance_Click(bool checked) {
    act([&] { form_.chkInstance = checked; });
}

void MainPresenter::TimerParam_Timer() {
    act([this] { settings_.TimerParam_Timer(); });
}

void MainPresenter::Sauver_Click() {
    act([this] {
        settings_.EcrireINI();
        form_.compteurParam = 0;
    });
}

void MainPresenter::selectInMessage(int start, int length) {
    form_.txtSyntheseSelStart = start;
    form_.txtSyntheseSelLength = length;
    ++form_.txtSyntheseSelectionSeq;
}

void MainPresenter::TxtSynthese_Change(const QString& text) {
    act([&] {
        form_.txtSynthese = text;
        params_.set(Params::kTexte, text);
    });
}

void MainPresenter::TxtSynthese_Click(int caret) {
    act([&] {
        form_.listVoixVisible = false;
        form_.comboOndrixTexteVisible = true;
        if (const auto sel = TrouverCrochet(form_.txtSynthese, caret))
            selectInMessage(sel->first, sel->second);
    });
}

void MainPresenter::TxtSynthese_DblClick(int selStart, int selLength) {
    act([&] {
        const int all = static_cast<int>(form_.txtSynthese.size());
        if (!(selStart == 0 && selLength == all))
            selectInMessage(0, all);
    });
}

void MainPresenter::TxtSynthese_GotFocus() {
    act([this] {
        form_.listVoixVisible = false;
        form_.comboOndrixTexteVisible = true;
        form_.raccourcisActifs = false;
    });
}

void MainPresenter::TxtSynthese_LostFocus() {
    act([this] { form_.raccourcisActifs = true; });
}

void MainPresenter::TxtSynthese_SelectAll() {
    act([this] {
        if (!form_.txtSynthese.isEmpty())
            selectInMessage(0, static_cast<int>(form_.txtSynthese.size()));
    });
}

void MainPresenter::TxtSynthese_Enter(int selStart, int selLength) {
    // The message stays on one line: a line break typed becomes ". ".
    act([&] {
        QString t = form_.txtSynthese;
        const int start = std::clamp(selStart, 0, static_cast<int>(t.size()));
        t.replace(start, std::clamp(selLength, 0, static_cast<int>(t.size()) - start),
                  QStringLiteral(". "));
        form_.txtSynthese = t;
        params_.set(Params::kTexte, t);
        selectInMessage(start + 2, 0);
    });
}

void MainPresenter::TxtSynthese_CaretMoved(int caret) {
    act([&] {
        if (const auto sel = TrouverCrochet(form_.txtSynthese, caret))
            selectInMessage(sel->first, sel->second);
    });
}

void MainPresenter::ComboOndrixTexte_Change(int index) {
    act([&] {
        auto& c = form_.comboOndrixTexte;
        c.index = (index >= 0 && index < c.items.size()) ? index : -1;
        c.text = c.items.value(c.index);
    });
}

void MainPresenter::CmdAjoutOndrix_Click(int selStart, int selLength) {
    act([&] {
        const QString tag = form_.comboOndrixTexte.text;
        QString t = form_.txtSynthese;
        const int start = std::clamp(selStart, 0, static_cast<int>(t.size()));
        t.replace(start, std::clamp(selLength, 0, static_cast<int>(t.size()) - start), tag);
        form_.txtSynthese = t;
        params_.set(Params::kTexte, t);
        selectInMessage(start + static_cast<int>(tag.size()), 0);
    });
}

void MainPresenter::ChkLireMeteo_Click(bool checked) {
    act([&] { form_.chkLireMeteo = checked; });
}

void MainPresenter::ListVoix_Click(int index) {
    act([&] { voices_.ListVoix_Click(index); });
}
void MainPresenter::ListVoix_DblClick() {
    act([this] { voices_.ListVoix_DblClick(); });
}
void MainPresenter::LblNomVoix_Click() {
    act([this] { voices_.LblNomVoix_Click(); });
}
void MainPresenter::Command1_Click() {
    act([this] { voices_.ChargerVoix(); });
}
void MainPresenter::CmdResoudreProb_Click() {
    act([this] { voices_.CmdResoudreProb_Click(); });
}
void MainPresenter::CmdProbOK_Click() {
    act([this] { voices_.CmdProbOK_Click(); });
}

void MainPresenter::OperatorField_KeyPress(int field, QChar ch) {
    act([&] { operator_.keyPress(field, ch); });
}
void MainPresenter::OperatorField_Change(int field, const QString& text) {
    act([&] { params_.setOM(field, text); });
}
void MainPresenter::OperatorField_Click(int field) {
    act([&] { operator_.click(field); });
}
void MainPresenter::TextField_GotFocus() {
    act([this] { form_.raccourcisActifs = false; });
}
void MainPresenter::TextField_LostFocus() {
    act([this] { form_.raccourcisActifs = true; });
}

void MainPresenter::setAppDir(const QString& dir) {
    act([&] {
        form_.appDirText = dir;
        settings_.setAppDir(dir);
    });
}

void MainPresenter::BTPlay_Click() {
    act([this] { beacon_.BTPlay_Click(); });
}
void MainPresenter::TabS11_Click() {
    act([this] { beacon_.TabS11_Click(); });
}
void MainPresenter::TabS12_Click() {
    act([this] { beacon_.TabS12_Click(); });
}

void MainPresenter::PageTab_Click(int page) {
    act([&] {
        if (page >= 0 && page < MainForm::kPages &&
            form_.pageTabColour[static_cast<size_t>(page)] == kTabUnselected)
            selectPageTab(form_, page);
    });
}

void MainPresenter::CMDOuvrir_Click() {
    act([this] { beacon_.CMDOuvrir_Click(); });
}
void MainPresenter::ComboFichierRecent_Change(int index) {
    act([&] { beacon_.ComboFichierRecent_Change(index); });
}
void MainPresenter::SliderLireTemps_Change(int value) {
    act([&] { beacon_.SliderLireTemps_Change(value); });
}
void MainPresenter::SliderLireTemps_MouseMove() {
    act([this] { beacon_.SliderLireTemps_MouseMove(); });
}
void MainPresenter::SliderVolWMP_Change(int value) {
    act([&] { beacon_.SliderVolWMP_Change(value); });
}
void MainPresenter::CHKMute_Click(bool checked) {
    act([&] { beacon_.CHKMute_Click(checked); });
}
void MainPresenter::TxtInterval_Change(const QString& text) {
    act([&] { beacon_.TxtInterval_Change(text); });
}
void MainPresenter::TxtInterval_KeyDown(int keyCode) {
    act([&] { beacon_.TxtInterval_KeyDown(keyCode); });
}
void MainPresenter::TxtTpsMax_Change(const QString& text) {
    act([&] { beacon_.TxtTpsMax_Change(text); });
}
void MainPresenter::chkRec_Click(bool checked) {
    act([&] { beacon_.chkRec_Click(checked); });
}
void MainPresenter::ComboPriorite_Change(int index) {
    act([&] { beacon_.ComboPriorite_Change(index); });
}
void MainPresenter::OptPORTCOM_Click() {
    act([this] { radio_.OptPORTCOM_Click(); });
}
void MainPresenter::OptVOX_Click() {
    act([this] { radio_.OptVOX_Click(); });
}
void MainPresenter::ComboModeCOMPTT_Change(int index) {
    act([&] { radio_.ComboModeCOMPTT_Change(index); });
}
void MainPresenter::PortComList_Change(const QString& text) {
    act([&] { radio_.PortComList_Change(text); });
}
void MainPresenter::PTTLock_Click() {
    act([this] { radio_.PTTLock_Click(); });
}
void MainPresenter::CMDTest_MouseDown() {
    act([this] { radio_.CMDTest_MouseDown(); });
}
void MainPresenter::CMDTest_MouseUp() {
    act([this] { radio_.CMDTest_MouseUp(); });
}
void MainPresenter::IMGActualiser_Click() {
    act([this] { radio_.IMGActualiser_Click(); });
}
void MainPresenter::ImgChercheCom_Click() {
    act([this] { radio_.ImgChercheCom_Click(); });
}
void MainPresenter::ChkCOR_Click(bool checked) {
    act([&] { radio_.ChkCOR_Click(checked); });
}
void MainPresenter::ComboModeCOMCOR_Change(int index) {
    act([&] { radio_.ComboModeCOMCOR_Change(index); });
}
void MainPresenter::TimerCOR_Timer() {
    act([this] { radio_.TimerCOR_Timer(); });
}
void MainPresenter::TimerCOMValide_Timer() {
    act([this] { radio_.TimerCOMValide_Timer(); });
}
void MainPresenter::TimerTempsVoix_Timer() {
    act([this] { beacon_.TimerTempsVoix_Timer(); });
}
void MainPresenter::SliderVoixSpeed_Change(int value) {
    act([&] { beacon_.SliderVoixSpeed_Change(value); });
}
void MainPresenter::SliderVolVoix_Change(int value) {
    act([&] { beacon_.SliderVolVoix_Change(value); });
}
void MainPresenter::Timer1_Timer() {
    act([this] { beacon_.Timer1_Timer(); });
}
void MainPresenter::Timer2_Timer() {
    act([this] { beacon_.Timer2_Timer(); });
}

// ---- daily time windows

void MainPresenter::TimerTime_Timer() {
    act([this] { windows_.TimerTime_Timer(); });
}
void MainPresenter::ChkDecl_Click(int window, bool checked) {
    act([&] { windows_.ChkDecl_Click(window, checked); });
}
void MainPresenter::TabS3_Click(int window) {
    act([&] { windows_.TabS3_Click(window); });
}
void MainPresenter::TimeField_Change(int field, const QString& text) {
    act([&] { windows_.TimeField_Change(field, text); });
}
void MainPresenter::TimeField_GotFocus(int field) {
    act([&] { windows_.TimeField_GotFocus(field); });
}
void MainPresenter::TimeField_LostFocus(int field) {
    act([&] { windows_.TimeField_LostFocus(field); });
}

// ---- end daily time windows

} // namespace ondrix
