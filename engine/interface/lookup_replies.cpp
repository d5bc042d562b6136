// kelo_completions, kelo_describe and kelo_tokens: walks of a fresh registry and of
// the lexer's tokens.
#include "compile/compiler.h"
#include "core/lexer.h"
#include "core/types.h"
#include "interface/json_text.h"
#include "interface/replies.h"
#include "stdlib/registry.h"

namespace kelo {

namespace {

namespace ty = kelo_core::types;
using kelo_core::token::TokenKind;

// The completion list stops growing once it holds more than this many items.
constexpr std::size_t kCompletionStop = 2000;

std::string_view kind_of(const ty::Type& type) {
  switch (type.tag()) {
    case ty::Tag::Function: return "function";
    case ty::Tag::Object: return "namespace";
    default: return "value";
  }
}

void append_item(std::string& out, bool& first, std::string_view name, std::string_view kind,
                 const ty::Type& type, std::string_view summary, std::string_view group) {
  if (!first) out += ',';
  first = false;
  out += "{\"name\":";
  append_quoted(out, name);
  out += ",\"kind\":\"";
  out += kind;
  out += "\",\"type\":";
  append_quoted(out, type.to_string());
  out += ",\"summary\":";
  append_quoted(out, summary);
  out += ",\"group\":";
  append_quoted(out, group);
  out += '}';
}

std::string found_reply(std::string_view name, const ty::Type& type, std::string_view summary,
                        std::string_view example) {
  std::string out = "{\"found\":true,\"name\":";
  append_quoted(out, name);
  out += ",\"type\":";
  append_quoted(out, type.to_string());
  out += ",\"summary\":";
  append_quoted(out, summary);
  out += ",\"example\":";
  append_quoted(out, example);
  out += '}';
  return out;
}

// Null for kinds that produce no entry.
const char* highlight(const kelo_core::token::Token& token, const kelo_std::Registry& registry) {
  switch (token.kind) {
    case TokenKind::Identifier:
      return registry.global(token.text) != nullptr ? "builtin" : "identifier";
    case TokenKind::Keyword: return "keyword";
    case TokenKind::Int:
    case TokenKind::Num:
    case TokenKind::Duration:
    case TokenKind::Time: return "number";
    case TokenKind::Text: return "text";
    case TokenKind::Color: return "color";
    case TokenKind::Operator:
    case TokenKind::Punct: return "punctuation";
    case TokenKind::Newline:
    case TokenKind::Eof: return nullptr;
  }
  return nullptr;
}

}  // namespace

std::string completions_reply(std::string_view prefix) {
  return completions_reply(kelo_std::builtins(), prefix);
}

std::string completions_reply(const kelo_std::Registry& registry, std::string_view prefix) {
  std::string out = "{\"items\":[";
  bool first = true;
  std::size_t count = 0;
  for (const auto& [name, entry] : registry.globals) {
    if (!name.starts_with(prefix)) continue;
    append_item(out, first, name, kind_of(entry.type), entry.type, entry.summary, entry.group);
    ++count;
    if (entry.type.tag() == ty::Tag::Object) {
      if (const ty::Fields* fields = entry.type.fields()) {
        for (const auto& [field, field_type] : fields->fields) {
          append_item(out, first, name + "." + field, "member", field_type, "", entry.group);
          ++count;
        }
      }
    }
    if (count > kCompletionStop) break;
  }
  out += "]}";
  return out;
}

std::string describe_reply(std::string_view name) {
  const kelo_std::Registry registry = kelo_std::builtins();
  if (const auto* entry = registry.global(name)) {
    return found_reply(entry->name, entry->type, entry->summary, entry->example);
  }
  const std::size_t dot = name.find('.');
  if (dot != std::string_view::npos) {
    const auto* owner = registry.global(name.substr(0, dot));
    if (owner != nullptr && owner->type.tag() == ty::Tag::Object) {
      if (const ty::Fields* fields = owner->type.fields()) {
        const auto field = fields->fields.find(name.substr(dot + 1));
        if (field != fields->fields.end()) return found_reply(name, field->second, "", "");
      }
    }
  }
  return std::string(R"({"found":false})");
}

std::string tokens_reply(std::string_view source) {
  // Beyond what the compiler reads, there is nothing to colour.
  if (source.size() > kelo_compile::kMaxSourceBytes) return std::string(R"({"tokens":[]})");
  kelo_core::diag::Diagnostics discarded("editor");
  const auto tokens = kelo_core::lexer::lex(source, discarded);
  const kelo_std::Registry registry = kelo_std::builtins();
  std::string out = "{\"tokens\":[";
  bool first = true;
  for (const auto& token : tokens) {
    const char* kind = highlight(token, registry);
    if (kind == nullptr) continue;
    if (!first) out += ',';
    first = false;
    out += "{\"kind\":\"";
    out += kind;
    out += "\",\"start\":";
    append_unsigned(out, token.span.start.offset);
    out += ",\"end\":";
    append_unsigned(out, token.span.end.offset);
    out += ",\"line\":";
    append_unsigned(out, token.span.start.line);
    out += '}';
  }
  out += "]}";
  return out;
}

}  // namespace kelo
