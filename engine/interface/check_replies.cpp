// kelo_check and kelo_inputs: compile, then report the diagnostics or the schema.
#include "compile/compiler.h"
#include "interface/json_text.h"
#include "interface/replies.h"

namespace kelo {

namespace {

// A bound or step that is absent, NaN or infinite (a literal past the largest double,
// 1e999) is null: no bound. The reply stays JSON, as the bundle's schema does.
void append_optional_number(std::string& out, const std::optional<double>& value) {
  if (value) {
    append_finite_or_null(out, *value);
  } else {
    out += "null";
  }
}

}  // namespace

std::string check_reply(std::string_view source, std::string_view file_name) {
  const kelo_compile::CompileOutput output = kelo_compile::compile(source, file_name);
  const auto& diagnostics = output.diagnostics;
  std::string out = "{\"ok\":";
  append_bool(out, !diagnostics.has_errors());
  out += ",\"diagnostics\":[";
  bool first = true;
  for (const auto& d : diagnostics.items) {
    if (!first) out += ',';
    first = false;
    out += "{\"severity\":\"";
    out += kelo_core::diag::severity_text(d.severity);
    out += "\",\"code\":\"";
    out += d.code;
    out += "\",\"message\":";
    append_quoted(out, d.message);
    out += ",\"line\":";
    append_unsigned(out, d.span.start.line);
    out += ",\"column\":";
    append_unsigned(out, d.span.start.column);
    out += ",\"endLine\":";
    append_unsigned(out, d.span.end.line);
    out += ",\"endColumn\":";
    append_unsigned(out, d.span.end.column);
    out += '}';
  }
  out += "]}";
  return out;
}

std::string inputs_reply(std::string_view source, std::string_view file_name) {
  const kelo_compile::CompileOutput output = kelo_compile::compile(source, file_name);
  std::string out = "{\"ok\":";
  append_bool(out, !output.diagnostics.has_errors());
  out += ",\"groups\":[";
  bool first = true;
  for (const auto& group : output.schema.groups) {
    if (!first) out += ',';
    first = false;
    out += "{\"id\":";
    append_quoted(out, group.id);
    out += ",\"label\":";
    append_quoted(out, group.label);
    out += ",\"advanced\":";
    append_bool(out, group.advanced);
    out += '}';
  }
  out += "],\"inputs\":[";
  first = true;
  for (const auto& input : output.schema.inputs) {
    if (!first) out += ',';
    first = false;
    out += "{\"name\":";
    append_quoted(out, input.name);
    out += ",\"type\":";
    append_quoted(out, input.type);
    out += ",\"group\":";
    append_quoted(out, input.group ? *input.group : std::string_view());
    out += ",\"label\":";
    append_quoted(out, input.label ? *input.label : input.name);
    out += ",\"hint\":";
    append_quoted(out, input.hint ? *input.hint : std::string_view());
    out += ",\"min\":";
    append_optional_number(out, input.min);
    out += ",\"max\":";
    append_optional_number(out, input.max);
    out += ",\"step\":";
    append_optional_number(out, input.step);
    out += ",\"required\":";
    append_bool(out, input.required);
    out += ",\"advanced\":";
    append_bool(out, input.advanced);
    out += ",\"default\":";
    // A non-finite number in the default (1e999) is null, as in the bundle's schema.
    append_default_json(out, input.default_value, NonFinite::Null);
    out += '}';
  }
  out += "]}";
  return out;
}

}  // namespace kelo
