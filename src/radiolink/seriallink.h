#pragma once

#include <QString>

namespace ondrix {

// The serial port as the radio link uses it: one port at a time, chosen by
// number, its two output lines (RTS, DTR) and its four modem-status inputs.
// Nothing else (speed, framing, data) is ever used.
class SerialLink {
public:
    // Results of open and of line changes.
    static constexpr int kOk = 0;
    // The port is already open, or held by another program.
    static constexpr int kAlreadyOpen = 8005;
    // The line state cannot be set: the device has gone (adapter pulled out).
    static constexpr int kStateCannotBeSet = 8015;
    // The port does not exist or cannot be opened for another reason.
    static constexpr int kCannotOpen = 8002;

    virtual ~SerialLink() = default;

    // Selects the port (1 = first port of the port map) for the next open.
    // Refused (false) while the port is open.
    virtual bool setPortNumber(int number) = 0;
    virtual int portNumber() const = 0;
    // The device a port number stands for, for the operator to see; empty when
    // the number is outside the port map.
    virtual QString devicePath(int number) const = 0;

    virtual bool isOpen() const = 0;
    virtual int open() = 0;
    // Closing drops RTS and DTR.
    virtual void close() = 0;

    virtual int setDTR(bool on) = 0;
    virtual int setRTS(bool on) = 0;

    // Modem-status inputs: non-zero while active; 0 when inactive or when no
    // port is usable. They never fail and have no side effect.
    virtual int CTS() = 0;
    virtual int DSR() = 0;
    virtual int DCD() = 0;
    virtual int RI() = 0;
};

} // namespace ondrix
