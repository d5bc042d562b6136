// The application must be able to read every reply the engine gives: a reply the
// bridge cannot decode reaches the user as "The engine returned an unreadable result".
#pragma once

#include <QString>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "bridge/reply_decode.h"

namespace zx_fuzz {

// Numbers that the engine writes as NaN or inf (from NaN prices, for example) are
// not JSON, and the bridge refuses them on purpose; such replies are left out.
inline bool has_non_finite_number(std::string_view reply) {
  for (std::string_view word : {std::string_view("NaN"), std::string_view("inf")}) {
    for (size_t at = reply.find(word); at != std::string_view::npos;
         at = reply.find(word, at + 1)) {
      const char before = at == 0 ? ' ' : reply[at - 1];
      if (before == ':' || before == ',' || before == '[' || before == '-') return true;
    }
  }
  return false;
}

template <class Record>
void require_readable(std::string_view reply, const char* call) {
  if (has_non_finite_number(reply)) return;
  zx::bridge::KeloError error;
  const QString text = QString::fromUtf8(reply.data(), static_cast<qsizetype>(reply.size()));
  if (zx::bridge::Kelo::decode<Record>(text, &error)) return;
  std::fprintf(stderr, "the bridge cannot read the reply of %s: %s\n", call,
               error.text.toUtf8().constData());
  std::abort();
}

}  // namespace zx_fuzz
