// The Golden Cross sample repeated to a file of about `lines` lines, as the shell's
// benchmarks type into.
#pragma once

#include <QString>

#include "bench/golden_cross_sample.h"

inline QString linesOfSample(int lines) {
  const QString sample = QString::fromUtf8(kelo_bench::kGoldenCross);
  const qsizetype perSample = sample.count(u'\n');
  QString out;
  for (qsizetype n = 0; n < lines; n += perSample) out += sample;
  return out;
}
