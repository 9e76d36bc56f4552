#pragma once

#include <QString>

namespace ondrix {

// What an open or a line change gave. Nodiscard: a keying failure nobody
// looks at is how a transmitter stays keyed.
enum class [[nodiscard]] SerialResult{
    Ok,
    // The port is already open, or held by another program.
    AlreadyOpen,
    // The line state cannot be set: the device has gone (adapter pulled out).
    StateCannotBeSet,
    // The port does not exist or cannot be opened for another reason.
    CannotOpen,
};

// The serial port as the radio link uses it: one port at a time, chosen by
// number, its two output lines (RTS, DTR) and its four modem-status inputs.
// Nothing else (speed, framing, data) is ever used.
class SerialLink {
public:
    virtual ~SerialLink() = default;

    // Selects the port (1 = first port of the port map) for the next open.
    // Refused (false) while the port is open.
    virtual bool setPortNumber(int number) = 0;
    virtual int portNumber() const = 0;
    // The device a port number stands for, for the operator to see; empty when
    // the number is outside the port map.
    virtual QString devicePath(int number) const = 0;

    virtual bool isOpen() const = 0;
    virtual SerialResult open() = 0;
    // Closing drops RTS and DTR.
    virtual void close() = 0;

    virtual SerialResult setDTR(bool on) = 0;
    virtual SerialResult setRTS(bool on) = 0;

    // Modem-status inputs: non-zero while active; 0 when inactive or when no
    // port is usable. They never fail and have no side effect.
    virtual int CTS() = 0;
    virtual int DSR() = 0;
    virtual int DCD() = 0;
    virtual int RI() = 0;
};

} // namespace ondrix
