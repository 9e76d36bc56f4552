#pragma once

// Pseudo-terminals standing in for serial devices, and the modem-line shim's
// side of them (tests/support/modemshim.c): the lines a program sets, the lines
// the far side presents, a pulled-out adapter.

#include <QString>

#include <cstdint>
#include <vector>

namespace ondrix::test {

// A pty pair. The slave path is the "serial device"; the master is kept open
// so the slave exists for as long as this object does.
class Pty {
public:
    Pty();
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool isValid() const { return master_ >= 0; }
    QString path() const { return path_; }
    // The pts number, which names the device's files in the shim directory.
    int number() const { return number_; }
    // Termios requests on the master act on the slave's settings.
    int masterFd() const { return master_; }
    // Closes the master: the kernel hangs up every open descriptor of the
    // slave and removes its node, as when a USB adapter is pulled out.
    void unplug();

private:
    int master_ = -1;
    int number_ = -1;
    QString path_;
};

// The shim's files for one device.
class ModemLines {
public:
    ModemLines(QString dir, int number) : dir_(std::move(dir)), number_(number) {}

    // The line bits (TIOCM_*) as the far side sees them.
    int bits() const;
    // Sets the bits under the shim's lock, as the far side would.
    void setBits(int bits) const;
    void setInputs(int inputs, bool on) const;
    // A removed device fails every modem request with EIO.
    void setRemoved(bool removed) const;

    struct LogEntry {
        int64_t ns = 0; // CLOCK_MONOTONIC
        QString request;
        int bits = 0; // after the request; -1 when it failed
    };
    std::vector<LogEntry> log() const;
    void clearLog() const;

private:
    QString file(const char* suffix) const;
    QString dir_;
    int number_;
};

// Makes sure this program runs with the shim preloaded: if it does not,
// re-executes itself with LD_PRELOAD (and the ASan option such a preload needs)
// and never returns; fails loudly if the re-executed program still lacks it.
void ensureModemShim(char** argv);

} // namespace ondrix::test
