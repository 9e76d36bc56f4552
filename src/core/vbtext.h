#pragma once

#include <QString>

#include <optional>

namespace ondrix {

// Rounding from a floating value to an integer: nearest, halves to even.
long long roundEven(double v);

// Integer division truncating toward zero; 0 when the divisor is 0 (callers
// treat that as "nothing to draw" rather than a fault).
long long intDiv(long long a, long long b);

// A text the program accepts as a number: optional sign, digits, optional
// decimal point, surrounding blanks allowed. Empty text is not a number.
bool isNumeric(const QString& text);
std::optional<double> toNumber(const QString& text);

// "m:ss" from a count of seconds (already rounded), seconds always two digits.
QString minSec(long long totalSeconds);

} // namespace ondrix
