#include "app/settings.h"

#include "beacon/triggerwindows.h"

#include <QDir>

#include <algorithm>

namespace ondrix {

const QString Settings::kFileName = QStringLiteral("parametres.ini");
const QString Settings::kSectionParams = QStringLiteral("Params");
const QString Settings::kSectionOM = QStringLiteral("Informations OM");
const QString Settings::kSectionStation = QStringLiteral("Station");

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
    : state_(state), params_(params), parts_(parts), file_(std::make_unique<IniFile>(QString())) {
    // The order of the features here is the order their savers run in; the
    // order of applying is the loading steps' own.
    parts_.beacon.declareSettings(registry_);
    parts_.radio.declareSettings(registry_);
    parts_.windows.declareSettings(registry_, params_);
    parts_.voices.declareSettings(registry_);
    declareOwnSettings();
}

void Settings::declareOwnSettings() {
    registry_.owner(QStringLiteral("options"))
        .param(Params::kInstance)
        .apply(LoadStep::Style, Params::kInstance,
               [this](const SettingsApplying& a) {
                   state_.options.allowSeveralCopies =
                       a.param(Params::kInstance) == QLatin1String("1");
               })
        .saver([this] { params_.set(Params::kInstance, flag(state_.options.allowSeveralCopies)); });
    // Keys whose features are not built yet, or that nothing uses: written
    // back as read, so a file the Windows version wrote loses nothing.
    registry_.owner(QStringLiteral("reserved")).keptAsRead(19, 4).keptAsRead(32);
    registry_.owner(QStringLiteral("sound devices")).keptAsRead(23, 2);
    registry_.owner(QStringLiteral("weather")).keptAsRead(29).keptAsRead(31);
    registry_.owner(QStringLiteral("recorder")).keptAsRead(36, 4);
    registry_.owner(QStringLiteral("shortcuts")).keptAsRead(43);
    registry_.owner(QStringLiteral("DTMF")).keptAsRead(45, 2);
}

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

void Settings::readValues() {
    // A missing key reads empty, as the Windows calls read it.
    for (int i = 0; i < Params::kCount; ++i) {
        const QString text = file_->LireCle(kSectionParams, paramKey(i));
        params_.set(i, registry_.valueRead(SettingKey::param(i), text, !text.isEmpty()));
    }
    // Here a key present but empty is a value of its own.
    for (const SettingKey& key : registry_.stationKeys()) {
        params_.station.insert(key.name,
                               registry_.valueRead(key, file_->LireCle(kSectionStation, key.name),
                                                   file_->hasKey(kSectionStation, key.name)));
    }
}

void Settings::LireINI() {
    state_.shell.loadingCaption = QStringLiteral("Lecture des paramètres...");
    status_ = file_->load();
    readValues();
    // Values are applied as read: a control's reaction may store its own
    // value in another key before that key's turn comes (recording between
    // sendings sets the priority, a file's duration the period), and the
    // operator's saved choice must still win.
    const Params read = params_;
    const SettingsApplying applying(read, onReaction);
    for (const LoadingStep& step : SettingsRegistry::loadingSteps()) {
        if (!step.caption.isEmpty())
            state_.shell.loadingCaption = step.caption;
        registry_.applyStep(step, applying);
        for (const LoadingBeat& beat : step.after) {
            if (!beat.caption.isEmpty())
                state_.shell.loadingCaption = beat.caption;
            if (beat.advance != 0.0f)
                advance(beat.advance);
            if (beat.pauseMs > 0)
                pause(beat.pauseMs);
        }
    }
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
    registry_.save();
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
    // Last, so a file written fresh keeps the Windows version's sections first.
    for (const SettingKey& key : registry_.stationKeys()) {
        const auto value = params_.station.constFind(key.name);
        file_->setValue(kSectionStation, key.name,
                        value != params_.station.cend() ? *value
                                                        : registry_.find(key)->defaultValue);
    }
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
