// The texts of an input's bounds in the inputs panel.
#pragma once

#include <QString>

namespace zx::views {

// A whole number that fits a signed 64-bit integer as an integer ("3", "-20", "0" for
// -0.0); other whole numbers and infinities as the shortest double text ("1e+19",
// "inf"); NaN as "nan"; fractions as their shortest round-trip digits, positional from
// 0.0001 up ("0.0001", "2500000.5") and with an exponent below ("1e-05").
QString inputBoundText(double value);

// "1–200" (an en dash, no spaces).
QString inputRangeText(double min, double max);

}  // namespace zx::views
