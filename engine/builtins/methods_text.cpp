// Methods of texts. Positions count characters, not bytes.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "builtins/methods.h"
#include "builtins/methods_unicode.h"
#include "core/utf8.h"
#include "vm/operators.h"
#include "vm/text_builder.h"

namespace kelo_vm::builtins::methods {
namespace {

namespace ut = unicode_text;
using Args = std::span<const Value>;

// The receiver's text: a Text as it is (no copy), anything else in its written form.
class Receiver {
 public:
  explicit Receiver(Args args) {
    if (!args.empty() && args[0].is(Tag::Text)) {
      view_ = args[0].str();
    } else {
      owned_ = display(args.empty() ? Value() : args[0]);
      view_ = owned_;
    }
  }
  std::string_view view() const { return view_; }

 private:
  std::string owned_;
  std::string_view view_;
};

// A position or count argument; negative counts as 0.
std::size_t count_arg(Args a, std::size_t i) {
  const int64_t v = integer(a, i);
  return v < 0 ? 0 : static_cast<std::size_t>(v);
}

Value text_of(std::string s) {
  return Value::text(std::move(s));
}

Result<Value> len(BuiltinCall& c) {
  if (!c.args.empty() && c.args[0].is(Tag::Text)) {
    return Value::integer(static_cast<int64_t>(c.args[0].text_obj().chars));
  }
  return Value::integer(static_cast<int64_t>(ut::char_count(Receiver(c.args).view())));
}

Result<Value> case_mapped(BuiltinCall& c, bool upper) {
  ut::CaseMapped m = ut::to_case(Receiver(c.args).view(), upper);
  if (m.refused == ut::CaseRefusal::TooLong) {
    return text_too_long();
  }
  if (m.refused) return heap::error();
  return text_of(std::move(m.text));
}
Result<Value> upper(BuiltinCall& c) {
  return case_mapped(c, true);
}
Result<Value> lower(BuiltinCall& c) {
  return case_mapped(c, false);
}

template <bool Start, bool End>
Result<Value> trim(BuiltinCall& c) {
  return Value::text(ut::trim(Receiver(c.args).view(), Start, End));
}

Result<Value> contains(BuiltinCall& c) {
  return Value::boolean(Receiver(c.args).view().find(text(c.args, 1)) != std::string_view::npos);
}

Result<Value> starts_with(BuiltinCall& c) {
  return Value::boolean(Receiver(c.args).view().starts_with(text(c.args, 1)));
}

Result<Value> ends_with(BuiltinCall& c) {
  return Value::boolean(Receiver(c.args).view().ends_with(text(c.args, 1)));
}

Result<Value> find(BuiltinCall& c) {
  const Receiver r(c.args);
  const std::size_t at = r.view().find(text(c.args, 1));
  if (at == std::string_view::npos) return Value::integer(-1);
  return Value::integer(static_cast<int64_t>(ut::char_of_byte(r.view(), at)));
}

// The bytes of the character at position i; empty past the end.
std::string_view char_at_position(std::string_view s, std::size_t i) {
  const std::size_t begin = ut::byte_of_char(s, i);
  std::size_t end = begin;
  if (end < s.size()) ++end;
  while (end < s.size() && !ut::starts_char(s[end])) ++end;
  return s.substr(begin, end - begin);
}

Result<Value> char_at(BuiltinCall& c) {
  const std::size_t i = count_arg(c.args, 1);
  if (!c.args.empty() && c.args[0].is(Tag::Text))
    return Value::text(c.args[0].text_obj().char_at(i));
  return Value::text(char_at_position(Receiver(c.args).view(), i));
}

Result<Value> code(BuiltinCall& c) {
  const Receiver r(c.args);
  const std::string_view ch = char_at_position(r.view(), count_arg(c.args, 1));
  if (ch.empty()) return Value::integer(0);
  const std::u32string decoded = kelo_core::utf8::decode(ch);
  return Value::integer(decoded.empty() ? 0 : static_cast<int64_t>(decoded.front()));
}

Result<Value> slice(BuiltinCall& c) {
  const Receiver r(c.args);
  const std::string_view s = r.view();
  const std::size_t chars = ut::char_count(s);
  const std::size_t i = std::min(count_arg(c.args, 1), chars);
  const bool to_end = c.args.size() < 3 || c.args[2].is_nothing();
  const std::size_t j = to_end ? chars : std::min(count_arg(c.args, 2), chars);
  if (j <= i) return Value::text("");
  const std::size_t from = ut::byte_of_char(s, i);
  const std::size_t to = ut::byte_of_char(s, j);
  return Value::text(s.substr(from, to - from));
}

Result<Value> split(BuiltinCall& c) {
  const Receiver r(c.args);
  const std::string_view s = r.view();
  const std::string sep = text(c.args, 1);
  std::vector<Value> parts;
  // Each part is a text of its own: a long text cut into characters holds many times
  // its size, so every part asks first.
  auto add = [&parts](std::string_view part) {
    if (!heap::fits(heap::growth_bytes(parts, parts.size() + 1) + sizeof(Text) + part.size()))
      return false;
    parts.push_back(Value::text(part));
    return true;
  };
  if (sep.empty()) {
    for (std::size_t i = 0; i < s.size();) {
      std::size_t j = i + 1;
      while (j < s.size() && !ut::starts_char(s[j])) ++j;
      if (!add(s.substr(i, j - i))) return heap::error();
      i = j;
    }
    return Value::array(std::move(parts));
  }
  std::size_t start = 0;
  for (std::size_t at; (at = s.find(sep, start)) != std::string_view::npos;
       start = at + sep.size()) {
    if (!add(s.substr(start, at - start))) return heap::error();
  }
  if (!add(s.substr(start))) return heap::error();
  return Value::array(std::move(parts));
}

// An empty search text matches at every character boundary, so "ab" with every "" made
// "-" reads "-a-b-", and with the first one "-ab".
Result<Value> replace_text(Args a, bool all) {
  const Receiver r(a);
  const std::string_view s = r.view();
  const std::string from = text(a, 1);
  const std::string to = text(a, 2);
  TextBuilder out;
  if (from.empty() && !all) {
    out.append(to);
    out.append(s);
  } else if (from.empty()) {
    for (std::size_t i = 0; i < s.size() && out.ok(); ++i) {
      if (ut::starts_char(s[i])) out.append(to);
      out.push_back(s[i]);
    }
    out.append(to);
  } else {
    std::size_t start = 0;
    for (std::size_t at; out.ok() && (at = s.find(from, start)) != std::string_view::npos;) {
      out.append(s.substr(start, at - start));
      out.append(to);
      start = at + from.size();
      if (!all) break;
    }
    out.append(s.substr(start));
  }
  if (out.status() == TextBuilder::Status::TooLong) return text_of("");
  if (!out.ok()) return heap::error();
  return text_of(std::move(out).take());
}

Result<Value> replace(BuiltinCall& c) {
  return replace_text(c.args, false);
}
Result<Value> replace_all(BuiltinCall& c) {
  return replace_text(c.args, true);
}

Result<Value> repeat(BuiltinCall& c) {
  const Receiver r(c.args);
  const std::size_t n = count_arg(c.args, 1);
  const std::size_t size = r.view().size();
  if (n == 0 || size == 0 || n > kMaxTextBytes / size) return Value::text("");
  if (!heap::fits(sizeof(Text) + size * n)) return heap::error();
  std::string out;
  out.reserve(size * n);
  for (std::size_t k = 0; k < n; ++k) out.append(r.view());
  return text_of(std::move(out));
}

Result<Value> reverse(BuiltinCall& c) {
  const Receiver r(c.args);
  const std::string_view s = r.view();
  std::string out;
  out.reserve(s.size());
  std::size_t end = s.size();
  while (end > 0) {
    std::size_t begin = end - 1;
    while (begin > 0 && !ut::starts_char(s[begin])) --begin;
    out.append(s.substr(begin, end - begin));
    end = begin;
  }
  return text_of(std::move(out));
}

// Appends (or prepends) the whole fill until the text has at least w characters. An
// empty fill, or a result beyond the cap, leaves the text as it is.
template <bool Left>
Result<Value> pad(BuiltinCall& c) {
  const Receiver r(c.args);
  const std::size_t w = count_arg(c.args, 1);
  const bool default_fill = c.args.size() < 3 || c.args[2].is_nothing();
  const std::string fill = default_fill ? std::string(" ") : text(c.args, 2);
  const std::size_t have = ut::char_count(r.view());
  const std::size_t fill_chars = ut::char_count(fill);
  if (have >= w || fill_chars == 0) return Value::text(r.view());
  const std::size_t times = (w - have + fill_chars - 1) / fill_chars;
  if (times > kMaxTextBytes / fill.size()) return Value::text(r.view());
  // The run, and the padded text built from it.
  if (!heap::fits(sizeof(Text) + 2 * times * fill.size() + r.view().size()))
    return heap::error();
  std::string run;
  run.reserve(times * fill.size());
  for (std::size_t k = 0; k < times; ++k) run += fill;
  return text_of(Left ? run + std::string(r.view()) : std::string(r.view()) + run);
}

constexpr Entry kMethods[] = {
    {"len", len},
    {"upper", upper},
    {"lower", lower},
    {"trim", trim<true, true>},
    {"trimLeft", trim<true, false>},
    {"trimRight", trim<false, true>},
    {"contains", contains},
    {"startsWith", starts_with},
    {"endsWith", ends_with},
    {"find", find},
    {"charAt", char_at},
    {"code", code},
    {"slice", slice},
    {"split", split},
    {"replace", replace},
    {"replaceAll", replace_all},
    {"repeat", repeat},
    {"reverse", reverse},
    {"pad", pad<false>},
    {"padLeft", pad<true>},
};

}  // namespace

std::span<const Entry> text_table() {
  return kMethods;
}

BuiltinFn text_method(std::string_view method) {
  for (const Entry& e : kMethods) {
    if (e.name == method) return e.fn;
  }
  return nullptr;
}

}  // namespace kelo_vm::builtins::methods
