// Built-in values: constants, named colours and the names that stand for themselves.

#include <cstddef>
#include <cstdint>
#include <limits>

#include "builtins/pure_functions.h"

namespace kelo_vm::builtins::pure {
namespace {

using Args = std::span<const Value>;

// A string literal usable as a template argument.
template <std::size_t N>
struct Name {
  constexpr Name(const char (&s)[N]) {
    for (std::size_t i = 0; i < N; ++i) chars[i] = s[i];
  }
  constexpr std::string_view view() const { return {chars, N - 1}; }
  char chars[N];
};

template <Name N>
Value self(Args) {
  return Value::text(N.view());
}
template <uint32_t C>
Value color(Args) {
  return Value::color(C);
}

Value pi(Args) {
  return Value::number(3.141592653589793);
}
Value e(Args) {
  return Value::number(2.718281828459045);
}
Value inf(Args) {
  return Value::number(std::numeric_limits<double>::infinity());
}
Value epsilon(Args) {
  return Value::number(2.220446049250313e-16);
}
Value int_max(Args) {
  return Value::integer(std::numeric_limits<int64_t>::max());
}
Value int_min(Args) {
  return Value::integer(std::numeric_limits<int64_t>::min());
}

#define ROW(name, fn)    \
  Entry {                \
    name, fn, &adapt<fn> \
  }
#define SELF(name) ROW(name, self<name>)
#define COLOR(name, word) ROW(name, color<word>)

constexpr Entry kRows[] = {
    ROW("PI", pi),
    ROW("E", e),
    ROW("INF", inf),
    ROW("EPSILON", epsilon),
    ROW("INT_MAX", int_max),
    ROW("INT_MIN", int_min),

    COLOR("red", 0xFF3B30FFu),
    COLOR("green", 0x34C759FFu),
    COLOR("orange", 0xFF9500FFu),
    COLOR("yellow", 0xFFCC00FFu),
    COLOR("purple", 0xAF52DEFFu),
    COLOR("blue", 0x0A84FFFFu),
    COLOR("pink", 0xFF2D55FFu),
    COLOR("white", 0xFFFFFFFFu),
    COLOR("black", 0x000000FFu),
    COLOR("grey", 0x8E8E93FFu),
    COLOR("gray", 0x8E8E93FFu),
    COLOR("transparent", 0x00000000u),
    COLOR("buyColor", 0x1A7F37FFu),
    COLOR("sellColor", 0xD0342CFFu),
    COLOR("teal", 0x5AC8FAFFu),

    SELF("M1"),
    SELF("M2"),
    SELF("M3"),
    SELF("M4"),
    SELF("M5"),
    SELF("M6"),
    SELF("M10"),
    SELF("M12"),
    SELF("M15"),
    SELF("M20"),
    SELF("M30"),
    SELF("H1"),
    SELF("H2"),
    SELF("H3"),
    SELF("H4"),
    SELF("H6"),
    SELF("H8"),
    SELF("H12"),
    SELF("D1"),
    SELF("W1"),
    SELF("MN1"),

    SELF("line"),
    SELF("stepline"),
    SELF("area"),
    SELF("histogram"),
    SELF("columns"),
    SELF("dots"),
    SELF("cross"),
    SELF("arrows"),
    SELF("candles"),
    SELF("zigzag"),
    SELF("section"),
    SELF("solid"),
    SELF("dashed"),
    SELF("dotted"),
    SELF("dashDot"),
    SELF("overlay"),
    SELF("separate"),

    SELF("topLeft"),
    SELF("topRight"),
    SELF("bottomLeft"),
    SELF("bottomRight"),
};

#undef COLOR
#undef SELF
#undef ROW

}  // namespace

std::span<const Entry> name_rows() {
  return kRows;
}

const Entry* find_names(std::string_view name) {
  for (const Entry& e : kRows) {
    if (e.name == name) return &e;
  }
  return nullptr;
}

}  // namespace kelo_vm::builtins::pure
