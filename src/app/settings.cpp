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

Settings::Settings(MainForm& form, Params& params, Parts parts)
    : form_(form), params_(params), parts_(parts), file_(std::make_unique<IniFile>(QString())) {}

void Settings::setAppDir(const QString& dir) {
    file_ = std::make_unique<IniFile>(QDir(dir).filePath(kFileName));
}

void Settings::pause(int ms) {
    parts_.sleeper.sleepMs(ms);
}

void Settings::advance(float steps) {
    auto& pb = form_.progressBar2;
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
    form_.lblChargeParam = QStringLiteral("Lecture des paramètres...");
    status_ = file_->load();
    for (int i = 0; i < Params::kCount; ++i)
        params_.set(i, file_->LireCle(kSectionParams, paramKey(i)));
    // Values are applied as read: a control's reaction may store its own
    // value in another key before that key's turn comes (recording between
    // sendings sets the priority, a file's duration the period), and the
    // operator's saved choice must still win.
    const Params read = params_;

    // 2. Recent files, in index order.
    auto& recent = form_.comboFichierRecent;
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
    form_.lblChargeParam = QStringLiteral("Application des paramètres...");
    if (!recent.items.isEmpty()) {
        react("ComboFichierRecent");
        beacon.ComboFichierRecent_Change(0);
    }
    applyCombo(form_.comboModeCOMPTT, read.get(Params::kPTTLine), "ComboModeCOMPTT",
               [&](int i) { radio.ComboModeCOMPTT_Change(i); });
    applyCombo(form_.comboModeCOMCOR, read.get(Params::kCORLine), "ComboModeCOMCOR",
               [&](int i) { radio.ComboModeCOMCOR_Change(i); });
    applySlider(form_.sliderVolWMP, read.get(Params::kVolume), "SliderVolWMP",
                [&](int v) { beacon.SliderVolWMP_Change(v); });
    const bool mute = read.get(Params::kMute) == QLatin1String("Mute");
    if (mute != form_.chkMute) {
        react("CHKMute");
        beacon.CHKMute_Click(mute);
    }
    if (read.get(Params::kKeying) == QLatin1String("VOX ON")) {
        if (!form_.optVox) {
            react("OptVOX");
            radio.OptVOX_Click();
        }
    } else if (!form_.optPortCom) {
        react("OptPORTCOM");
        radio.OptPORTCOM_Click();
    }
    const QString rec = read.get(Params::kRec);
    if (!rec.isEmpty()) {
        const bool on = rec == QLatin1String("REC ON");
        if (on != form_.chkRec) {
            react("chkRec");
            beacon.chkRec_Click(on);
        }
    }
    // Param36 (squelch) belongs to the recorder, which reads it itself.
    const bool cor = read.get(Params::kCOR) == QLatin1String("COR ON");
    if (cor != form_.chkCOR) {
        react("ChkCOR");
        radio.ChkCOR_Click(cor);
    }
    form_.comboModeCOMCOR.enabled = cor;
    if (read.get(Params::kPortsToScan).isEmpty())
        params_.set(Params::kPortsToScan, QStringLiteral("32"));
    // Param43 (shortcuts) and Param45 (DTMF log) belong to their own windows.
    advance(15);
    pause(100);

    // 4. Colours, period bounds, tick, time windows, message mode.
    form_.lblChargeParam = QStringLiteral("Application du style...");
    if (const auto c = integer(read.get(Params::kCouleurAttente))) {
        form_.pictureCouleurAttente = static_cast<Colour>(*c) & 0xFFFFFFu;
        form_.shapeTotal.backColour = form_.pictureCouleurAttente;
    }
    if (const auto c = integer(read.get(Params::kCouleurLecture))) {
        form_.pictureCouleurLecture = static_cast<Colour>(*c) & 0xFFFFFFu;
        form_.shapeWAV.backColour = form_.pictureCouleurLecture;
    }
    // An empty longest period or tick leaves the field on its default
    // ("1800", "1000"), rather than on the "250" ms an emptied tick field
    // would get from its own rule.
    const QString tpsMax = read.get(Params::kTpsMax);
    if (const auto m = integer(tpsMax); m && *m >= 1)
        beacon.applySliderMax(*m);
    if (!tpsMax.isEmpty() && tpsMax != form_.txtTpsMax) {
        react("TxtTpsMax");
        beacon.TxtTpsMax_Change(tpsMax);
    }
    form_.chkInstance = read.get(Params::kInstance) == QLatin1String("1");
    const QString interval = read.get(Params::kInterval);
    if (!interval.isEmpty() && interval != form_.txtInterval) {
        react("TxtInterval");
        beacon.TxtInterval_Change(interval);
    }
    // The timers tick at what the field shows, also when its own rule has
    // replaced an empty or unreadable value.
    beacon.applyInterval();
    for (int w = 0; w < MainForm::kWindows; ++w) {
        const QString v = read.get(Params::kDecl1 + w);
        if (v.isEmpty())
            continue;
        const bool on = v == QLatin1String("1");
        if (on != form_.chkDecl[static_cast<size_t>(w)]) {
            react("ChkDecl");
            parts_.windows.ChkDecl_Click(w, on);
        }
    }
    // The window is not shown yet: a field's rule may not move the focus.
    const int focusField = form_.focusTimeField;
    const int focusSeq = form_.focusTimeFieldSeq;
    for (int i = 0; i < MainForm::kTimeFields; ++i) {
        const QString v = read.get(Params::kTimes + i);
        if (!v.isEmpty() && v != form_.timeFields[static_cast<size_t>(i)]) {
            react("TextTimeOut");
            parts_.windows.TimeField_Change(i, v);
        }
    }
    form_.focusTimeField = focusField;
    form_.focusTimeFieldSeq = focusSeq;
    // Any text that is not the number 1 selects the speech tab, except one
    // that is no number at all: that one keeps the file tab.
    const auto mode = integer(read.get(Params::kMode));
    if (!mode || *mode == 1) {
        if (form_.tabS11Colour != kTabSelected) {
            react("TabS11");
            beacon.TabS11_Click();
        }
    } else if (form_.tabS12Colour != kTabSelected) {
        react("TabS12");
        beacon.TabS12_Click();
    }
    advance(15);
    pause(100);

    // 5. Speech, period and priority. The voice (Param26) is applied by the
    // voice catalogue once it has listed the voices.
    form_.lblChargeParam = QStringLiteral("Réglage de la synthèse vocale...");
    const QString texte = read.get(Params::kTexte);
    if (texte != form_.txtSynthese) {
        react("TxtSynthese");
        form_.txtSynthese = texte;
        params_.set(Params::kTexte, texte);
    }
    applySlider(form_.sliderLireTemps, read.get(Params::kPeriod), "SliderLireTemps",
                [&](int v) { beacon.SliderLireTemps_Change(v); });
    applySlider(form_.sliderVoixSpeed, read.get(Params::kSpeed), "SliderVoixSpeed",
                [&](int v) { beacon.SliderVoixSpeed_Change(v); });
    // Param31 (weather town) belongs to the weather panel.
    // An index outside the list selects nothing and changes no priority; the
    // value read stays in the settings and is written back.
    if (const auto p = integer(read.get(Params::kPriority));
        p && *p >= 0 && *p < MainForm::kPriorites.size() && *p != form_.comboPrioriteIndex) {
        react("ComboPriorite");
        beacon.ComboPriorite_Change(*p);
    }
    advance(20);
    pause(100);

    // 6. Sound devices.
    form_.lblChargeParam = QStringLiteral("Recherche des cartes son...");
    pause(150);
    pause(150);
    advance(18);

    // 7. Chosen sound devices (Param23, Param24).
    form_.lblChargeParam = QStringLiteral("Sélection des cartes son...");
    form_.lblChargeParam = QStringLiteral("Sélection des cartes son...\nEntrée");
    pause(100);
    form_.lblChargeParam = QStringLiteral("Sélection des cartes son...\nSortie");

    // 8. Operator details.
    LireInfosOM();
}

void Settings::LireInfosOM() {
    form_.lblChargeParam = QStringLiteral("Lecture des informations opérateur...");
    // With no readable file the fields keep the prompts they start with.
    if (status_ != IniFile::LoadStatus::Ok)
        return;
    for (int i = 0; i < Params::kOmCount; ++i)
        params_.setOM(i, file_->LireCle(kSectionOM, omKey(i)));
}

void Settings::SauverParam() {
    form_.shapeTotal.backColour = form_.pictureCouleurAttente;
    params_.set(Params::kCouleurAttente, QString::number(form_.pictureCouleurAttente));
    form_.shapeWAV.backColour = form_.pictureCouleurLecture;
    params_.set(Params::kCouleurLecture, QString::number(form_.pictureCouleurLecture));
    params_.set(Params::kTpsMax, form_.txtTpsMax);
    if (const auto m = integer(form_.txtTpsMax); m && *m >= 1)
        parts_.beacon.applySliderMax(*m);
    params_.set(Params::kInstance, flag(form_.chkInstance));
    params_.set(Params::kInterval, form_.txtInterval);
    parts_.beacon.applyInterval();
    for (int w = 0; w < MainForm::kWindows; ++w)
        params_.set(Params::kDecl1 + w, flag(form_.chkDecl[static_cast<size_t>(w)]));
    for (int i = 0; i < MainForm::kTimeFields; ++i)
        params_.set(Params::kTimes + i, form_.timeFields[static_cast<size_t>(i)]);
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

void Settings::TimerParam_Timer() {
    if (form_.compteurParam == kAutosaveTicks) {
        EcrireINI();
        form_.compteurParam = 0;
    } else {
        ++form_.compteurParam;
    }
}

} // namespace ondrix
