// Helpers shared by the compiler's tests: compile with a fixed clock, compile a function
// body, list diagnostics and disassemble functions by name.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "compile/compiler.h"
#include "compile/disasm.h"

namespace kelo_compile::testing {

inline CompileOutput compile_fixed(std::string_view source) {
  CompileOptions options;
  options.now_seconds = [] { return std::int64_t{1700000000}; };
  return compile(source, "test.kelo", options);
}

// Compiles `body` as the body of `fn t(<params>)` in a script, after the `before` lines.
inline CompileOutput in_function_with(const std::string& body, const std::string& params,
                                      const std::string& before = "") {
  return compile_fixed("script \"S\"\n" + before + "fn t(" + params + ") {\n" + body + "\n}\n");
}

inline CompileOutput in_function(const std::string& body, const std::string& before = "") {
  return in_function_with(body, "", before);
}

// "CODE message @line:column", one per diagnostic, joined by "\n".
inline std::string diagnostics_text(const CompileOutput& out) {
  std::string text;
  for (const auto& d : out.diagnostics.items) {
    if (!text.empty()) text += '\n';
    text += std::string(d.code) + " " + d.message + " @" + std::to_string(d.span.start.line) +
            ":" + std::to_string(d.span.start.column);
  }
  return text;
}

// Messages only, joined by "\n".
inline std::string messages(const CompileOutput& out) {
  std::string text;
  for (const auto& d : out.diagnostics.items) {
    if (!text.empty()) text += '\n';
    text += std::string(d.code) + " " + d.message;
  }
  return text;
}

// The first function of that name; null when absent.
inline const kelo_vm::bytecode::Function* function_named(const CompileOutput& out,
                                                         std::string_view name) {
  for (const auto& f : out.image.functions) {
    if (f.name == name) return &f;
  }
  return nullptr;
}

inline std::string listing(const CompileOutput& out, std::string_view name) {
  const auto* f = function_named(out, name);
  return f ? disassemble(out.image, *f) : "<no function " + std::string(name) + ">";
}

// The ops joined by "; " (one line), for compact expectations.
inline std::string ops(const CompileOutput& out, std::string_view name) {
  std::string text = listing(out, name);
  std::string result;
  for (char c : text) {
    if (c == '\n') result += "; ";
    else result += c;
  }
  return result;
}

}  // namespace kelo_compile::testing
