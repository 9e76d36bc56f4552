#pragma once

#include "core/params.h"
#include "state/viewtypes.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace ondrix {

// A key of the settings file: Param<index> of section [Params], or a key of
// section [Station], where the settings the Windows version does not know
// live.
struct SettingKey {
    enum class Kind { Param, Station };
    Kind kind = Kind::Param;
    int index = -1;
    QString name;

    static SettingKey param(int index) { return {Kind::Param, index, {}}; }
    static SettingKey station(const QString& name) { return {Kind::Station, -1, name}; }
    // "Param8", "[Station] EntreeAudio": for the consistency report.
    QString text() const;
    // Station names compare case-insensitively, as the file's keys do.
    bool operator==(const SettingKey& other) const;
};

// The steps of LireINI that apply values, in the order they run. Reading the
// file comes before them and the operator details after.
enum class LoadStep { RecentFiles, Radio, Style, Speech, SoundSearch, SoundInput, SoundOutput };

// What the loading panel shows once a step's values are applied: a caption
// (empty keeps the one shown), then an advance of the bar, then a pause.
struct LoadingBeat {
    QString caption;
    float advance = 0.0f;
    int pauseMs = 0;
};

struct LoadingStep {
    LoadStep id;
    // Shown before the step's values are applied; empty keeps the last one.
    QString caption;
    // The keys the step applies, in the order it applies them: the order is
    // the step's, not that of the features' declarations.
    std::vector<SettingKey> order;
    std::vector<LoadingBeat> after;
};

// What an applier is given: the values as read, and the report of each
// control reaction it runs.
class SettingsApplying {
public:
    SettingsApplying(const Params& read, std::function<void(const QString&)> onReaction)
        : read_(read), onReaction_(std::move(onReaction)) {}

    // The value read from the file (or the key's default): a reaction run
    // earlier in the load may have stored another one since, and the
    // operator's saved choice must still win.
    QString param(int index) const { return read_.get(index); }
    QString station(const QString& key) const { return read_.station.value(key); }

    // Said just before `control`'s own reaction runs.
    void react(const char* control) const;
    // A list set to the entry `text` names; an empty or unknown text leaves
    // it on its first entry. The reaction runs when the selection changes.
    void combo(const ComboState& combo, const QString& text, const char* control,
               const std::function<void(int)>& reaction) const;
    // A slider set to `text`; a value it cannot take is skipped and the slider
    // keeps its own. The reaction runs when the value changes.
    void slider(const SliderState& slider, const QString& text, const char* control,
                const std::function<void(int)>& reaction) const;

    // A whole number as the settings hold it (rounded half to even), or none
    // when the text is no number or out of range.
    static std::optional<int> integer(const QString& text);

private:
    const Params& read_;
    std::function<void(const QString&)> onReaction_;
};

// Every key of the settings file with the feature that owns it, its default,
// the load step that applies it and what copies it back before a write. Each
// feature declares its own (Beacon::declareSettings, ...); the settings walk
// the steps and run what was declared.
class SettingsRegistry {
public:
    using Applier = std::function<void(const SettingsApplying&)>;
    // Whether a value found in the file is one the feature can use; a refused
    // one reads as the default. None: any text is kept as read.
    using Accept = std::function<bool(const QString&)>;
    using Saver = std::function<void()>;

    struct KeyDecl {
        QString owner;
        SettingKey key;
        QString defaultValue;
        Accept accept;
        // Owned by a feature still to come: read and written back unchanged.
        bool keptAsRead = false;
    };
    struct ApplierDecl {
        QString owner;
        LoadStep step;
        SettingKey key;
        Applier apply;
    };

    // How a feature declares its keys, appliers and savers.
    class Owner {
    public:
        // A key with the value it reads as when absent (for a Param key: when
        // empty, which is how the Windows calls read a missing key) or refused.
        Owner& key(const SettingKey& key, const QString& defaultValue = {},
                   const Accept& accept = {});
        Owner& param(int index, const QString& defaultValue = {}) {
            return key(SettingKey::param(index), defaultValue);
        }
        // Param<first> to Param<first + count - 1>, empty by default.
        Owner& params(int first, int count);
        // Keys whose feature is not built yet: kept as read so they survive.
        Owner& keptAsRead(int first, int count = 1);
        // Runs at `step`, where the step's order places `key`.
        Owner& apply(LoadStep step, const SettingKey& key, Applier applier);
        Owner& apply(LoadStep step, int paramIndex, Applier applier) {
            return apply(step, SettingKey::param(paramIndex), std::move(applier));
        }
        // Copies the feature's state into the settings before a write.
        Owner& saver(Saver saver);

    private:
        friend class SettingsRegistry;
        Owner(SettingsRegistry& registry, QString name)
            : registry_(registry), name_(std::move(name)) {}
        SettingsRegistry& registry_;
        QString name_;
    };

    Owner owner(const QString& name) { return Owner(*this, name); }

    // The applying steps of LireINI, their captions, progress and pauses.
    static const std::vector<LoadingStep>& loadingSteps();

    // The value a key holds once read: `text` when found (`present`) and
    // accepted, else the declared default. An undeclared key keeps its text.
    QString valueRead(const SettingKey& key, const QString& text, bool present) const;
    // Runs the step's appliers in the step's order. One for a key the step
    // does not place still runs, last (problems() says so).
    void applyStep(const LoadingStep& step, const SettingsApplying& applying) const;
    // Every saver, in the order the features were declared.
    void save() const;

    const std::vector<KeyDecl>& keys() const { return keys_; }
    const std::vector<ApplierDecl>& appliers() const { return appliers_; }
    std::vector<SettingKey> stationKeys() const;
    const KeyDecl* find(const SettingKey& key) const;

    // What is wrong with the declarations, one line each: a key declared
    // twice, a Param key nobody owns, an applier for a key its feature does
    // not own or its step does not place, two appliers in one place.
    QStringList problems() const;

private:
    std::vector<KeyDecl> keys_;
    std::vector<ApplierDecl> appliers_;
    std::vector<Saver> savers_;
};

} // namespace ondrix
