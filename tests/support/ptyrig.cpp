#include "ptyrig.h"

#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace ondrix::test {

Pty::Pty() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0)
        return;
    char name[64];
    if (grantpt(master_) != 0 || unlockpt(master_) != 0 ||
        ptsname_r(master_, name, sizeof name) != 0) {
        ::close(master_);
        master_ = -1;
        return;
    }
    path_ = QString::fromLocal8Bit(name);
    number_ = path_.section(QLatin1Char('/'), -1).toInt();
}

Pty::~Pty() {
    unplug();
}

void Pty::unplug() {
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}

QString ModemLines::file(const char* suffix) const {
    return dir_ + QLatin1Char('/') + QString::number(number_) + QLatin1Char('.') +
           QLatin1String(suffix);
}

int ModemLines::bits() const {
    QFile f(file("lines"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    return f.readAll().trimmed().toInt();
}

void ModemLines::setBits(int bits) const {
    // The same lock the shim takes around its read-modify-write.
    const QByteArray lockPath = QFile::encodeName(file("lock"));
    const int lock = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock >= 0)
        flock(lock, LOCK_EX);
    // Replaced whole, as the shim does; no sync: it is test state.
    const QByteArray path = QFile::encodeName(file("lines"));
    const QByteArray tmp = path + ".test.tmp";
    QFile f(QFile::decodeName(tmp));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        f.write(QByteArray::number(bits) + '\n');
        f.close();
        std::rename(tmp.constData(), path.constData());
    }
    if (lock >= 0)
        ::close(lock);
}

void ModemLines::setInputs(int inputs, bool on) const {
    const int now = bits();
    setBits(on ? (now | inputs) : (now & ~inputs));
}

void ModemLines::setRemoved(bool removed) const {
    QFile f(file("removed"));
    if (removed)
        f.open(QIODevice::WriteOnly);
    else
        f.remove();
}

std::vector<ModemLines::LogEntry> ModemLines::log() const {
    std::vector<LogEntry> entries;
    QFile f(file("log"));
    if (!f.open(QIODevice::ReadOnly))
        return entries;
    const QList<QByteArray> lines = f.readAll().split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() != 3)
            continue;
        entries.push_back(
            {fields[0].toLongLong(), QString::fromLatin1(fields[1]), fields[2].toInt()});
    }
    return entries;
}

void ModemLines::clearLog() const {
    QFile::remove(file("log"));
}

void ensureModemShim(char** argv) {
    const char* shimPath = ONDRIX_MODEMSHIM_PATH;
    if (dlsym(RTLD_DEFAULT, "ondrix_modemshim_loaded"))
        return;
    static const char kMarker[] = "ONDRIX_MODEMSHIM_REEXEC";
    if (std::getenv(kMarker)) {
        std::fprintf(stderr, "the modem-line shim %s did not load under LD_PRELOAD\n", shimPath);
        std::exit(2);
    }
    std::string preload = shimPath;
    if (const char* old = std::getenv("LD_PRELOAD"); old && *old)
        preload += std::string(":") + old;
    // ASan insists on coming first in the library list; the shim must come
    // before it to see the program's ioctl calls.
    std::string asan = "verify_asan_link_order=0";
    if (const char* old = std::getenv("ASAN_OPTIONS"); old && *old)
        asan = std::string(old) + ":" + asan;
    setenv("LD_PRELOAD", preload.c_str(), 1);
    setenv("ASAN_OPTIONS", asan.c_str(), 1);
    setenv(kMarker, "1", 1);
    execv("/proc/self/exe", argv);
    std::perror("re-executing under the modem-line shim");
    std::exit(2);
}

} // namespace ondrix::test
