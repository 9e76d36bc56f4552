#include "app/mainpresenter.h"

#include "message/tags.h"

#include <algorithm>

namespace ondrix {

MainPresenter::MainPresenter(Services services, QObject* parent)
    : QObject(parent), dialogs_(services.dialogs, events_), services_(services),
      beacon_(Beacon::State{state_.cycle, state_.file, state_.speech, state_.options, state_.shell,
                            state_.radio},
              params_,
              Beacon::Services{services.player, dialogs_, services.speaker,
                               services.clock ? *services.clock : systemClock_, services.recorder,
                               services.priority, events_}),
      radio_(RadioLink::State{state_.radio, state_.cycle, state_.shell, state_.options}, params_,
             beacon_,
             RadioLink::Services{services.serial ? *services.serial : noSerial_, dialogs_,
                                 services.sleeper ? *services.sleeper : noWait_, services.recorder,
                                 events_}),
      voices_(VoiceCatalogue::State{state_.speech, state_.cycle, state_.file, state_.shell},
              params_,
              VoiceCatalogue::Services{services.speaker, dialogs_,
                                       services.program ? *services.program : noRestart_}),
      operator_(params_),
      windows_(TriggerWindows::State{state_.windows, state_.cycle, state_.shell, state_.radio},
               beacon_, services.clock ? *services.clock : systemClock_),
      settings_(state_, params_,
                Settings::Parts{beacon_, radio_, windows_, voices_,
                                services.sleeper ? *services.sleeper : noWait_}) {
    OperatorInfo::setDefaults(params_);
    beacon_.setTransmitter(&radio_);
    beacon_.setOnOperatorStop([this] { windows_.operatorStopped(); });
    services_.player.onDurationKnown = [this] {
        update([this] { beacon_.playerDurationKnown(); });
    };
    services_.player.onFinished = [this] { update([this] { beacon_.playerFinished(); }); };
    services_.speaker.onStarted = [this] { update([this] { beacon_.speechStarted(); }); };
    services_.speaker.onFinished = [this] { update([this] { beacon_.speechFinished(); }); };
    services_.speaker.onError = [this](const QString& error) {
        events_.publish(EventKind::Error, QStringLiteral("Erreur de synthèse vocale : ") + error);
    };
    // The speech repair restarts the program: the settings go first.
    voices_.writeSettings = [this] { settings_.EcrireINI(); };
}

MsgAnswer AnnouncedDialogs::message(const QString& text, MsgButtons buttons, const QString& title) {
    events_.publish(EventKind::Message, title.isEmpty() ? QStringLiteral("Message : ") + text
                                                        : QStringLiteral("Message « ") + title +
                                                              QStringLiteral(" » : ") + text);
    return inner_.message(text, buttons, title);
}

void MainPresenter::notifyChanges(bool all) {
    // Compared part by part: a tick that moves the clock label redraws the
    // time-window panel alone.
    Features changes;
    const auto check = [this, all, &changes](auto StationState::*part, Feature feature) {
        if (!all && state_.*part == drawn_.*part)
            return;
        drawn_.*part = state_.*part;
        changes.add(feature);
    };
    check(&StationState::shell, Feature::Shell);
    check(&StationState::options, Feature::Options);
    check(&StationState::cycle, Feature::Cycle);
    check(&StationState::file, Feature::FileMessage);
    check(&StationState::speech, Feature::Speech);
    check(&StationState::radio, Feature::RadioLink);
    check(&StationState::windows, Feature::TimeWindows);
    if (all)
        changes.add(Feature::OperatorDetails);
    if (changes.any())
        emit changed(changes);
}

MainPresenter::~MainPresenter() {
    // The player may outlive this presenter; it must not call back into it.
    services_.player.onDurationKnown = nullptr;
    services_.player.onFinished = nullptr;
    services_.speaker.onStarted = nullptr;
    services_.speaker.onFinished = nullptr;
    services_.speaker.onError = nullptr;
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
        state_.shell.loadingVisible = true;
        state_.shell.loadingProgress.value = 0.0f;
        state_.shell.loadingCaption = QStringLiteral("Chargement des paramètres...");
        state_.shell.caption = caption();
        state_.shell.versionLabel = versionText();
        state_.cycle.periodLabel =
            QString::number(state_.cycle.periodSlider.value) + QStringLiteral(" sec.");
        state_.radio.searchLabel = QStringLiteral("Analyse du port COM\nen cours...");
        state_.speech.weatherText.clear();
        state_.radio.voxLabel = QStringLiteral("Activer le mode Vox sur\nvotre transmetteur.");
    });
    act([this] { settings_.LireINI(); });
    reportUnreadableSettings();
    act([this] {
        state_.shell.loadingCaption = QStringLiteral("Application des raccourcis...");
        // The serial port: the saved one, or a search when none was saved.
        // "VOX OFF" is how older files say serial keying.
        const QString keying = params_.get(Params::kKeying);
        if (keying == QLatin1String("COM") || keying == QLatin1String("VOX OFF")) {
            const QString port = params_.get(Params::kPort);
            if (port.isEmpty()) {
                state_.shell.loadingCaption = QStringLiteral("Détection des ports COM valide...");
                radio_.ChercherPortsCOM();
            } else {
                radio_.PortComList_Change(port);
            }
        }
        state_.speech.engineFailed = params_.get(Params::kSpeechFailure) == QLatin1String("Erreur");
        voices_.ChargerVoix();
        state_.shell.loadingVisible = false;
        state_.cycle.fileCycleOn = false;
        settings_.restartAutosave();
        state_.radio.pttLocked = false;
        state_.speech.tagList.items = messageTags();
        state_.speech.tagList.index = 0;
        state_.speech.tagList.text = messageTags().value(0);
        windows_.showTime();
    });
}

void MainPresenter::reportUnreadableSettings() {
    const QString path = settings_.file().path();
    switch (settings_.loadStatus()) {
    case IniFile::LoadStatus::Corrupt:
        dialogs_.message(
            QStringLiteral("Le fichier de paramètres \"") + path +
            QStringLiteral("\" est illisible : le logiciel démarre avec les réglages par "
                           "défaut.\nL'ancien fichier est conservé sous le nom \"") +
            settings_.keptAside() + QStringLiteral("\"."));
        break;
    case IniFile::LoadStatus::Unreadable:
        dialogs_.message(
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
        state_.cycle.fileCountdown.enabled = false;
        state_.cycle.speechCountdown.enabled = false;
        state_.radio.carrierTimer.enabled = false;
        state_.radio.searchRetryTimer.enabled = false;
        state_.windows.clockTimer.enabled = false;
        state_.options.autosaveTimer.enabled = false;
        state_.shell.loadingProgress.value = 0.1f;
        state_.shell.loadingVisible = true;
        state_.shell.loadingCaption = QStringLiteral("Enregistrement des paramètres...");
        state_.shell.loadingProgress.value = 30.0f;
        savedAtUnload_ = settings_.EcrireINI();
        state_.shell.loadingCaption = QStringLiteral("Fermeture du port COM...");
        state_.shell.loadingProgress.value = 60.0f;
        radio_.closePort();
        state_.shell.loadingCaption = QStringLiteral("Fermeture...");
        state_.shell.loadingProgress.value = 100.0f;
    });
}

void MainPresenter::ChkInstance_Click(bool checked) {
    act([&] { state_.options.allowSeveralCopies = checked; });
}

void MainPresenter::TimerParam_Timer() {
    update([this] { settings_.TimerParam_Timer(); });
}

void MainPresenter::Sauver_Click() {
    act([this] {
        settings_.EcrireINI();
        settings_.restartAutosave();
    });
}

void MainPresenter::selectInMessage(int start, int length) {
    state_.speech.selectionStart = start;
    state_.speech.selectionLength = length;
    ++state_.speech.selectionSeq;
}

void MainPresenter::TxtSynthese_Change(const QString& text) {
    act([&] {
        state_.speech.text = text;
        params_.set(Params::kTexte, text);
    });
}

void MainPresenter::TxtSynthese_Click(int caret) {
    act([&] {
        state_.speech.voiceListVisible = false;
        state_.speech.tagListVisible = true;
        if (const auto sel = TrouverCrochet(state_.speech.text, caret))
            selectInMessage(sel->first, sel->second);
    });
}

void MainPresenter::TxtSynthese_DblClick(int selStart, int selLength) {
    act([&] {
        const int all = static_cast<int>(state_.speech.text.size());
        if (!(selStart == 0 && selLength == all))
            selectInMessage(0, all);
    });
}

void MainPresenter::TxtSynthese_GotFocus() {
    act([this] {
        state_.speech.voiceListVisible = false;
        state_.speech.tagListVisible = true;
        state_.shell.shortcutsActive = false;
    });
}

void MainPresenter::TxtSynthese_LostFocus() {
    act([this] { state_.shell.shortcutsActive = true; });
}

void MainPresenter::TxtSynthese_SelectAll() {
    act([this] {
        if (!state_.speech.text.isEmpty())
            selectInMessage(0, static_cast<int>(state_.speech.text.size()));
    });
}

void MainPresenter::TxtSynthese_Enter(int selStart, int selLength) {
    // The message stays on one line: a line break typed becomes ". ".
    act([&] {
        QString t = state_.speech.text;
        const int start = std::clamp(selStart, 0, static_cast<int>(t.size()));
        t.replace(start, std::clamp(selLength, 0, static_cast<int>(t.size()) - start),
                  QStringLiteral(". "));
        state_.speech.text = t;
        params_.set(Params::kTexte, t);
        selectInMessage(start + 2, 0);
    });
}

void MainPresenter::TxtSynthese_CaretMoved(int caret) {
    act([&] {
        if (const auto sel = TrouverCrochet(state_.speech.text, caret))
            selectInMessage(sel->first, sel->second);
    });
}

void MainPresenter::ComboOndrixTexte_Change(int index) {
    act([&] {
        auto& c = state_.speech.tagList;
        c.index = (index >= 0 && index < c.items.size()) ? index : -1;
        c.text = c.items.value(c.index);
    });
}

void MainPresenter::CmdAjoutOndrix_Click(int selStart, int selLength) {
    act([&] {
        const QString tag = state_.speech.tagList.text;
        QString t = state_.speech.text;
        const int start = std::clamp(selStart, 0, static_cast<int>(t.size()));
        t.replace(start, std::clamp(selLength, 0, static_cast<int>(t.size()) - start), tag);
        state_.speech.text = t;
        params_.set(Params::kTexte, t);
        selectInMessage(start + static_cast<int>(tag.size()), 0);
    });
}

void MainPresenter::ChkLireMeteo_Click(bool checked) {
    act([&] { state_.speech.readWeather = checked; });
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
    act([this] { state_.shell.shortcutsActive = false; });
}
void MainPresenter::TextField_LostFocus() {
    act([this] { state_.shell.shortcutsActive = true; });
}

void MainPresenter::setAppDir(const QString& dir) {
    act([&] {
        state_.options.appDirText = dir;
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
    act([&] { showPage(state_.shell, page); });
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
bool MainPresenter::keyingLocked() {
    // How the transmitter is keyed cannot change under a running cycle, who-
    // ever asks: a sending keyed on one line would be released on another.
    if (!state_.cycle.running)
        return false;
    events_.publish(EventKind::Info,
                    QStringLiteral("Changement refusé : arrêtez le cycle avant de changer le mode "
                                   "d'émission ou le port COM."));
    return true;
}

void MainPresenter::OptPORTCOM_Click() {
    if (!keyingLocked())
        act([this] { radio_.OptPORTCOM_Click(); });
}
void MainPresenter::OptVOX_Click() {
    if (!keyingLocked())
        act([this] { radio_.OptVOX_Click(); });
}
void MainPresenter::ComboModeCOMPTT_Change(int index) {
    if (!keyingLocked())
        act([&] { radio_.ComboModeCOMPTT_Change(index); });
}
void MainPresenter::PortComList_Change(const QString& text) {
    if (!keyingLocked())
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
    // A search closes the port: never under a running cycle.
    if (!keyingLocked())
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
    update([this] { radio_.TimerCOR_Timer(); });
}
void MainPresenter::TimerCOMValide_Timer() {
    update([this] { radio_.TimerCOMValide_Timer(); });
}
void MainPresenter::TimerTempsVoix_Timer() {
    update([this] { beacon_.TimerTempsVoix_Timer(); });
}
void MainPresenter::SliderVoixSpeed_Change(int value) {
    act([&] { beacon_.SliderVoixSpeed_Change(value); });
}
void MainPresenter::SliderVolVoix_Change(int value) {
    act([&] { beacon_.SliderVolVoix_Change(value); });
}
void MainPresenter::Timer1_Timer() {
    update([this] { beacon_.Timer1_Timer(); });
}
void MainPresenter::Timer2_Timer() {
    update([this] { beacon_.Timer2_Timer(); });
}

// ---- daily time windows

void MainPresenter::TimerTime_Timer() {
    update([this] { windows_.TimerTime_Timer(); });
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
