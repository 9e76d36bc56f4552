#include "core/vbtext.h"

#include <cfenv>
#include <cmath>

namespace ondrix {

long long roundEven(double v) {
    if (!std::isfinite(v))
        return 0;
    // nearbyint follows the current rounding mode; the program never changes
    // it from the default round-to-nearest-even.
    return static_cast<long long>(std::nearbyint(v));
}

long long intDiv(long long a, long long b) {
    return b == 0 ? 0 : a / b;
}

std::optional<double> toNumber(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

bool isNumeric(const QString& text) {
    return toNumber(text).has_value();
}

QString minSec(long long totalSeconds) {
    if (totalSeconds < 0)
        totalSeconds = 0;
    return QString::number(totalSeconds / 60) + ":" +
           QString::number(totalSeconds % 60).rightJustified(2, '0');
}

} // namespace ondrix
