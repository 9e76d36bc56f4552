#include "app/settings.h"

#include "beacon/triggerwindows.h"
#include "core/vbtext.h"

#include <QDir>

#include <algorithm>
#include <cmath>

namespace ondrix {

const QString Settings::kFileName = QStringLiteral("parametres.ini");
const QString Settings::kSectionParams = QStringLiteral("Params");
const QString Settings::kSectionOM = QStringLiteral("Informations OM");

namespace {

QString paramKey(int i) {
    return QStringLiteral("Param") + QString::number(i);
}
QString omKey(int i) {
    return QStringLiteral("ParamOM") + QString::number(i);
}
QString flag(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}
} // namespace

Settings::Settings(StationState& state, Params& params, Parts parts)
    : state_(state), params_(params), parts_(parts), file_(std::make_unique<IniFile>(QString())) {}

void Settings::setAppDir(const QString& dir) {
    file_ = std::make_unique<IniFile>(QDir(dir).filePath(kFileName));
}

void Settings::pause(int ms) {
    parts_.sleeper.sleepMs(ms);
}

void Settings::advance(float steps) {
    auto& pb = state_.shell.loadingProgress;
    pb.value = std::clamp(pb.value + steps, pb.min, pb.max);
}

void Settings::react(const char* control) {
    if (onReaction)
        onReaction(QString::fromLatin1(control));
}

std::optional<int> Settings::integer(const QString& text) {
    const auto v = toNumber(text);
    if (!v || !std::isfinite(*v) || std::abs(*v) > 2147483647.0)
        return std::nullopt;
    return static_cast<int>(roundEven(*v));
}

void Settings::applyCombo(ComboState& combo, const QString& text, const char* control,
                          const std::function<void(int)>& reaction) {
    // An empty or unknown text leaves the list on its first entry.
    int index = static_cast<int>(combo.items.indexOf(text));
    if (index < 0)
        index = combo.items.isEmpty() ? -1 : 0;
    if (index != combo.index) {
        react(control);
        reaction(index);
    }
}

void Settings::applySlider(const SliderState& slider, const QString& text, const char* control,
                           const std::function<void(int)>& reaction) {
    // A value the slider cannot take is skipped: the slider keeps its own.
    const auto v = integer(text);
    if (!v || *v < slider.min || *v > slider.max || *v == slider.value)
        return;
    react(control);
    reaction(*v);
}

void Settings::LireINI() {
    Beacon& beacon = parts_.beacon;
    RadioLink& radio = parts_.radio;

    // 1. Every Param read as text.
    state_.shell.loadingCaption = QStringLiteral("Lecture des paramètres...");
    status_ = file_->load();
    for (int i = 0; i < Params::kCount; ++i)
        params_.set(i, file_->LireCle(kSectionParams, paramKey(i)));
    // Values are applied as read: a control's reaction may store its own
    // value in another key before that key's turn comes (recording between
    // sendings sets the priority, a file's duration the period), and the
    // operator's saved choice must still win.
    const Params read = params_;

    // 2. Recent files, in index order.
    auto& recent = state_.file.recentFiles;
    recent.items.clear();
    recent.index = -1;
    recent.text.clear();
    for (int i = 0; i < Params::kRecentFiles; ++i) {
        if (!read.get(i).isEmpty())
            recent.items << read.get(i);
        advance(2);
    }
    advance(16);
    pause(100);

    // 3. The radio and the player.
    state_.shell.loadingCaption = QStringLiteral("Application des paramètres...");
    if (!recent.items.isEmpty()) {
        react("ComboFichierRecent");
        beacon.ComboFichierRecent_Change(0);
    }
    applyCombo(state_.radio.pttLine, read.get(Params::kPTTLine), "ComboModeCOMPTT",
               [&](int i) { radio.ComboModeCOMPTT_Change(i); });
    applyCombo(state_.radio.carrierLine, read.get(Params::kCORLine), "ComboModeCOMCOR",
               [&](int i) { radio.ComboModeCOMCOR_Change(i); });
    applySlider(state_.file.volumeSlider, read.get(Params::kVolume), "SliderVolWMP",
                [&](int v) { beacon.SliderVolWMP_Change(v); });
    const bool mute = read.get(Params::kMute) == QLatin1String("Mute");
    if (mute != state_.file.mute) {
        react("CHKMute");
        beacon.CHKMute_Click(mute);
    }
    if (read.get(Params::kKeying) == QLatin1String("VOX ON")) {
        if (!state_.radio.voxKeying()) {
            react("OptVOX");
            radio.OptVOX_Click();
        }
    } else if (!state_.radio.serialKeying) {
        react("OptPORTCOM");
        radio.OptPORTCOM_Click();
    }
    const QString rec = read.get(Params::kRec);
    if (!rec.isEmpty()) {
        const bool on = rec == QLatin1String("REC ON");
        if (on != state_.options.recordBetweenSendings) {
            react("chkRec");
            beacon.chkRec_Click(on);
        }
    }
    // Param36 (squelch) belongs to the recorder, which reads it itself.
    const bool cor = read.get(Params::kCOR) == QLatin1String("COR ON");
    if (cor != state_.radio.carrierDetectOn) {
        react("ChkCOR");
        radio.ChkCOR_Click(cor);
    }
    state_.radio.carrierLine.enabled = cor;
    if (read.get(Params::kPortsToScan).isEmpty())
        params_.set(Params::kPortsToScan, QStringLiteral("32"));
    // Param43 (shortcuts) and Param45 (DTMF log) belong to their own windows.
    advance(15);
    pause(100);

    // 4. Colours, period bounds, tick, time windows, message mode.
    state_.shell.loadingCaption = QStringLiteral("Application du style...");
    if (const auto c = integer(read.get(Params::kCouleurAttente))) {
        state_.cycle.waitingColour = static_cast<Colour>(*c) & 0xFFFFFFu;
        state_.cycle.barTotal.backColour = state_.cycle.waitingColour;
    }
    if (const auto c = integer(read.get(Params::kCouleurLecture))) {
        state_.cycle.playingColour = static_cast<Colour>(*c) & 0xFFFFFFu;
        state_.cycle.barMessage.backColour = state_.cycle.playingColour;
    }
    // An empty longest period or tick leaves the field on its default
    // ("1800", "1000"), rather than on the "250" ms an emptied tick field
    // would get from its own rule.
    const QString tpsMax = read.get(Params::kTpsMax);
    if (const auto m = integer(tpsMax); m && *m >= 1)
        beacon.applySliderMax(*m);
    if (!tpsMax.isEmpty() && tpsMax != state_.cycle.longestPeriodText) {
        react("TxtTpsMax");
        beacon.TxtTpsMax_Change(tpsMax);
    }
    state_.options.allowSeveralCopies = read.get(Params::kInstance) == QLatin1String("1");
    const QString interval = read.get(Params::kInterval);
    if (!interval.isEmpty() && interval != state_.cycle.tickIntervalText) {
        react("TxtInterval");
        beacon.TxtInterval_Change(interval);
    }
    // The timers tick at what the field shows, also when its own rule has
    // replaced an empty or unreadable value.
    beacon.applyInterval();
    for (int w = 0; w < TimeWindowsState::kWindows; ++w) {
        const QString v = read.get(Params::kDecl1 + w);
        if (v.isEmpty())
            continue;
        const bool on = v == QLatin1String("1");
        if (on != state_.windows.enabled[static_cast<size_t>(w)]) {
            react("ChkDecl");
            parts_.windows.ChkDecl_Click(w, on);
        }
    }
    // The window is not shown yet: a field's rule may not move the focus.
    const int focusField = state_.windows.focusField;
    const int focusSeq = state_.windows.focusSeq;
    for (int i = 0; i < TimeWindowsState::kTimeFields; ++i) {
        const QString v = read.get(Params::kTimes + i);
        if (!v.isEmpty() && v != state_.windows.fields[static_cast<size_t>(i)]) {
            react("TextTimeOut");
            parts_.windows.TimeField_Change(i, v);
        }
    }
    state_.windows.focusField = focusField;
    state_.windows.focusSeq = focusSeq;
    // Any text that is not the number 1 selects the speech tab, except one
    // that is no number at all: that one keeps the file tab.
    const auto mode = integer(read.get(Params::kMode));
    if (!mode || *mode == 1) {
        if (state_.cycle.mode != MessageMode::File) {
            react("TabS11");
            beacon.TabS11_Click();
        }
    } else if (state_.cycle.mode != MessageMode::Speech) {
        react("TabS12");
        beacon.TabS12_Click();
    }
    advance(15);
    pause(100);

    // 5. Speech, period and priority. The voice (Param26) is applied by the
    // voice catalogue once it has listed the voices.
    state_.shell.loadingCaption = QStringLiteral("Réglage de la synthèse vocale...");
    const QString texte = read.get(Params::kTexte);
    if (texte != state_.speech.text) {
        react("TxtSynthese");
        state_.speech.text = texte;
        params_.set(Params::kTexte, texte);
    }
    applySlider(state_.cycle.periodSlider, read.get(Params::kPeriod), "SliderLireTemps",
                [&](int v) { beacon.SliderLireTemps_Change(v); });
    applySlider(state_.speech.speedSlider, read.get(Params::kSpeed), "SliderVoixSpeed",
                [&](int v) { beacon.SliderVoixSpeed_Change(v); });
    // Param31 (weather town) belongs to the weather panel.
    // An index outside the list selects nothing and changes no priority; the
    // value read stays in the settings and is written back.
    if (const auto p = integer(read.get(Params::kPriority));
        p && *p >= 0 && *p < OptionsState::kPriorities.size() &&
        *p != state_.options.priorityIndex) {
        react("ComboPriorite");
        beacon.ComboPriorite_Change(*p);
    }
    advance(20);
    pause(100);

    // 6. Sound devices.
    state_.shell.loadingCaption = QStringLiteral("Recherche des cartes son...");
    pause(150);
    pause(150);
    advance(18);

    // 7. Chosen sound devices (Param23, Param24).
    state_.shell.loadingCaption = QStringLiteral("Sélection des cartes son...");
    state_.shell.loadingCaption = QStringLiteral("Sélection des cartes son...\nEntrée");
    pause(100);
    state_.shell.loadingCaption = QStringLiteral("Sélection des cartes son...\nSortie");

    // 8. Operator details.
    LireInfosOM();
}

void Settings::LireInfosOM() {
    state_.shell.loadingCaption = QStringLiteral("Lecture des informations opérateur...");
    // With no readable file the fields keep the prompts they start with.
    if (status_ != IniFile::LoadStatus::Ok)
        return;
    for (int i = 0; i < Params::kOmCount; ++i)
        params_.setOM(i, file_->LireCle(kSectionOM, omKey(i)));
}

void Settings::SauverParam() {
    state_.cycle.barTotal.backColour = state_.cycle.waitingColour;
    params_.set(Params::kCouleurAttente, QString::number(state_.cycle.waitingColour));
    state_.cycle.barMessage.backColour = state_.cycle.playingColour;
    params_.set(Params::kCouleurLecture, QString::number(state_.cycle.playingColour));
    params_.set(Params::kTpsMax, state_.cycle.longestPeriodText);
    if (const auto m = integer(state_.cycle.longestPeriodText); m && *m >= 1)
        parts_.beacon.applySliderMax(*m);
    params_.set(Params::kInstance, flag(state_.options.allowSeveralCopies));
    params_.set(Params::kInterval, state_.cycle.tickIntervalText);
    parts_.beacon.applyInterval();
    for (int w = 0; w < TimeWindowsState::kWindows; ++w)
        params_.set(Params::kDecl1 + w, flag(state_.windows.enabled[static_cast<size_t>(w)]));
    for (int i = 0; i < TimeWindowsState::kTimeFields; ++i)
        params_.set(Params::kTimes + i, state_.windows.fields[static_cast<size_t>(i)]);
    // Param23 and Param24 (sound devices) are kept as read until the device
    // lists exist.
}

void Settings::EcrireInfosOM() {
    for (int i = 0; i < Params::kOmCount; ++i)
        file_->setValue(kSectionOM, omKey(i), params_.getOM(i));
}

bool Settings::EcrireINI() {
    SauverParam();
    for (int i = 0; i < Params::kCount; ++i)
        file_->setValue(kSectionParams, paramKey(i), params_.get(i));
    EcrireInfosOM();
    return file_->save();
}

void Settings::autosaveTick() {
    if (autosaveTicks_ == kAutosaveTicks) {
        EcrireINI();
        autosaveTicks_ = 0;
    } else {
        ++autosaveTicks_;
    }
}

} // namespace ondrix
