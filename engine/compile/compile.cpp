// The one compile entry: parse, compile, assemble.
#include "compile/compiler.h"
#include "core/parser.h"

namespace kelo_compile {

CompileOutput compile(std::string_view source, std::string_view file_name,
                      const CompileOptions& options) {
  Diagnostics diagnostics{std::string(file_name)};
  if (source.size() > kMaxSourceBytes) {
    // Not even lexed: the time and memory of a check grow with the text.
    const Span start{{0, 1, 1}, {0, 1, 1}};
    diagnostics.error(codes::kSourceTooLarge, start, std::to_string(kMaxSourceBytes));
    CompileOutput out;
    const ast::Program empty{};
    out.manifest = manifest::build(empty, out.image, now_seconds(options));
    out.diagnostics = std::move(diagnostics);
    return out;
  }
  const ast::Program program = kelo_core::parser::parse(source, diagnostics);
  return compile_parsed(program, std::move(diagnostics), options);
}

}  // namespace kelo_compile
