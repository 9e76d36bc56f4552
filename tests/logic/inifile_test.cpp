#include "app/inifile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ondrix;
using Status = IniFile::LoadStatus;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return f.readAll();
}

// As text, so a failure shows the file's lines.
std::string fileText(const QString& path) {
    return readAll(path).toStdString();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

bool isRoot() {
    return ::geteuid() == 0;
}

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp_.isValid()); }
    QString path() const { return tmp_.filePath("parametres.ini"); }
    QStringList dirEntries() const {
        return QDir(tmp_.path())
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    }

    QTemporaryDir tmp_;
};

} // namespace

TEST_F(IniFileTest, MissingFileReadsEmptyAndFirstSaveCreatesIt) {
    IniFile ini(path());
    EXPECT_EQ(ini.load(), Status::Missing);
    EXPECT_EQ(ini.LireCle("Params", "Param0"), "");
    EXPECT_TRUE(ini.keptAsidePath().isEmpty());

    EXPECT_TRUE(ini.EcrireCle("Params", "Param0", "C:\\son.wav"));
    IniFile again(path());
    EXPECT_EQ(again.load(), Status::Ok);
    EXPECT_EQ(again.LireCle("Params", "Param0"), "C:\\son.wav");
    EXPECT_EQ(again.LireCle("Params", "Param1"), "");
    EXPECT_EQ(again.LireCle("Autre", "Param0"), "");
}

TEST_F(IniFileTest, ValuesReadBackAsWindowsReturnedThem) {
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80"); // one character, two QChars
    struct Case {
        const char* what;
        QString written;
        QString read;
    };
    const Case cases[] = {
        {"accents", "Priorité Normale", "Priorité Normale"},
        {"outside the BMP", "Roméo " + emoji, "Roméo " + emoji},
        {"empty", "", ""},
        {"INI punctuation", "a=b;c#d[e]", "a=b;c#d[e]"},
        {"inner tab", "a\tb", "a\tb"},
        {"254 kept", QString(254, 'a'), QString(254, 'a')},
        {"cut to 254", QString(300, 'a') + "fin", QString(254, 'a')},
        {"cut never splits a pair", QString(253, 'a') + emoji, QString(253, 'a')},
        {"CR LF", "ligne 1\r\nligne 2", "ligne 1  ligne 2"},
        {"LF", "a\nb\nc", "a b c"},
        {"lone CR", "a\rb", "a b"},
        {"other control", QString("a") + QChar(1) + "b" + QChar(0) + "c", "a b c"},
        {"surrounding blanks trimmed", "  au milieu \t", "au milieu"},
        {"double quotes removed", "\"  cité  \"", "  cité  "},
        {"single quotes removed", "'cité'", "cité"},
        {"unmatched quotes kept", "\"cité'", "\"cité'"},
        {"one quote kept", "\"", "\""},
        {"inner quotes kept", "a \"b\" c", "a \"b\" c"},
    };
    IniFile ini(path());
    int i = 0;
    for (const Case& c : cases)
        ini.setValue("Params", QString("Param%1").arg(i++), c.written);
    ASSERT_TRUE(ini.save());

    // Whatever was written, the file still loads as a settings file, with
    // one line per key.
    IniFile again(path());
    ASSERT_EQ(again.load(), Status::Ok);
    i = 0;
    for (const Case& c : cases)
        EXPECT_EQ(again.LireCle("Params", QString("Param%1").arg(i++)), c.read) << c.what;
    EXPECT_EQ(readAll(path()).count("\r\n"), 1 + std::size(cases));
}

TEST_F(IniFileTest, HandWrittenLinesReadAsWindowsReadThem) {
    writeAll(path(), "ignored=before any section\r\n"
                     "[Params]\r\n"
                     "  Param0 =   spaced   \r\n"
                     "Param1=\"quoted\"\r\n"
                     "Param2=first\r\n"
                     "PARAM2=second\r\n"
                     "Param3=\r\n"
                     "Param4=a ; not a comment\r\n"
                     "; Param5=commented out\r\n"
                     "[ Informations OM ]\r\n"
                     "ParamOM0=F1ABC\n" // LF only
                     "ParamOM1=Lyon\r"  // CR only
                     "ParamOM2=Roméo\r\n");
    IniFile ini(path());
    ASSERT_EQ(ini.load(), Status::Ok);
    EXPECT_EQ(ini.LireCle("Params", "Param0"), "spaced");
    EXPECT_EQ(ini.LireCle("Params", "Param1"), "quoted");
    EXPECT_EQ(ini.LireCle("Params", "Param2"), "first"); // the first of duplicates
    EXPECT_EQ(ini.LireCle("Params", "Param3"), "");
    EXPECT_EQ(ini.LireCle("Params", "Param4"), "a ; not a comment");
    EXPECT_EQ(ini.LireCle("Params", "Param5"), "");
    EXPECT_EQ(ini.LireCle("Informations OM", "ParamOM0"), "F1ABC");
    EXPECT_EQ(ini.LireCle("Informations OM", "ParamOM1"), "Lyon");
    EXPECT_EQ(ini.LireCle("Informations OM", "ParamOM2"), "Roméo");

    // Writing a duplicated key replaces it where the first one stood.
    ini.setValue("Params", "Param2", "new");
    EXPECT_EQ(ini.LireCle("Params", "Param2"), "new");
    const QByteArray bytes = ini.toBytes();
    EXPECT_TRUE(bytes.contains("Param1=\"quoted\"\r\nParam2=new\r\nParam3=\r\n")) << bytes.data();
    EXPECT_FALSE(bytes.contains("second"));
}

TEST_F(IniFileTest, NamesAreCaseInsensitiveAndKeepTheirSpelling) {
    writeAll(path(), "[Params]\r\nParam1=a\r\n");
    IniFile ini(path());
    ASSERT_EQ(ini.load(), Status::Ok);
    EXPECT_EQ(ini.LireCle("PARAMS", "param1"), "a");
    EXPECT_EQ(ini.LireCle("params", "PARAM1"), "a");

    ini.setValue("params", "PARAM1", "b");
    EXPECT_EQ(ini.LireCle("Params", "Param1"), "b");
    EXPECT_EQ(ini.toBytes(), "[Params]\r\nParam1=b\r\n");
}

TEST_F(IniFileTest, FirstWriteHasEveryKeyInAscendingOrder) {
    IniFile ini(path());
    ASSERT_EQ(ini.load(), Status::Missing);
    QByteArray expected = "[Params]\r\n";
    for (int i = 0; i < 66; ++i) {
        ini.setValue("Params", QString("Param%1").arg(i), QString::number(i * 10));
        expected += QString("Param%1=%2\r\n").arg(i).arg(i * 10).toUtf8();
    }
    expected += "\r\n[Informations OM]\r\n";
    for (int i = 0; i < 5; ++i) {
        ini.setValue("Informations OM", QString("ParamOM%1").arg(i), "");
        expected += QString("ParamOM%1=\r\n").arg(i).toUtf8();
    }
    ASSERT_TRUE(ini.save());
    // UTF-8 without BOM, "key=value", CR LF: the format, byte for byte.
    EXPECT_EQ(fileText(path()), expected.toStdString());
}

TEST_F(IniFileTest, WhatTheProgramDoesNotKnowSurvivesASave) {
    writeAll(path(), "; Réglages de la balise\r\n"
                     "\r\n"
                     "[Params]\r\n"
                     "Param0=a.wav\r\n"
                     "; ajouté à la main\r\n"
                     "MaCle=à garder\r\n"
                     "\r\n"
                     "[Touches Raccourcis]\r\n"
                     "Racc0=65\r\n"
                     "Racc1=\r\n"
                     "\r\n"
                     "; fin du fichier\r\n");
    IniFile ini(path());
    ASSERT_EQ(ini.load(), Status::Ok);
    ini.setValue("Params", "Param0", "b.wav");
    ini.setValue("Params", "Param1", "nouveau");
    ini.setValue("Informations OM", "ParamOM0", "F1ABC");
    ASSERT_TRUE(ini.save());

    // Known keys change in place, a new key follows its section's last one, a
    // new section comes last; everything else is kept, comments included.
    EXPECT_EQ(fileText(path()), "; Réglages de la balise\r\n"
                                "\r\n"
                                "[Params]\r\n"
                                "Param0=b.wav\r\n"
                                "\r\n"
                                "; ajouté à la main\r\n"
                                "MaCle=à garder\r\n"
                                "Param1=nouveau\r\n"
                                "\r\n"
                                "[Touches Raccourcis]\r\n"
                                "Racc0=65\r\n"
                                "Racc1=\r\n"
                                "\r\n"
                                "[Informations OM]\r\n"
                                "ParamOM0=F1ABC\r\n"
                                "\r\n"
                                "; fin du fichier\r\n");
    EXPECT_EQ(ini.sections(), QStringList({"Params", "Touches Raccourcis", "Informations OM"}));
    EXPECT_EQ(ini.keys("touches raccourcis"), QStringList({"Racc0", "Racc1"}));
}

TEST_F(IniFileTest, NamesThatCouldNotBeReadBackAreIgnored) {
    IniFile ini(path());
    const QString bad[][2] = {
        {"", "k"},        {"Params", ""},    {"Par]ams", "k"},  {"Params", "k=v"},
        {"Params", "[k"}, {"Params", ";k"},  {"Params", "#k"},  {" Params", "k"},
        {"Params", "k "}, {"Par\nams", "k"}, {"Params", "k\r"},
    };
    for (const auto& names : bad)
        ini.setValue(names[0], names[1], "v");
    EXPECT_EQ(ini.toBytes(), "");
}

TEST_F(IniFileTest, WindowsFilesAreDecoded) {
    writeAll(path(), "[Params]\r\nParam33=Priorit\xe9 Normale\r\n"
                     "[Informations OM]\r\nParamOM2=Rom\xe9o\r\n");
    IniFile ini(path());
    ASSERT_EQ(ini.load(), Status::Ok);
    EXPECT_EQ(ini.LireCle("Params", "Param33"), "Priorité Normale");
    EXPECT_EQ(ini.LireCle("Informations OM", "ParamOM2"), "Roméo");
    // Written back as UTF-8.
    ASSERT_TRUE(ini.save());
    EXPECT_TRUE(readAll(path()).contains("ParamOM2=Rom\xc3\xa9o\r\n"));

    struct Case {
        const char* what;
        QByteArray bytes;
        QString text;
    };
    const Case cases[] = {
        {"UTF-8", "k=Rom\xc3\xa9o \xe2\x82\xac", "k=Roméo €"},
        {"UTF-8 with BOM", "\xef\xbb\xbfk=\xc3\xa9", "k=é"},
        {"BOM twice", "\xef\xbb\xbf\xef\xbb\xbf; c\nk=\xc3\xa9", "; c\nk=é"},
        {"Windows-1252", "k=\x80\x85\x9c\xff", "k=€…œÿ"},
        {"truncated UTF-8 is Windows-1252", "k=\xc3", "k=Ã"},
        {"overlong UTF-8 is Windows-1252", "k=\xc0\xaf", "k=À¯"},
        {"UTF-8 surrogate is Windows-1252", "k=\xed\xa0\x80", "k=í\u00a0€"},
        {"UTF-16LE with BOM", QByteArray("\xff\xfek\0=\0\xe9\0", 8), "k=é"},
        {"UTF-16BE with BOM", QByteArray("\xfe\xff\0k\0=\0\xe9", 8), "k=é"},
    };
    for (const Case& c : cases) {
        QString text;
        EXPECT_TRUE(IniFile::decode(c.bytes, &text)) << c.what;
        EXPECT_EQ(text, c.text) << c.what;
    }
}

TEST(IniFileDecode, Cp1252TableMatchesTheSystemCodec) {
    QStringDecoder system("windows-1252");
    if (!system.isValid())
        GTEST_SKIP() << "Qt without ICU: no windows-1252 codec to compare with";
    for (int b = 0x80; b <= 0xFF; ++b) {
        // Two bytes that are not UTF-8 together, so the fallback is taken.
        const QByteArray bytes = QByteArray("k=") + char(b) + char(0xFF);
        QString ours;
        ASSERT_TRUE(IniFile::decode(bytes, &ours)) << b;
        EXPECT_EQ(ours, system.decode(bytes)) << "byte " << b;
    }
}

TEST_F(IniFileTest, DamagedFileIsKeptAsideUnderAFreeName) {
    const QByteArray big = QByteArray("k=v\r\n").repeated(1024 * 1024 / 5 + 1);
    struct Case {
        const char* what;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"NUL byte", QByteArray("[Params]\r\nParam0=a\0b\r\n", 21)},
        {"binary", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)},
        {"control character", "[Params]\r\nParam0=a\x01\r\n"},
        {"text that is no setting", "[Params]\r\nParam0=a\r\nCher journal,\r\n"},
        {"section without bracket", "[Params\r\nParam0=a\r\n"},
        {"section without bracket, with =", "[Params=\r\nParam0=a\r\n"},
        {"UTF-16 cut in half", QByteArray("\xff\xfek\0=\0\xe9", 7)},
        {"larger than 1 MiB", big},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeAll(path(), c.bytes);
        IniFile ini(path());
        EXPECT_EQ(ini.load(), Status::Corrupt);
        EXPECT_EQ(ini.keptAsidePath(), path() + ".bad");
        EXPECT_EQ(readAll(path() + ".bad"), c.bytes);
        EXPECT_FALSE(QFileInfo::exists(path()));
        EXPECT_EQ(ini.LireCle("Params", "Param0"), "");

        // Saving starts a fresh file.
        ini.setValue("Params", "Param0", "neuf");
        ASSERT_TRUE(ini.save());
        IniFile fresh(path());
        EXPECT_EQ(fresh.load(), Status::Ok);
        EXPECT_EQ(fresh.LireCle("Params", "Param0"), "neuf");
        ASSERT_TRUE(QFile::remove(path() + ".bad"));
    }

    // Earlier kept files are never overwritten.
    writeAll(path() + ".bad", "first");
    writeAll(path() + ".bad.1", "second");
    writeAll(path(), QByteArray("\0", 1));
    IniFile ini(path());
    EXPECT_EQ(ini.load(), Status::Corrupt);
    EXPECT_EQ(ini.keptAsidePath(), path() + ".bad.2");
    EXPECT_EQ(readAll(path() + ".bad"), "first");
    EXPECT_EQ(readAll(path() + ".bad.1"), "second");
    EXPECT_EQ(readAll(path() + ".bad.2"), QByteArray("\0", 1));
}

TEST_F(IniFileTest, UnusualButValidFilesLoad) {
    const QByteArray cases[] = {
        "",
        "\r\n\r\n   \t\r\n",
        "; only a comment\r\n",
        "[Params]",
        "[Params] trailing words\r\nParam0=a",
        "[Params]\r\n=no key\r\nParam0=a\r\n",
        "# hash comment\n[Params]\n\tParam0\t=\ta\t\n",
    };
    for (const QByteArray& bytes : cases) {
        writeAll(path(), bytes);
        IniFile ini(path());
        EXPECT_EQ(ini.load(), Status::Ok) << bytes.data();
        EXPECT_TRUE(QFileInfo::exists(path()));
        // Whatever was read saves and reads again the same.
        IniFile copy(path());
        ASSERT_TRUE(copy.loadFromBytes(ini.toBytes())) << ini.toBytes().toStdString();
        EXPECT_EQ(copy.LireCle("Params", "Param0"), ini.LireCle("Params", "Param0"));
        EXPECT_EQ(copy.toBytes(), ini.toBytes());
    }
}

TEST_F(IniFileTest, UnreadableFileIsNeverReplaced) {
    // A folder in the file's place: unreadable even for root.
    ASSERT_TRUE(QDir().mkdir(path()));
    IniFile dir(path());
    EXPECT_EQ(dir.load(), Status::Unreadable);
    EXPECT_FALSE(dir.EcrireCle("Params", "Param0", "x"));
    ASSERT_TRUE(QDir().rmdir(path()));

    if (isRoot())
        GTEST_SKIP() << "root reads a mode 000 file anyway";
    const QByteArray original = "[Params]\r\nParam0=garder\r\n";
    writeAll(path(), original);
    ASSERT_TRUE(QFile::setPermissions(path(), {}));
    IniFile ini(path());
    EXPECT_EQ(ini.load(), Status::Unreadable);
    EXPECT_EQ(ini.LireCle("Params", "Param0"), "");
    EXPECT_FALSE(ini.EcrireCle("Params", "Param0", "défaut"));
    ASSERT_TRUE(QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner));
    EXPECT_EQ(readAll(path()), original);
}

TEST_F(IniFileTest, DamagedFileThatCannotBeMovedIsLeftAlone) {
    if (isRoot())
        GTEST_SKIP() << "root writes into a read-only folder anyway";
    writeAll(path(), QByteArray("\0\0", 2));
    const auto dirPerms = QFile::permissions(tmp_.path());
    ASSERT_TRUE(QFile::setPermissions(tmp_.path(), QFile::ReadOwner | QFile::ExeOwner));
    IniFile ini(path());
    const Status status = ini.load();
    const bool saved = ini.save();
    QFile::setPermissions(tmp_.path(), dirPerms);
    EXPECT_EQ(status, Status::Unreadable);
    EXPECT_FALSE(saved);
    EXPECT_EQ(readAll(path()), QByteArray("\0\0", 2));
}

TEST_F(IniFileTest, FailedSaveLeavesTheOldFile) {
    const QByteArray original = "[Params]\r\nParam0=ancien\r\n";
    writeAll(path(), original);
    IniFile ini(path());
    ASSERT_EQ(ini.load(), Status::Ok);
    ini.setValue("Params", "Param0", QString(200, 'n'));
    for (int i = 1; i < 66; ++i)
        ini.setValue("Params", QString("Param%1").arg(i), QString(200, 'n'));

    // A full disk, as seen by the writer: writes past the size limit fail.
    {
        rlimit old{};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = 4096;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool saved = ini.save();
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        EXPECT_FALSE(saved);
    }
    EXPECT_EQ(readAll(path()), original);
    EXPECT_EQ(dirEntries(), QStringList({"parametres.ini"})); // no half-written file left

    // A read-only folder.
    if (!isRoot()) {
        const auto dirPerms = QFile::permissions(tmp_.path());
        ASSERT_TRUE(QFile::setPermissions(tmp_.path(), QFile::ReadOwner | QFile::ExeOwner));
        const bool saved = ini.save();
        QFile::setPermissions(tmp_.path(), dirPerms);
        EXPECT_FALSE(saved);
        EXPECT_EQ(readAll(path()), original);
    }

    // The values are still held, and written once the cause is gone.
    ASSERT_TRUE(ini.save());
    IniFile again(path());
    ASSERT_EQ(again.load(), Status::Ok);
    EXPECT_EQ(again.LireCle("Params", "Param65"), QString(200, 'n'));
}

TEST_F(IniFileTest, SaveKeepsTheOperatorsPermissionsAndLink) {
    const QString target = tmp_.filePath("ailleurs.ini");
    writeAll(target, "[Params]\r\nParam0=a\r\n");
    ASSERT_TRUE(
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    ASSERT_TRUE(QFile::link(target, path()));
    IniFile ini(path());
    ASSERT_EQ(ini.load(), Status::Ok);
    ASSERT_TRUE(ini.EcrireCle("Params", "Param0", "b"));
    EXPECT_TRUE(QFileInfo(path()).isSymLink());
    EXPECT_EQ(readAll(target), "[Params]\r\nParam0=b\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(IniFileTest, PeekChangesNothingOnDisk) {
    writeAll(path(), "[Params]\r\nParam14=1\r\n");
    EXPECT_EQ(IniFile::peek(path(), "Params", "Param14"), "1");
    EXPECT_EQ(IniFile::peek(tmp_.filePath("absent.ini"), "Params", "Param14"), "");
    writeAll(path(), QByteArray("\0", 1));
    EXPECT_EQ(IniFile::peek(path(), "Params", "Param14"), "");
    EXPECT_EQ(dirEntries(), QStringList({"parametres.ini"})); // not moved aside
}
