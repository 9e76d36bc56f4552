#include "message/operatorinfo.h"
#include "message/tags.h"
#include "message/voices.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

using namespace ondrix;
using namespace ondrix::test;

TEST(TrouvRemp, Table) {
    struct Case {
        const char* in;
        const char* find;
        const char* repl;
        const char* out;
    };
    const Case cases[] = {
        {"", "[QTH]", "x", ""},
        {"Ici [QTH] et [QTH]", "[QTH]", "JN18", "Ici JN18 et JN18"},
        // The replacement holds the searched text: not replaced again, no loop.
        {"a[QTH]b", "[QTH]", "[QTH][QTH]", "a[QTH][QTH]b"},
        // Overlapping occurrences: left to right, the next search after the insert.
        {"aaaa", "aa", "b", "bb"},
        {"aaa", "aa", "a", "aa"},
        {"[qth]", "[QTH]", "x", "[qth]"},
        {"abc", "", "x", "abc"},
    };
    for (const Case& c : cases) {
        QString dans = QString::fromUtf8(c.in);
        const QString r = TrouvRemp(dans, QString::fromUtf8(c.find), QString::fromUtf8(c.repl));
        EXPECT_EQ(r, QString::fromUtf8(c.out)) << c.in;
        EXPECT_EQ(dans, r);
    }
}

TEST(Tags, ValuesAtSpeakingTime) {
    FakeClock clock;
    clock.t = QDateTime(QDate(2026, 12, 4), QTime(14, 5, 9));
    Params params;
    OperatorInfo::setDefaults(params);
    params.setOM(0, "Jean");
    params.setOM(1, "F4ABC");
    params.setOM(2, "jn18du");
    params.setOM(3, "F1ZXY");
    params.setOM(4, ".Juliette..November.18.Delta..Uniform.");
    EXPECT_EQ(replaceTags("Ici [Indicatif Ondrix], il est [Heure:Minute], le [Date]. "
                          "Opérateur [Nom OM/YL] [Indicatif OM/YL], QTH [QTH] [QTH]",
                          clock, params),
              "Ici F1ZXY, il est 14H5, le 4122026. Opérateur Jean F4ABC, QTH "
              ".Juliette..November.18.Delta..Uniform. .Juliette..November.18.Delta..Uniform.");
    EXPECT_EQ(replaceTags("Sans balise", clock, params), "Sans balise");
    // Tags in another case are spoken as they stand.
    EXPECT_EQ(replaceTags("[heure:minute] [DATE]", clock, params), "[heure:minute] [DATE]");
    // A value holding its own tag is not replaced again.
    params.setOM(4, "[QTH] [QTH]");
    EXPECT_EQ(replaceTags("[QTH]", clock, params), "[QTH] [QTH]");
    clock.t = QDateTime(QDate(2027, 1, 31), QTime(0, 0));
    EXPECT_EQ(replaceTags("[Heure:Minute] [Date]", clock, params), "0H0 3112027");
}

TEST(Tags, TrouverCrochet) {
    const QString t = "Le [Date] et [QTH]";
    //                 0123456789012345678
    struct Case {
        int caret;
        std::optional<std::pair<int, int>> sel;
    };
    const Case cases[] = {
        {0, std::nullopt},           // at the start
        {2, std::nullopt},           // before any "["
        {3, std::nullopt},           // just before "[": not inside
        {4, std::make_pair(3, 6)},   // inside [Date]
        {9, std::make_pair(3, 6)},   // at the "]"
        {10, std::nullopt},          // after the tag
        {18, std::make_pair(13, 5)}, // at the end, on "]" of [QTH]
        {99, std::nullopt},          // beyond the text
    };
    for (const Case& c : cases)
        EXPECT_EQ(TrouverCrochet(t, c.caret), c.sel) << c.caret;
    EXPECT_EQ(TrouverCrochet("a [sans fin", 5), std::nullopt);
}

TEST(OperatorInfo, QthSpelling) {
    struct Case {
        const char* typed;
        const char* spelled;
    };
    const Case cases[] = {
        {"jn18du", ".Juliette..November.18.Delta..Uniform."},
        {"JN18du", "18.Delta..Uniform."},
        {"fr z", ".Fox Trot..Roméo..Zoulou."},
        {"w-x", ".Wiskey..X-ray."},
    };
    for (const Case& c : cases) {
        Params params;
        OperatorInfo::setDefaults(params);
        OperatorInfo op(params);
        op.click(2); // a click empties the QTH and its spelling
        for (const QChar ch : QString::fromUtf8(c.typed)) {
            op.keyPress(2, ch);
            params.setOM(2, params.getOM(2) + ch); // the character joins the field
        }
        EXPECT_EQ(params.getOM(4), QString::fromUtf8(c.spelled)) << c.typed;
    }

    Params params;
    OperatorInfo op(params);
    params.setOM(2, "jn1");
    params.setOM(4, ".Juliette..November.1");
    op.keyPress(2, QChar(8)); // backspace empties both
    EXPECT_TRUE(params.getOM(2).isEmpty());
    EXPECT_TRUE(params.getOM(4).isEmpty());
    // Typing in another field spells nothing; a click there empties the QTH.
    params.setOM(2, "jn");
    params.setOM(4, ".Juliette..November.");
    op.keyPress(0, 'a');
    EXPECT_EQ(params.getOM(4), ".Juliette..November.");
    op.click(0);
    EXPECT_TRUE(params.getOM(2).isEmpty() && params.getOM(4).isEmpty());
}

TEST(Voices, Lines) {
    struct Case {
        const char* name;
        int gender;
        int lang;
        const char* line;
    };
    const Case cases[] = {
        {"Alice", 1, 1036, "Alice\t\tFemme\tFrançais"},
        {"Christine", 1, 1033, "Christine\tFemme\tAnglais"},
        {"Longer name", 2, 1031, "Longer name\tHomme\tAllemand"},
        {"Bob", 0, 9999, "Bob\t\tHomme\tAutre langue"},
        {"", 1, 1036, "Voix invalide"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VoiceCatalogue::voiceLine(QString::fromUtf8(c.name), c.gender, c.lang),
                  QString::fromUtf8(c.line));
}
