#include "compile/slug.h"

#include <locale.h>
#include <wctype.h>

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

// Lower-casing beyond ASCII comes from the C library's Unicode locale (created once and
// kept); without that locale such characters stay as written.
locale_t unicode_locale() {
  static const locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  return loc;
}

void append_lower(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>((cp >= 'A' && cp <= 'Z') ? cp + 32 : cp);
    return;
  }
  if (cp == 0x130) {  // capital I with dot above: "i" and a combining dot
    out += "i\xCC\x87";
    return;
  }
  const locale_t loc = unicode_locale();
  if (loc != static_cast<locale_t>(0)) {
    cp = static_cast<char32_t>(towlower_l(static_cast<wint_t>(cp), loc));
  }
  kelo_core::utf8::append(out, cp);
}

}  // namespace

std::string slug(std::string_view text) {
  std::string out;
  bool pending_dash = false;
  for (char32_t cp : kelo_core::utf8::decode(text)) {
    if (is_alphanumeric(cp)) {
      if (pending_dash && !out.empty()) out += '-';
      pending_dash = false;
      append_lower(out, cp);
    } else {
      pending_dash = true;
    }
  }
  return out;
}

}  // namespace kelo_compile
