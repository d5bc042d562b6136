// The one compile entry: parse, compile, assemble.
#include "compile/compiler.h"
#include "core/parser.h"

namespace kelo_compile {

CompileOutput compile(std::string_view source, std::string_view file_name,
                      const CompileOptions& options) {
  Diagnostics diagnostics{std::string(file_name)};
  const ast::Program program = kelo_core::parser::parse(source, diagnostics);
  return compile_parsed(program, std::move(diagnostics), options);
}

}  // namespace kelo_compile
