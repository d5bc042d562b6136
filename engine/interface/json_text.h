// The pieces every reply is written from: lenient UTF-8, escaping, and the number
// rules of the exported interface (which, unlike the bundle's JSON writer, spell
// non-finite numbers as NaN, inf and -inf).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "compile/inputs.h"

namespace kelo {

// Appends the bytes as UTF-8, each maximal invalid subpart replaced by one U+FFFD.
void append_lenient_utf8(std::string& out, std::string_view bytes);
// A text argument: null reads as empty, invalid UTF-8 is repaired.
std::string read_text(const char* text);

// The escaped form of a text, without quotes: \" \\ \n \r \t, \u00XX for the other
// control characters, everything else unchanged (invalid UTF-8 is repaired too, so a
// reply is always valid UTF-8).
void append_escaped(std::string& out, std::string_view text);
std::string escape(std::string_view text);
// The escaped text between double quotes.
void append_quoted(std::string& out, std::string_view text);

// Shortest round-trip digits laid out positionally: 2, 100000, 0.5, 0.0001, 1 and 23
// zeros for 1e23, -0; NaN, inf and -inf for the non-finite values.
void append_number(std::string& out, double value);
std::string format_number(double value);
void append_integer(std::string& out, std::int64_t value);
void append_unsigned(std::string& out, std::uint64_t value);
inline void append_bool(std::string& out, bool value) { out += value ? "true" : "false"; }

// A number as JSON proper: null for NaN and the infinities (as the bundle's JSON writer
// does), else the digits of append_number.
void append_finite_or_null(std::string& out, double value);

// How a default value writes a non-finite number: with the interface's spelling (NaN, inf,
// -inf), or as null where the reply must stay JSON (the inputs reply).
enum class NonFinite : std::uint8_t { Spelled, Null };

// An input's default value as its reply JSON (colours as "#rrggbbaa").
void append_default_json(std::string& out, const kelo_compile::inputs::InputValue& value,
                         NonFinite non_finite = NonFinite::Spelled);
std::string default_json(const kelo_compile::inputs::InputValue& value,
                         NonFinite non_finite = NonFinite::Spelled);

}  // namespace kelo
