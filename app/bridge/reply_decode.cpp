#include "bridge/reply_decode.h"

#include <QTextBoundaryFinder>
#include <cstdint>
#include <cstring>

namespace zx::bridge {

namespace {

// The end of the first `count` characters of `text`, or -1 when `text` holds fewer.
qsizetype endOfCharacters(const QString& text, qsizetype count) {
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
  qsizetype end = 0;
  for (qsizetype taken = 0; taken < count; ++taken) {
    end = finder.toNextBoundary();
    if (end < 0) return -1;
  }
  return end;
}

}  // namespace

bool isPlainUtf8(QByteArrayView bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* const end = p + bytes.size();
  if (end - p >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) return false;
  while (p < end) {
    // ASCII runs are the bulk of every reply; take them eight bytes at a time.
    while (end - p >= 8) {
      std::uint64_t word;
      std::memcpy(&word, p, sizeof word);
      if (word & 0x8080808080808080ull) break;
      p += 8;
    }
    if (p == end) break;
    const unsigned char b = *p;
    if (b < 0x80) {
      ++p;
      continue;
    }
    // The second byte's range excludes overlong forms, surrogates and values past U+10FFFF.
    int more = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
      more = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
      more = 2;
      if (b == 0xE0) lo = 0xA0;
      if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      more = 3;
      if (b == 0xF0) lo = 0x90;
      if (b == 0xF4) hi = 0x8F;
    } else {
      return false;
    }
    if (end - p <= more) return false;
    if (p[1] < lo || p[1] > hi) return false;
    for (int k = 2; k <= more; ++k) {
      if (p[k] < 0x80 || p[k] > 0xBF) return false;
    }
    p += more + 1;
  }
  return true;
}

QString excerpt(const QString& text, qsizetype count) {
  if (count <= 0) return {};
  // Each character holds at least one UTF-16 unit, so a short text is whole.
  if (text.size() <= count) return text;
  // Analyse a generous start only, not a whole multi-megabyte reply; a boundary at the
  // very end of that start may split a character, so then the whole text decides.
  const QString start = text.left(count * 8);
  const qsizetype end = endOfCharacters(start, count);
  if (end >= 0 && (end < start.size() || start.size() == text.size())) return text.left(end);
  const qsizetype whole = endOfCharacters(text, count);
  return whole < 0 ? text : text.left(whole);
}

}  // namespace zx::bridge
