#pragma once

#include "radiolink/seriallink.h"

#include <QStringList>

#include <memory>

namespace ondrix {

// The serial link over QSerialPort. Port number n is the n-th device of the
// port map: the paths in ONDRIX_SERIAL_PORTS (comma-separated, number 1
// first) when that variable is set, else the serial devices present, sorted.
class QtSerialLink : public SerialLink {
public:
    QtSerialLink();
    ~QtSerialLink() override;

    // The port map as read from the environment or the system, now.
    static QStringList portMap();

    bool setPortNumber(int number) override;
    int portNumber() const override;
    QString devicePath(int number) const override;
    bool isOpen() const override;
    SerialResult open() override;
    void close() override;
    SerialResult setDTR(bool on) override;
    SerialResult setRTS(bool on) override;
    int CTS() override;
    int DSR() override;
    int DCD() override;
    int RI() override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace ondrix
