#include "compile/slug.h"

#include "core/unicode_case.h"
#include "core/unicode_class.h"
#include "core/utf8.h"

namespace kelo_compile {
namespace {

// Letters and digits: ASCII ones, and beyond ASCII what Unicode calls alphabetic or
// numeric.
bool is_alphanumeric(char32_t cp) {
  if (cp < 0x80) {
    return (cp >= '0' && cp <= '9') || (cp >= 'a' && cp <= 'z') || (cp >= 'A' && cp <= 'Z');
  }
  return kelo_core::unicode::is_alphabetic(cp) || kelo_core::unicode::is_numeric(cp);
}

}  // namespace

std::string slug(std::string_view text) {
  std::string out;
  bool pending_dash = false;
  for (char32_t cp : kelo_core::utf8::decode(text)) {
    if (is_alphanumeric(cp)) {
      if (pending_dash && !out.empty()) out += '-';
      pending_dash = false;
      kelo_core::unicode::append_lower(out, cp);
    } else {
      pending_dash = true;
    }
  }
  return out;
}

}  // namespace kelo_compile
