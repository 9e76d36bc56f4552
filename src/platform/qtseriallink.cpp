#include "platform/qtseriallink.h"

namespace ondrix {

struct QtSerialLink::Impl {
    int number = 0;
};

QtSerialLink::QtSerialLink() : d(std::make_unique<Impl>()) {}
QtSerialLink::~QtSerialLink() = default;
QStringList QtSerialLink::portMap() { return {}; }
bool QtSerialLink::setPortNumber(int number) {
    d->number = number;
    return true;
}
int QtSerialLink::portNumber() const { return d->number; }
QString QtSerialLink::devicePath(int) const { return {}; }
bool QtSerialLink::isOpen() const { return false; }
int QtSerialLink::open() { return kCannotOpen; }
void QtSerialLink::close() {}
int QtSerialLink::setDTR(bool) { return kStateCannotBeSet; }
int QtSerialLink::setRTS(bool) { return kStateCannotBeSet; }
int QtSerialLink::CTS() { return 0; }
int QtSerialLink::DSR() { return 0; }
int QtSerialLink::DCD() { return 0; }
int QtSerialLink::RI() { return 0; }

} // namespace ondrix
