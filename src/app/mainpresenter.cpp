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
    // The countdown moves at every tick; the rest of the cycle seldom.
    CycleState countdownOnly = drawn_.cycle;
    copyCountdown(countdownOnly, state_.cycle);
    const bool countdownMoved = !(countdownOnly == drawn_.cycle);
    const bool cycleChanged = !(countdownOnly == state_.cycle);
    if (all || countdownMoved)
        changes.add(Feature::Countdown);
    if (all || cycleChanged)
        changes.add(Feature::Cycle);
    drawn_.cycle = state_.cycle;
    check(&StationState::file, Feature::FileMessage);
    check(&StationState::speech, Feature::Speech);
    check(&StationState::radio, Feature::RadioLink);
    // The details live in the settings arrays: copied for the page first.
    static_assert(OperatorDetailsState::kFields == Params::kOmCount);
    for (int i = 0; i < OperatorDetailsState::kFields; ++i)
        state_.operatorDetails.fields[static_cast<size_t>(i)] = params_.getOM(i);
    check(&StationState::windows, Feature::TimeWindows);
    check(&StationState::operatorDetails, Feature::OperatorDetails);
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

void MainPresenter::setAppDir(const QString& dir) {
    act([&] {
        state_.options.appDirText = dir;
        settings_.setAppDir(dir);
    });
}

void MainPresenter::selectInMessage(int start, int length) {
    state_.speech.selectionStart = start;
    state_.speech.selectionLength = length;
    ++state_.speech.selectionSeq;
}

// Replaces a selection of the message (clamped to it) and puts the caret
// after what was put in.
void MainPresenter::replaceInMessage(int selStart, int selLength, const QString& with) {
    QString t = state_.speech.text;
    const int start = std::clamp(selStart, 0, static_cast<int>(t.size()));
    t.replace(start, std::clamp(selLength, 0, static_cast<int>(t.size()) - start), with);
    state_.speech.text = t;
    params_.set(Params::kTexte, t);
    selectInMessage(start + static_cast<int>(with.size()), 0);
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

namespace {
template <typename... F> struct Overloaded : F... { using F::operator()...; };
template <typename... F> Overloaded(F...) -> Overloaded<F...>;
} // namespace

void MainPresenter::execute(const Command& command) {
    if (changesKeying(command) && keyingLocked())
        return;
    // An operator's action: every panel is drawn again afterwards (see act).
    act([&] {
        std::visit(
            Overloaded{
                // ---- cycle and message
                [&](const cmd::BTPlay_Click&) { beacon_.BTPlay_Click(); },
                [&](const cmd::TabS11_Click&) { beacon_.TabS11_Click(); },
                [&](const cmd::TabS12_Click&) { beacon_.TabS12_Click(); },
                [&](const cmd::CMDOuvrir_Click&) { beacon_.CMDOuvrir_Click(); },
                [&](const cmd::ComboFichierRecent_Change& c) {
                    beacon_.ComboFichierRecent_Change(c.index);
                },
                [&](const cmd::SliderLireTemps_Change& c) {
                    beacon_.SliderLireTemps_Change(c.value);
                },
                [&](const cmd::SliderLireTemps_MouseMove&) { beacon_.SliderLireTemps_MouseMove(); },
                [&](const cmd::SliderVolWMP_Change& c) { beacon_.SliderVolWMP_Change(c.value); },
                [&](const cmd::CHKMute_Click& c) { beacon_.CHKMute_Click(c.checked); },
                [&](const cmd::TxtInterval_Change& c) { beacon_.TxtInterval_Change(c.text); },
                [&](const cmd::TxtInterval_KeyDown& c) { beacon_.TxtInterval_KeyDown(c.keyCode); },
                [&](const cmd::TxtTpsMax_Change& c) { beacon_.TxtTpsMax_Change(c.text); },
                [&](const cmd::chkRec_Click& c) { beacon_.chkRec_Click(c.checked); },
                [&](const cmd::ComboPriorite_Change& c) { beacon_.ComboPriorite_Change(c.index); },

                // ---- shell and settings
                [&](const cmd::PageTab_Click& c) { showPage(state_.shell, c.page); },
                [&](const cmd::ChkInstance_Click& c) {
                    state_.options.allowSeveralCopies = c.checked;
                },
                [&](const cmd::Sauver_Click&) {
                    settings_.EcrireINI();
                    settings_.restartAutosave();
                },

                // ---- radio link (the keying ones passed the interlock above)
                [&](const cmd::OptPORTCOM_Click&) { radio_.OptPORTCOM_Click(); },
                [&](const cmd::OptVOX_Click&) { radio_.OptVOX_Click(); },
                [&](const cmd::ComboModeCOMPTT_Change& c) {
                    radio_.ComboModeCOMPTT_Change(c.index);
                },
                [&](const cmd::PortComList_Change& c) { radio_.PortComList_Change(c.text); },
                [&](const cmd::PTTLock_Click&) { radio_.PTTLock_Click(); },
                [&](const cmd::CMDTest_MouseDown&) { radio_.CMDTest_MouseDown(); },
                [&](const cmd::CMDTest_MouseUp&) { radio_.CMDTest_MouseUp(); },
                [&](const cmd::IMGActualiser_Click&) { radio_.IMGActualiser_Click(); },
                [&](const cmd::ImgChercheCom_Click&) { radio_.ImgChercheCom_Click(); },
                [&](const cmd::ChkCOR_Click& c) { radio_.ChkCOR_Click(c.checked); },
                [&](const cmd::ComboModeCOMCOR_Change& c) {
                    radio_.ComboModeCOMCOR_Change(c.index);
                },

                // ---- speech message
                [&](const cmd::TxtSynthese_Change& c) {
                    state_.speech.text = c.text;
                    params_.set(Params::kTexte, c.text);
                },
                [&](const cmd::TxtSynthese_Click& c) {
                    state_.speech.voiceListVisible = false;
                    state_.speech.tagListVisible = true;
                    if (const auto sel = TrouverCrochet(state_.speech.text, c.caret))
                        selectInMessage(sel->first, sel->second);
                },
                [&](const cmd::TxtSynthese_DblClick& c) {
                    const int all = static_cast<int>(state_.speech.text.size());
                    if (!(c.selStart == 0 && c.selLength == all))
                        selectInMessage(0, all);
                },
                [&](const cmd::TxtSynthese_GotFocus&) {
                    state_.speech.voiceListVisible = false;
                    state_.speech.tagListVisible = true;
                    state_.shell.shortcutsActive = false;
                },
                [&](const cmd::TxtSynthese_LostFocus&) { state_.shell.shortcutsActive = true; },
                [&](const cmd::TxtSynthese_SelectAll&) {
                    if (!state_.speech.text.isEmpty())
                        selectInMessage(0, static_cast<int>(state_.speech.text.size()));
                },
                // The message stays on one line: a line break typed becomes ". ".
                [&](const cmd::TxtSynthese_Enter& c) {
                    replaceInMessage(c.selStart, c.selLength, QStringLiteral(". "));
                },
                [&](const cmd::TxtSynthese_CaretMoved& c) {
                    if (const auto sel = TrouverCrochet(state_.speech.text, c.caret))
                        selectInMessage(sel->first, sel->second);
                },
                [&](const cmd::ComboOndrixTexte_Change& c) {
                    auto& tags = state_.speech.tagList;
                    tags.index = (c.index >= 0 && c.index < tags.items.size()) ? c.index : -1;
                    tags.text = tags.items.value(tags.index);
                },
                [&](const cmd::CmdAjoutOndrix_Click& c) {
                    replaceInMessage(c.selStart, c.selLength, state_.speech.tagList.text);
                },
                [&](const cmd::ChkLireMeteo_Click& c) { state_.speech.readWeather = c.checked; },
                [&](const cmd::SliderVoixSpeed_Change& c) {
                    beacon_.SliderVoixSpeed_Change(c.value);
                },
                [&](const cmd::SliderVolVoix_Change& c) { beacon_.SliderVolVoix_Change(c.value); },

                // ---- voices
                [&](const cmd::ListVoix_Click& c) { voices_.ListVoix_Click(c.index); },
                [&](const cmd::ListVoix_DblClick&) { voices_.ListVoix_DblClick(); },
                [&](const cmd::LblNomVoix_Click&) { voices_.LblNomVoix_Click(); },
                [&](const cmd::ChargerVoix&) { voices_.ChargerVoix(); },
                [&](const cmd::CmdResoudreProb_Click&) { voices_.CmdResoudreProb_Click(); },
                [&](const cmd::CmdProbOK_Click&) { voices_.CmdProbOK_Click(); },

                // ---- operator details
                [&](const cmd::OperatorField_KeyPress& c) { operator_.keyPress(c.field, c.ch); },
                [&](const cmd::OperatorField_Change& c) { params_.setOM(c.field, c.text); },
                [&](const cmd::OperatorField_Click& c) { operator_.click(c.field); },
                [&](const cmd::TextField_GotFocus&) { state_.shell.shortcutsActive = false; },
                [&](const cmd::TextField_LostFocus&) { state_.shell.shortcutsActive = true; },

                // ---- daily time windows
                [&](const cmd::ChkDecl_Click& c) { windows_.ChkDecl_Click(c.window, c.checked); },
                [&](const cmd::TabS3_Click& c) { windows_.TabS3_Click(c.window); },
                [&](const cmd::TimeField_Change& c) { windows_.TimeField_Change(c.field, c.text); },
                [&](const cmd::TimeField_GotFocus& c) { windows_.TimeField_GotFocus(c.field); },
                [&](const cmd::TimeField_LostFocus& c) { windows_.TimeField_LostFocus(c.field); },
            },
            command);
    });
}

void MainPresenter::tick(Tick timer) {
    // Only the features the tick changed are said.
    update([&] {
        switch (timer) {
        case Tick::FileCountdown:
            beacon_.fileCountdownTick();
            break;
        case Tick::SpeechCountdown:
            beacon_.speechCountdownTick();
            break;
        case Tick::SpeechDuration:
            beacon_.speechDurationTick();
            break;
        case Tick::Carrier:
            radio_.carrierTick();
            break;
        case Tick::PortSearchRetry:
            radio_.searchRetryTick();
            break;
        case Tick::Clock:
            windows_.clockTick();
            break;
        case Tick::Autosave:
            settings_.autosaveTick();
            break;
        }
    });
}

} // namespace ondrix
