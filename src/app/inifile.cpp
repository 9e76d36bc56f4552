#include "app/inifile.h"

#include "app/simpleini_wrap.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace ondrix {

namespace {

// A settings file is a few KB; anything this big is not one.
constexpr qsizetype kMaxFileSize = 1024 * 1024;
// GetPrivateProfileString filled a 255-character buffer, its last one the NUL.
constexpr qsizetype kMaxValueLength = 254;

// Windows-1252 bytes 0x80 to 0x9F. The five the code page leaves undefined
// map to the C1 control of the same number, as Windows itself decodes them.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool isControl(char16_t c) {
    return (c < 0x20 && c != u'\t' && c != u'\r' && c != u'\n') || c == 0x7F;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isContinuation(unsigned char c) {
    return c >= 0x80 && c <= 0xBF;
}

// Strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool isValidUtf8(const char* p, qsizetype n) {
    const auto* s = reinterpret_cast<const unsigned char*>(p);
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        qsizetype len = 0;
        unsigned char lo = 0x80;
        unsigned char hi = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            if (c == 0xE0)
                lo = 0xA0;
            else if (c == 0xED)
                hi = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            if (c == 0xF0)
                lo = 0x90;
            else if (c == 0xF4)
                hi = 0x8F;
        } else {
            return false;
        }
        if (n - i < len || s[i + 1] < lo || s[i + 1] > hi)
            return false;
        for (qsizetype k = 2; k < len; ++k) {
            if (!isContinuation(s[i + k]))
                return false;
        }
        i += len;
    }
    return true;
}

QString fromCp1252(const char* p, qsizetype n) {
    QString text(n, Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(p[i]);
        out[i] = (b >= 0x80 && b <= 0x9F) ? QChar(kCp1252High[b - 0x80]) : QChar(b);
    }
    return text;
}

QStringView trimBlanks(QStringView s) {
    while (!s.isEmpty() && (s.front() == u' ' || s.front() == u'\t'))
        s = s.mid(1);
    while (!s.isEmpty() && (s.back() == u' ' || s.back() == u'\t'))
        s.chop(1);
    return s;
}

// What the parser accepts: blank, a comment, a section header or a key line.
bool isSettingsLine(QStringView line) {
    line = trimBlanks(line);
    if (line.isEmpty())
        return true;
    const QChar first = line.front();
    if (first == u';' || first == u'#')
        return true;
    // A section header needs its "]", even with an "=" in it: SimpleIni would
    // put the keys that follow in a section named after several lines.
    if (first == u'[')
        return line.contains(u']');
    return line.contains(u'=');
}

// Byte ranges of the lines, split as SimpleIni splits them: CR LF, LF or a
// lone CR.
struct Line {
    qsizetype begin;
    qsizetype end;
};

QList<Line> splitLines(const QByteArray& text) {
    QList<Line> lines;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        qsizetype e = i;
        while (e < n && text[e] != '\n' && text[e] != '\r')
            ++e;
        lines.append({i, e});
        if (e < n && text[e] == '\r' && e + 1 < n && text[e + 1] == '\n')
            ++e;
        i = e + 1;
    }
    return lines;
}

// The kind of a line, as SimpleIni reads it.
enum class LineKind { Blank, Comment, Entry };

LineKind lineKind(const QByteArray& text, Line line) {
    qsizetype i = line.begin;
    while (i < line.end && isBlank(text[i]))
        ++i;
    if (i == line.end)
        return LineKind::Blank;
    return (text[i] == ';' || text[i] == '#') ? LineKind::Comment : LineKind::Entry;
}

bool isValidName(const QString& name, bool section) {
    if (name.isEmpty() || trimBlanks(name).size() != name.size())
        return false;
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    }
    if (section)
        return !name.contains(u']');
    const QChar first = name.front();
    return !name.contains(u'=') && first != u'[' && first != u';' && first != u'#';
}

// Fsync of the folder, so that the rename itself survives a power cut.
void syncDirectory(const QString& file) {
    const QByteArray dir = QFile::encodeName(QFileInfo(file).absolutePath());
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

enum class ReadResult { Missing, Ok, Unreadable };

// At most one byte more than the size cap, so an oversized file is seen as
// such without being read whole.
ReadResult readFile(const QString& path, QByteArray* bytes) {
    if (path.isEmpty())
        return ReadResult::Missing;
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return (errno == ENOENT || errno == ENOTDIR) ? ReadResult::Missing : ReadResult::Unreadable;
    // A folder, a pipe or a device in its place is nothing we can read (a
    // pipe would even block the start-up).
    if (!S_ISREG(st.st_mode))
        return ReadResult::Unreadable;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ReadResult::Unreadable;
    *bytes = file.read(kMaxFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        return ReadResult::Unreadable;
    return ReadResult::Ok;
}

} // namespace

struct IniFile::Doc {
    // UTF-8 text, duplicate keys kept (the first one is the one read), no
    // "<<<" multi-line values: the Windows calls knew none.
    CSimpleIniA ini{true, true, false};
    // Comment lines after the last key. SimpleIni keeps a comment only with
    // the entry that follows it, and would drop these.
    QByteArray trailing;
    // SimpleIni takes comment lines at the very start of the file for the
    // file's own comment, kept apart from the first entry's.
    bool fileComment = false;

    Doc() { ini.SetSpaces(false); }
};

IniFile::IniFile(QString path) : path_(std::move(path)), doc_(std::make_unique<Doc>()) {}

IniFile::~IniFile() = default;

bool IniFile::decode(const QByteArray& bytes, QString* text) {
    if (bytes.size() > kMaxFileSize)
        return false;
    QString decoded;
    const char* p = bytes.constData();
    qsizetype n = bytes.size();
    const auto startsWith = [&](const char* bom, qsizetype len) {
        return n >= len && std::equal(bom, bom + len, p);
    };
    if (startsWith("\xFF\xFE", 2) || startsWith("\xFE\xFF", 2)) {
        // Windows' own INI calls read UTF-16 with a byte-order mark, so a file
        // re-saved as "Unicode" by Notepad still holds the settings.
        const bool le = p[0] == '\xFF';
        QStringDecoder utf16(le ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                             QStringConverter::Flag::Stateless);
        decoded = utf16.decode(QByteArrayView(p + 2, n - 2));
        if (utf16.hasError() || (n % 2) != 0)
            return false;
    } else {
        if (startsWith("\xEF\xBB\xBF", 3)) {
            p += 3;
            n -= 3;
        }
        decoded = isValidUtf8(p, n) ? QString::fromUtf8(p, n) : fromCp1252(p, n);
    }
    // A byte-order mark written twice by a careless editor.
    while (decoded.startsWith(QChar(0xFEFF)))
        decoded.remove(0, 1);

    for (const QChar c : std::as_const(decoded)) {
        if (isControl(c.unicode()))
            return false;
    }
    qsizetype start = 0;
    for (;;) {
        qsizetype end = start;
        while (end < decoded.size() && decoded[end] != u'\n' && decoded[end] != u'\r')
            ++end;
        if (!isSettingsLine(QStringView(decoded).mid(start, end - start)))
            return false;
        if (end >= decoded.size())
            break;
        start = end + 1;
    }
    if (text)
        *text = decoded;
    return true;
}

bool IniFile::loadFromBytes(const QByteArray& bytes) {
    doc_ = std::make_unique<Doc>();
    QString text;
    if (!decode(bytes, &text))
        return false;

    const QByteArray utf8 = text.toUtf8();
    const QList<Line> lines = splitLines(utf8);
    qsizetype lastEntry = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lineKind(utf8, lines[i]) == LineKind::Entry)
            lastEntry = i;
    }
    // The comments after the last entry are kept apart, one per line, without
    // the blank lines around them.
    QList<QByteArray> tail;
    for (qsizetype i = lastEntry + 1; i < lines.size(); ++i) {
        const QByteArray line = utf8.sliced(lines[i].begin, lines[i].end - lines[i].begin);
        if (tail.isEmpty() && lineKind(utf8, lines[i]) == LineKind::Blank)
            continue;
        tail.append(line);
    }
    while (!tail.isEmpty() && lineKind(tail.back(), Line{0, tail.back().size()}) == LineKind::Blank)
        tail.removeLast();
    doc_->trailing = tail.join('\n');

    if (lastEntry >= 0) {
        doc_->fileComment = utf8.startsWith(';') || utf8.startsWith('#');
        const qsizetype bodyEnd = lines[lastEntry].end;
        if (doc_->ini.LoadData(utf8.constData(), static_cast<size_t>(bodyEnd)) < 0) {
            doc_ = std::make_unique<Doc>();
            return false;
        }
    }
    return true;
}

IniFile::LoadStatus IniFile::load() {
    keptAside_.clear();
    writable_ = true;
    doc_ = std::make_unique<Doc>();

    QByteArray bytes;
    switch (readFile(path_, &bytes)) {
    case ReadResult::Missing:
        return LoadStatus::Missing;
    case ReadResult::Unreadable:
        writable_ = false;
        return LoadStatus::Unreadable;
    case ReadResult::Ok:
        break;
    }
    if (loadFromBytes(bytes))
        return LoadStatus::Ok;

    // Kept aside under a name no earlier damaged file holds, for the operator
    // to look at; the settings start afresh.
    for (int n = 0; n < 1000; ++n) {
        const QString candidate =
            path_ + QStringLiteral(".bad") + (n == 0 ? QString() : QStringLiteral(".%1").arg(n));
        struct stat st {};
        if (::lstat(QFile::encodeName(candidate).constData(), &st) == 0)
            continue;
        if (!QFile::rename(path_, candidate))
            break;
        keptAside_ = candidate;
        return LoadStatus::Corrupt;
    }
    // Left in place: saving would overwrite the only copy.
    writable_ = false;
    return LoadStatus::Unreadable;
}

QString IniFile::LireCle(const QString& section, const QString& key) const {
    const QByteArray s = section.toUtf8();
    const QByteArray k = key.toUtf8();
    CSimpleIniA::TNamesDepend values;
    if (!doc_->ini.GetAllValues(s.constData(), k.constData(), values) || values.empty())
        return {};
    // Of duplicate keys the first in the file is the one Windows returned.
    const auto first =
        std::min_element(values.begin(), values.end(),
                         [](const auto& a, const auto& b) { return a.nOrder < b.nOrder; });
    QString value = QString::fromUtf8(first->pItem);
    value = trimBlanks(value).toString();
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    if (value.size() > kMaxValueLength) {
        qsizetype n = kMaxValueLength;
        if (value.at(n - 1).isHighSurrogate())
            --n;
        value.truncate(n);
    }
    return value;
}

bool IniFile::hasKey(const QString& section, const QString& key) const {
    return doc_->ini.GetValue(section.toUtf8().constData(), key.toUtf8().constData(), nullptr) !=
           nullptr;
}

void IniFile::setValue(const QString& section, const QString& key, const QString& value) {
    if (!isValidName(section, true) || !isValidName(key, false))
        return;
    QString line = value;
    for (QChar& c : line) {
        if (c == u'\r' || c == u'\n' || isControl(c.unicode()))
            c = u' ';
    }
    // Surrounding blanks would be trimmed when read: not stored at all.
    line = trimBlanks(line).toString();
    const QByteArray s = section.toUtf8();
    std::string k = key.toStdString();
    // An existing key keeps its spelling: replacing it drops the stored name,
    // so the copy is taken first.
    if (const CSimpleIniA::TKeyVal* keys = doc_->ini.GetSection(s.constData())) {
        const auto it = keys->find(CSimpleIniA::Entry(k.c_str()));
        if (it != keys->end())
            k = it->first.pItem;
    }
    doc_->ini.SetValue(s.constData(), k.c_str(), line.toUtf8().constData(), nullptr, true);
}

namespace {

void collapseBlankLines(QByteArray* text) {
    while (text->contains("\n\n\n"))
        text->replace("\n\n\n", "\n\n");
}

} // namespace

QByteArray IniFile::toBytes() const {
    std::string out;
    doc_->ini.Save(out, false);
    QByteArray bytes = QByteArray::fromStdString(out);
    // SimpleIni puts two blank lines before each section (even before the
    // first when a nameless one, "[]", comes first); one between is enough.
    collapseBlankLines(&bytes);
    while (bytes.startsWith('\n'))
        bytes.remove(0, 1);
    // A blank line first when the start would be read back as something
    // else: a comment of the first entry as the file's comment, a name
    // starting with U+FEFF (a key before any section) as a byte-order mark.
    if ((!doc_->fileComment && (bytes.startsWith(';') || bytes.startsWith('#'))) ||
        bytes.startsWith("\xEF\xBB\xBF"))
        bytes.prepend('\n');
    if (!doc_->trailing.isEmpty()) {
        QByteArray trailing = doc_->trailing;
        collapseBlankLines(&trailing);
        if (!bytes.isEmpty())
            bytes += '\n';
        bytes += trailing + '\n';
    }
    // Windows line ends: the Windows version's files and editors expect them.
    bytes.replace('\r', QByteArray());
    bytes.replace('\n', QByteArrayLiteral("\r\n"));
    return bytes;
}

bool IniFile::save() {
    if (!writable_)
        return false;
    // Unbuffered, and every step checked here: a buffered QSaveFile meets a
    // full disk only when commit() flushes, ignores that error and renames
    // the cut file over the good one. Returning without commit() removes the
    // new file and leaves the old one untouched.
    QSaveFile out(path_);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    const QByteArray bytes = toBytes();
    if (out.write(bytes) != bytes.size() || out.error() != QFileDevice::NoError)
        return false;
    if (::fsync(out.handle()) != 0)
        return false;
    if (!out.commit())
        return false;
    syncDirectory(path_);
    return true;
}

bool IniFile::EcrireCle(const QString& section, const QString& key, const QString& value) {
    setValue(section, key, value);
    return save();
}

QString IniFile::peek(const QString& path, const QString& section, const QString& key) {
    QByteArray bytes;
    if (readFile(path, &bytes) != ReadResult::Ok)
        return {};
    IniFile file(path);
    if (!file.loadFromBytes(bytes))
        return {};
    return file.LireCle(section, key);
}

QStringList IniFile::sections() const {
    CSimpleIniA::TNamesDepend names;
    doc_->ini.GetAllSections(names);
    names.sort(CSimpleIniA::Entry::LoadOrder());
    QStringList list;
    for (const auto& e : names)
        list.append(QString::fromUtf8(e.pItem));
    return list;
}

QStringList IniFile::keys(const QString& section) const {
    CSimpleIniA::TNamesDepend names;
    doc_->ini.GetAllKeys(section.toUtf8().constData(), names);
    names.sort(CSimpleIniA::Entry::LoadOrder());
    QStringList list;
    for (const auto& e : names)
        list.append(QString::fromUtf8(e.pItem));
    return list;
}

} // namespace ondrix
