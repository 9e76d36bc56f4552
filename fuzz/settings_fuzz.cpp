// Fuzz target for the settings file: any bytes either are refused as a
// damaged file or load; what loaded reads as Windows read it, and survives
// being written and read again with every value intact.

#include "app/inifile.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using ondrix::IniFile;

namespace {

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "settings_fuzz: %s\n", what);
        std::abort();
    }
}

struct Snapshot {
    QStringList sections;
    QList<QStringList> keys;
    QList<QStringList> values;
};

// Keys before any section, or under "[]", have the empty section name: it is
// written first and without a header, so it moves to the front, and vanishes
// when it holds no key. No setting lives there.
Snapshot snapshot(const IniFile& ini) {
    Snapshot s;
    s.sections = ini.sections();
    if (const qsizetype i = s.sections.indexOf(QString()); i >= 0) {
        s.sections.removeAt(i);
        if (!ini.keys(QString()).isEmpty())
            s.sections.prepend(QString());
    }
    for (const QString& section : std::as_const(s.sections)) {
        const QStringList keys = ini.keys(section);
        QStringList values;
        for (const QString& key : keys)
            values.append(ini.LireCle(section, key));
        s.keys.append(keys);
        s.values.append(values);
    }
    return s;
}

void checkValue(const QString& value) {
    check(value.size() <= 254, "value longer than 254 characters");
    for (const QChar c : value)
        check(c != u'\r' && c != u'\n' && c != QChar(0), "line break or NUL in a value");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString text;
    const bool decoded = IniFile::decode(bytes, &text);

    IniFile ini{QString()};
    const bool loaded = ini.loadFromBytes(bytes);
    check(decoded == loaded, "decode and load disagree");
    if (!loaded) {
        check(ini.sections().isEmpty(), "a refused file left keys behind");
        check(ini.toBytes().isEmpty(), "a refused file writes something");
        return 0;
    }

    // A few keys read the way the program reads them.
    for (int i = 0; i < 66; i += 13)
        checkValue(ini.LireCle("Params", QString("Param%1").arg(i)));
    checkValue(ini.LireCle("informations om", "PARAMOM2"));

    // Values set from the input itself: line breaks, quotes, blanks, any length.
    ini.setValue("Params", "Param27", text.left(400));
    ini.setValue("Informations OM", "ParamOM4", text.right(40));
    ini.setValue(text.left(12).trimmed(), "Param0", text.mid(3, 30)); // ignored when not a name
    checkValue(ini.LireCle("Params", "Param27"));

    const Snapshot before = snapshot(ini);
    for (const QStringList& values : before.values) {
        for (const QString& v : values)
            checkValue(v);
    }

    const QByteArray written = ini.toBytes();
    check(!written.startsWith("\xEF\xBB\xBF"), "BOM written");
    for (qsizetype i = 0; i < written.size(); ++i) {
        if (written[i] == '\n')
            check(i > 0 && written[i - 1] == '\r', "LF without CR");
        if (written[i] == '\r')
            check(i + 1 < written.size() && written[i + 1] == '\n', "CR without LF");
    }

    // Our own output is always a settings file, holding the same keys and
    // values. A comment may move once to the entry it now precedes (one
    // written above a nameless "[]" section); from then on the file writes
    // itself back byte for byte.
    IniFile again{QString()};
    check(again.loadFromBytes(written), "written file does not load");
    const Snapshot after = snapshot(again);
    check(after.sections == before.sections, "sections changed");
    check(after.keys == before.keys, "keys changed");
    check(after.values == before.values, "values changed");
    const QByteArray rewritten = again.toBytes();
    IniFile third{QString()};
    check(third.loadFromBytes(rewritten), "rewritten file does not load");
    check(third.toBytes() == rewritten, "the written file is not stable");
    return 0;
}
