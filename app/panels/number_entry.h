// What a number box shows and what it accepts, and the limits the tester settings put
// on the two numbers typed into it.
#pragma once

#include <QString>
#include <optional>

namespace zx::views {

// `value` with `decimals` fraction digits as printf rounds them ("%.0f": 2.5 gives
// "2", 12500.75 "12501"); "." as the point, no grouping.
QString numberText(double value, int decimals);

// A typed number: every "," is dropped first ("1,000" is 1000, "1.234,5" is 1.2345);
// then the whole text must read as a C-locale strtod number ("+5", "1.5e3", "0x10",
// "inf", "nan"). Empty text, a leading blank or any text left over rejects it.
std::optional<double> parseNumber(const QString& text);

// The starting balance to store for `typed`: the larger of it and 100 (NaN and -inf give
// 100); +inf is no balance a run can use and keeps `current`.
double clampBalance(double typed, double current);
// The bar count to store for `typed`: truncated and held to 200...200000; NaN keeps
// `current`, and values beyond the 64-bit range go to the nearer bound.
qint64 clampBars(double typed, qint64 current);

}  // namespace zx::views
