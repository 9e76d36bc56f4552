#include "core/settingsregistry.h"

#include "core/vbtext.h"

#include <algorithm>
#include <cmath>

namespace ondrix {

QString SettingKey::text() const {
    return kind == Kind::Param ? QStringLiteral("Param") + QString::number(index)
                               : QStringLiteral("[Station] ") + name;
}

bool SettingKey::operator==(const SettingKey& other) const {
    if (kind != other.kind)
        return false;
    return kind == Kind::Param ? index == other.index
                               : name.compare(other.name, Qt::CaseInsensitive) == 0;
}

void SettingsApplying::react(const char* control) const {
    if (onReaction_)
        onReaction_(QString::fromLatin1(control));
}

void SettingsApplying::combo(const ComboState& combo, const QString& text, const char* control,
                             const std::function<void(int)>& reaction) const {
    int index = static_cast<int>(combo.items.indexOf(text));
    if (index < 0)
        index = combo.items.isEmpty() ? -1 : 0;
    if (index != combo.index) {
        react(control);
        reaction(index);
    }
}

void SettingsApplying::slider(const SliderState& slider, const QString& text, const char* control,
                              const std::function<void(int)>& reaction) const {
    const auto v = integer(text);
    if (!v || *v < slider.min || *v > slider.max || *v == slider.value)
        return;
    react(control);
    reaction(*v);
}

std::optional<int> SettingsApplying::integer(const QString& text) {
    const auto v = toNumber(text);
    if (!v || !std::isfinite(*v) || std::abs(*v) > 2147483647.0)
        return std::nullopt;
    return static_cast<int>(roundEven(*v));
}

SettingsRegistry::Owner& SettingsRegistry::Owner::key(const SettingKey& key,
                                                      const QString& defaultValue,
                                                      const Accept& accept) {
    registry_.keys_.push_back({name_, key, defaultValue, accept, false});
    return *this;
}

SettingsRegistry::Owner& SettingsRegistry::Owner::params(int first, int count) {
    for (int i = first; i < first + count; ++i)
        param(i);
    return *this;
}

SettingsRegistry::Owner& SettingsRegistry::Owner::keptAsRead(int first, int count) {
    for (int i = first; i < first + count; ++i)
        registry_.keys_.push_back({name_, SettingKey::param(i), {}, {}, true});
    return *this;
}

SettingsRegistry::Owner& SettingsRegistry::Owner::apply(LoadStep step, const SettingKey& key,
                                                        Applier applier) {
    registry_.appliers_.push_back({name_, step, key, std::move(applier)});
    return *this;
}

SettingsRegistry::Owner& SettingsRegistry::Owner::saver(Saver saver) {
    registry_.savers_.push_back(std::move(saver));
    return *this;
}

namespace {

std::vector<SettingKey> paramKeys(std::initializer_list<int> indices) {
    std::vector<SettingKey> keys;
    for (const int i : indices)
        keys.push_back(SettingKey::param(i));
    return keys;
}

std::vector<SettingKey> paramRange(int first, int count) {
    std::vector<SettingKey> keys;
    for (int i = first; i < first + count; ++i)
        keys.push_back(SettingKey::param(i));
    return keys;
}

std::vector<SettingKey> operator+(std::vector<SettingKey> a, const std::vector<SettingKey>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

const std::vector<LoadingStep>& SettingsRegistry::loadingSteps() {
    static const std::vector<LoadingStep> steps{
        // Still under "Lecture des paramètres...": 2 for each of the eight
        // recent-file keys, then 16.
        {LoadStep::RecentFiles, {}, paramKeys({0}), {{{}, 32.0f, 100}}},
        // Param0 here selects the first recent file.
        {LoadStep::Radio,
         QStringLiteral("Application des paramètres..."),
         paramKeys({0, 8, 40, 9, 10, 34, 35, 36, 41, 42, 43, 45}),
         {{{}, 15.0f, 100}}},
        {LoadStep::Style,
         QStringLiteral("Application du style..."),
         paramKeys({12, 13, 11, 14, 15}) + paramRange(16, 3) + paramRange(48, 18) + paramKeys({25}),
         {{{}, 15.0f, 100}}},
        {LoadStep::Speech,
         QStringLiteral("Réglage de la synthèse vocale..."),
         paramKeys({26, 27, 28, 30, 31, 33}),
         {{{}, 20.0f, 100}}},
        // The input devices listed, a pause, the output devices, a pause.
        {LoadStep::SoundSearch,
         QStringLiteral("Recherche des cartes son..."),
         {},
         {{{}, 0.0f, 150}, {{}, 0.0f, 150}, {{}, 18.0f, 0}}},
        {LoadStep::SoundInput,
         QStringLiteral("Sélection des cartes son..."),
         paramKeys({23}),
         {{QStringLiteral("Sélection des cartes son...\nEntrée"), 0.0f, 100}}},
        {LoadStep::SoundOutput,
         {},
         paramKeys({24}),
         {{QStringLiteral("Sélection des cartes son...\nSortie"), 0.0f, 0}}},
    };
    return steps;
}

const SettingsRegistry::KeyDecl* SettingsRegistry::find(const SettingKey& key) const {
    const auto it =
        std::find_if(keys_.begin(), keys_.end(), [&](const KeyDecl& d) { return d.key == key; });
    return it == keys_.end() ? nullptr : &*it;
}

QString SettingsRegistry::valueRead(const SettingKey& key, const QString& text,
                                    bool present) const {
    const KeyDecl* decl = find(key);
    if (!decl || decl->keptAsRead)
        return text;
    if (!present || (decl->accept && !decl->accept(text)))
        return decl->defaultValue;
    return text;
}

void SettingsRegistry::applyStep(const LoadingStep& step, const SettingsApplying& applying) const {
    for (const SettingKey& key : step.order) {
        for (const ApplierDecl& a : appliers_) {
            if (a.step == step.id && a.key == key)
                a.apply(applying);
        }
    }
    for (const ApplierDecl& a : appliers_) {
        if (a.step == step.id &&
            std::find(step.order.begin(), step.order.end(), a.key) == step.order.end())
            a.apply(applying);
    }
}

void SettingsRegistry::save() const {
    for (const Saver& s : savers_)
        s();
}

std::vector<SettingKey> SettingsRegistry::stationKeys() const {
    std::vector<SettingKey> keys;
    for (const KeyDecl& d : keys_) {
        if (d.key.kind == SettingKey::Kind::Station)
            keys.push_back(d.key);
    }
    return keys;
}

QStringList SettingsRegistry::problems() const {
    QStringList out;
    for (size_t i = 0; i < keys_.size(); ++i) {
        const KeyDecl& d = keys_[i];
        if (d.key.kind == SettingKey::Kind::Param &&
            (d.key.index < 0 || d.key.index >= Params::kCount))
            out << d.key.text() + QStringLiteral(" (") + d.owner +
                       QStringLiteral(") is not a key of the file");
        for (size_t j = 0; j < i; ++j) {
            if (keys_[j].key == d.key)
                out << d.key.text() + QStringLiteral(" is declared by ") + keys_[j].owner +
                           QStringLiteral(" and ") + d.owner;
        }
    }
    for (int i = 0; i < Params::kCount; ++i) {
        if (!find(SettingKey::param(i)))
            out << SettingKey::param(i).text() + QStringLiteral(" has no owner");
    }
    const auto& steps = loadingSteps();
    for (size_t i = 0; i < appliers_.size(); ++i) {
        const ApplierDecl& a = appliers_[i];
        const KeyDecl* decl = find(a.key);
        if (!decl || decl->owner != a.owner)
            out << a.owner + QStringLiteral(" applies ") + a.key.text() +
                       QStringLiteral(", which ") +
                       (decl ? decl->owner : QStringLiteral("nobody")) + QStringLiteral(" owns");
        else if (decl->keptAsRead)
            out << a.owner + QStringLiteral(" applies ") + a.key.text() +
                       QStringLiteral(", which it keeps as read");
        const auto step = std::find_if(steps.begin(), steps.end(),
                                       [&](const LoadingStep& s) { return s.id == a.step; });
        if (step == steps.end() ||
            std::find(step->order.begin(), step->order.end(), a.key) == step->order.end())
            out << a.key.text() + QStringLiteral(" is applied at a step that does not place it");
        for (size_t j = 0; j < i; ++j) {
            if (appliers_[j].step == a.step && appliers_[j].key == a.key)
                out << a.key.text() + QStringLiteral(" has two appliers in one step");
        }
    }
    return out;
}

} // namespace ondrix
