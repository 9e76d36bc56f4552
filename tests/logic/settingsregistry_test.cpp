// The settings registry: every key owned once, appliers run where their
// step's order places them, and what a value read becomes.

#include "core/settingsregistry.h"
#include "support/fakeservices.h"

#include <gtest/gtest.h>

using namespace ondrix;
using namespace ondrix::test;

namespace {

bool isInteger(const QString& text) {
    return SettingsApplying::integer(text).has_value();
}

// Every Param key owned by "all" except those in `left`.
void declareAllBut(SettingsRegistry& r, std::initializer_list<int> left) {
    auto all = r.owner(QStringLiteral("all"));
    for (int i = 0; i < Params::kCount; ++i) {
        if (std::find(left.begin(), left.end(), i) == left.end())
            all.param(i);
    }
}

} // namespace

TEST(SettingsRegistry, TheProgramsDeclarationsOwnEveryKeyOnceAndPlaceEveryApplier) {
    FakeServices fakes;
    MainPresenter p(fakes.services());
    EXPECT_EQ(p.settings().registry().problems().join('\n').toStdString(), "");
}

TEST(SettingsRegistry, ProblemsNameEachFaultyDeclaration) {
    struct Case {
        const char* what;
        std::function<void(SettingsRegistry&)> declare;
        QString problem;
    };
    const auto noop = [](const SettingsApplying&) {};
    const std::vector<Case> cases{
        {"a key declared twice",
         [](SettingsRegistry& r) {
             declareAllBut(r, {});
             r.owner("radio").param(8);
         },
         "Param8 is declared by all and radio"},
        {"a key nobody declares", [](SettingsRegistry& r) { declareAllBut(r, {19}); },
         "Param19 has no owner"},
        {"a key outside the file",
         [](SettingsRegistry& r) {
             declareAllBut(r, {});
             r.owner("late").param(66);
         },
         "Param66 (late) is not a key of the file"},
        {"an applier for another feature's key",
         [noop](SettingsRegistry& r) {
             declareAllBut(r, {});
             r.owner("radio").apply(LoadStep::Radio, 8, noop);
         },
         "radio applies Param8, which all owns"},
        {"an applier for an undeclared [Station] key",
         [noop](SettingsRegistry& r) {
             declareAllBut(r, {});
             r.owner("audio").apply(LoadStep::SoundInput, SettingKey::station("EntreeAudio"), noop);
         },
         "audio applies [Station] EntreeAudio, which nobody owns\n"
         "[Station] EntreeAudio is applied at a step that does not place it"},
        {"an applier for a key kept as read",
         [noop](SettingsRegistry& r) {
             declareAllBut(r, {36});
             r.owner("recorder").keptAsRead(36).apply(LoadStep::Radio, 36, noop);
         },
         "recorder applies Param36, which it keeps as read"},
        {"an applier at a step that does not place its key",
         [noop](SettingsRegistry& r) {
             declareAllBut(r, {});
             r.owner("all").apply(LoadStep::Speech, 8, noop);
         },
         "Param8 is applied at a step that does not place it"},
        {"two appliers in one place",
         [noop](SettingsRegistry& r) {
             declareAllBut(r, {});
             r.owner("all").apply(LoadStep::Radio, 8, noop).apply(LoadStep::Radio, 8, noop);
         },
         "Param8 has two appliers in one step"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SettingsRegistry r;
        c.declare(r);
        EXPECT_EQ(r.problems().join('\n').toStdString(), c.problem.toStdString());
    }
    SettingsRegistry clean;
    declareAllBut(clean, {});
    clean.owner("audio").key(SettingKey::station("EntreeAudio"));
    EXPECT_TRUE(clean.problems().isEmpty());
}

TEST(SettingsRegistry, AppliersRunInTheirStepsOrderWhateverTheDeclarationOrder) {
    SettingsRegistry r;
    QStringList ran;
    const auto record = [&ran](const QString& name) {
        return [&ran, name](const SettingsApplying&) { ran << name; };
    };
    // Declared by two owners, each in the reverse of the step's order.
    r.owner("b")
        .params(40, 6)
        .apply(LoadStep::Radio, 45, record("45"))
        .apply(LoadStep::Radio, 40, record("40"));
    r.owner("a")
        .params(0, 13)
        .apply(LoadStep::Radio, 12, record("12 unplaced"))
        .apply(LoadStep::Radio, 9, record("9"))
        .apply(LoadStep::Radio, 8, record("8"))
        .apply(LoadStep::Style, 12, record("12 at its own step"))
        .apply(LoadStep::Radio, 0, record("0"));
    const Params read;
    for (const LoadingStep& step : SettingsRegistry::loadingSteps()) {
        if (step.id == LoadStep::Radio)
            r.applyStep(step, SettingsApplying(read, {}));
    }
    EXPECT_EQ(ran.join(", ").toStdString(), "0, 8, 40, 9, 45, 12 unplaced");
}

TEST(SettingsRegistry, AValueReadIsKeptOrGivesWayToTheDefault) {
    SettingsRegistry r;
    r.owner("radio").param(Params::kPortsToScan, "32").param(Params::kPTTLine);
    r.owner("recorder").keptAsRead(36);
    r.owner("audio")
        .key(SettingKey::station("Niveau"), "7", isInteger)
        .key(SettingKey::station("EntreeAudio"), "défaut");
    struct Case {
        const char* what;
        SettingKey key;
        QString text;
        bool present;
        QString value;
    };
    const std::vector<Case> cases{
        {"Param missing: its default", SettingKey::param(42), "", false, "32"},
        {"Param found", SettingKey::param(42), "8", true, "8"},
        {"Param with no default stays empty", SettingKey::param(8), "", false, ""},
        {"Param kept as read", SettingKey::param(36), "-30", true, "-30"},
        {"Param nobody declares keeps its text", SettingKey::param(19), "x", true, "x"},
        {"[Station] missing: its default", SettingKey::station("Niveau"), "", false, "7"},
        {"[Station] found", SettingKey::station("Niveau"), "12", true, "12"},
        {"[Station] name in another case", SettingKey::station("niveau"), "12", true, "12"},
        {"[Station] refused: its default", SettingKey::station("Niveau"), "douze", true, "7"},
        {"[Station] empty and refused", SettingKey::station("Niveau"), "", true, "7"},
        {"[Station] any text kept", SettingKey::station("EntreeAudio"), "Carte USB (2) ; é", true,
         "Carte USB (2) ; é"},
        {"[Station] empty on purpose", SettingKey::station("EntreeAudio"), "", true, ""},
        {"[Station] missing text key", SettingKey::station("EntreeAudio"), "", false, "défaut"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(r.valueRead(c.key, c.text, c.present).toStdString(), c.value.toStdString());
    }
}
