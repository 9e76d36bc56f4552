#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

namespace ondrix {

// The settings file, held in memory: read once, written whole. Section and key
// names are case-insensitive, as the Windows INI calls were. Values read are
// single lines cut to 254 characters; a missing file or key reads as "".
class IniFile {
public:
    enum class LoadStatus {
        Missing, // no file: every key reads empty
        Ok,
        // Not a settings file (binary, NUL bytes, lines that are neither a
        // section, a key nor a comment): moved aside to keptAsidePath(), every
        // key reads empty, and the next save writes a fresh file.
        Corrupt,
        // The file exists but cannot be read (permissions): keys read empty
        // and saves are refused, so the operator's file is never replaced.
        Unreadable,
    };

    explicit IniFile(QString path);
    ~IniFile();
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    const QString& path() const { return path_; }

    LoadStatus load();
    // Where a corrupt file was moved ("parametres.ini.bad", or a numbered name
    // when that one exists); empty when nothing was moved.
    QString keptAsidePath() const { return keptAside_; }

    // The value of `key` in `section`; "" when missing.
    QString LireCle(const QString& section, const QString& key) const;
    // Whether the key is in the file, even with an empty value.
    bool hasKey(const QString& section, const QString& key) const;
    // Sets a value in memory; a new key goes after the section's last one, a
    // new section at the end of the file. Values are single lines: line breaks
    // and other control characters are stored as spaces, since the loader takes
    // them for a damaged file. A section or key name that could not be read
    // back (empty, a control character, "=" in a key, "]" in a section,
    // surrounding blanks) is ignored.
    void setValue(const QString& section, const QString& key, const QString& value);
    // Replaces the file atomically (written beside it, then renamed). False
    // when it could not be written; the file on disk is then unchanged.
    bool save();
    // One key set and the file written.
    bool EcrireCle(const QString& section, const QString& key, const QString& value);

    // One value read from the file at `path` without changing anything on
    // disk (a corrupt file stays where it is); "" when missing or unreadable.
    static QString peek(const QString& path, const QString& section, const QString& key);

    // Decodes file bytes as the loader does: UTF-8 when valid, else
    // Windows-1252. False when the bytes are not a settings file.
    static bool decode(const QByteArray& bytes, QString* text);

    // load() on bytes already read, touching no file: false, and every key
    // empty, when they are not a settings file.
    bool loadFromBytes(const QByteArray& bytes);
    // What save() writes: UTF-8 without BOM, "key=value", lines ending in CR LF.
    QByteArray toBytes() const;
    // Section names, and a section's key names, in file order.
    QStringList sections() const;
    QStringList keys(const QString& section) const;

private:
    struct Doc;
    QString path_;
    QString keptAside_;
    bool writable_ = true;
    std::unique_ptr<Doc> doc_;
};

} // namespace ondrix
