#include "core/params.h"

namespace ondrix {

QString Params::get(int i) const {
    return (i >= 0 && i < kCount) ? param[static_cast<size_t>(i)] : QString();
}

void Params::set(int i, const QString& value) {
    if (i >= 0 && i < kCount)
        param[static_cast<size_t>(i)] = value;
}

QString Params::getOM(int i) const {
    return (i >= 0 && i < kOmCount) ? paramOM[static_cast<size_t>(i)] : QString();
}

void Params::setOM(int i, const QString& value) {
    if (i >= 0 && i < kOmCount)
        paramOM[static_cast<size_t>(i)] = value;
}

} // namespace ondrix
