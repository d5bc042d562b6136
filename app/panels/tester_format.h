// The texts the tester views show for numbers, trades and journal lines, and the colour
// role each one takes. None of them depends on the process locale.
#pragma once

#include <QString>

namespace zx::views {

// A palette colour named by its role; the views resolve it when they paint.
enum class Tone { text, textSecondary, muted, accent, buy, sell, warning };

// `value` in fixed notation with `decimals` (0 to 8) fraction digits, rounded to
// nearest with ties to even on the exact binary value, "." as the point, no grouping.
QString fixedText(double value, int decimals);

// Money: two decimals and "," between thousands, "-" before a negative amount:
// 1234.5 gives "1,234.50", -0.001 "-0.00", -0.0 "0.00". NaN reads "NaN", infinities
// "∞" and "-∞".
QString formatAmount(double value);
// A price at the symbol's digits, clamped to 0...8.
QString formatPrice(double value, qint64 digits);
// An axis label: "10.5k" from 1000 up (either sign), else whole numbers ("950").
QString compactLabel(double value);
// A percentage without decimals: 62.5 gives "62%".
QString percentText(double value);
// A profit factor: "none" below 0, else two decimals.
QString factorText(double value);

// Gains and losses: `buy` from 0 up, else `sell` (NaN included).
Tone amountTone(double value);

// A trade's side in capitals, `buy` only for exactly "buy".
QString sideText(const QString& side);
Tone sideTone(const QString& side);
// The short code and colour of a trade's closing reason.
QString exitCode(const QString& reason);
Tone exitTone(const QString& reason);

// The colour of a journal level, compared as stored (case-sensitive).
Tone levelTone(const QString& level);
// A journal line's time as "d MMM HH:mm" in UTC ("14 Nov 22:13"), "—" below 1.
QString journalStamp(qint64 msecsSinceEpoch);

// "1 bar replayed", "12 bars replayed": the singular only for exactly 1.
QString countText(qint64 n, const char* one, const char* many);

}  // namespace zx::views
