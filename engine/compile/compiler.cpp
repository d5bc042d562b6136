// Compiler frame: emission, constant pooling, diagnostics and the finished image.
#include "compile/compiler.h"

#include <bit>
#include <chrono>
#include <cmath>
#include <limits>

namespace kelo_compile {
namespace compiler {

Type numeric_result(const Type& a, const Type& b) {
  const bool both_int = a.unwrap_series().is(ty::Primitive::Int) &&
                        b.unwrap_series().is(ty::Primitive::Int);
  return ty::lift(a, b, both_int ? ty::Primitive::Int : ty::Primitive::Num);
}

Compiler::Compiler(Diagnostics& diagnostics, const kelo_std::Registry& registry)
    : diagnostics_(diagnostics), registry_(registry), hosts_(kelo_std::hosts::table()) {
  frames_.emplace_back("<main>");
}

void Compiler::no_frame() {
  throw InternalError("a frame");
}

std::uint32_t Compiler::append_constant(bc::Constant value) {
  auto& pool = image_.constants;
  if (pool.size() >= std::numeric_limits<std::uint32_t>::max()) {
    throw InternalError("the program has more constants than an image can hold");
  }
  pool.push_back(std::move(value));
  return static_cast<std::uint32_t>(pool.size() - 1);
}

// The pooling identity of a constant is its kind and payload. Numbers compare as floats,
// so -0.0 pools with 0.0 and a NaN never pools.
std::uint32_t Compiler::constant(bc::Constant value) {
  using K = bc::ConstantKind;
  if (value.kind == K::Text || value.kind == K::Name) {
    auto& index = value.kind == K::Text ? text_index_ : name_index_;
    if (auto it = index.find(std::string_view(value.text)); it != index.end()) return it->second;
    const std::uint32_t at = append_constant(std::move(value));
    index.emplace(image_.constants.back().text, at);
    return at;
  }
  ScalarKey key{0, value.kind};
  switch (value.kind) {
    case K::Num:
    case K::Duration:
      if (std::isnan(value.n)) return append_constant(std::move(value));
      key.bits = std::bit_cast<std::uint64_t>(value.n == 0.0 ? 0.0 : value.n);
      break;
    case K::Color:
      key.bits = value.color;
      break;
    default:
      key.bits = static_cast<std::uint64_t>(value.i);
      break;
  }
  if (auto it = scalar_index_.find(key); it != scalar_index_.end()) return it->second;
  const std::uint32_t at = append_constant(std::move(value));
  scalar_index_.emplace(key, at);
  return at;
}

std::uint32_t Compiler::text_constant(bc::ConstantKind kind, std::string_view text) {
  const auto& index = kind == bc::ConstantKind::Text ? text_index_ : name_index_;
  if (auto it = index.find(text); it != index.end()) return it->second;
  return constant(kind == bc::ConstantKind::Text ? bc::Constant::text_of(std::string(text))
                                                 : bc::Constant::name(std::string(text)));
}

std::size_t Compiler::push_text(std::string_view text, const Span& span) {
  return emit(bc::Op::with_c(bc::Opcode::Const, text_constant(bc::ConstantKind::Text, text)), span);
}

std::uint16_t Compiler::append_function(bc::Function function) {
  if (image_.functions.size() > std::numeric_limits<std::uint16_t>::max()) {
    throw InternalError("the program has more functions than 65536");
  }
  image_.functions.push_back(std::move(function));
  return static_cast<std::uint16_t>(image_.functions.size() - 1);
}

bc::Image Compiler::finish() && {
  image_.global_count = static_cast<std::uint16_t>(global_names_.size());
  image_.global_names = std::move(global_names_);
  return std::move(image_);
}

std::uint16_t Compiler::host_id(std::string_view path) const {
  const auto* found = host(path);
  return found ? found->id : 0;
}

const kelo_std::Entry* Compiler::registry_global(std::string_view name) const {
  if (auto it = registry_globals_.find(name); it != registry_globals_.end()) return it->second;
  const kelo_std::Entry* entry = registry_.global(name);
  registry_globals_.emplace(name, entry);
  return entry;
}

const kelo_std::hosts::HostFn* Compiler::host(std::string_view path) const {
  if (auto it = hosts_by_path_.find(path); it != hosts_by_path_.end()) return it->second;
  const kelo_std::hosts::HostFn* found = hosts_.get(path);
  hosts_by_path_.emplace(path, found);
  return found;
}

}  // namespace compiler

std::int64_t now_seconds(const CompileOptions& options) {
  if (options.now_seconds) return options.now_seconds();
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const auto secs = std::chrono::duration_cast<std::chrono::seconds>(now).count();
  return secs < 0 ? 0 : static_cast<std::int64_t>(secs);
}

CompileOutput compile_parsed(const ast::Program& program, Diagnostics diagnostics,
                             const CompileOptions& options) {
  CompileOutput out;
  // Built once and only read afterwards, by any number of compiles at once.
  static const kelo_std::Registry registry = kelo_std::builtins();
  compiler::Compiler compiler(diagnostics, registry);
  try {
    compiler.compile_program(program);
  } catch (const InternalError& failure) {
    // The compile stops here; what was built so far is still handed back.
    diagnostics.error(codes::kStopped, program.span, failure.what());
  } catch (const std::bad_alloc&) {
    diagnostics.error(codes::kStopped, program.span, "out of memory");
  } catch (const std::exception& failure) {
    diagnostics.error(codes::kStopped, program.span, failure.what());
  }
  out.schema.groups = compiler.input_groups();
  out.schema.inputs = compiler.input_specs();
  out.image = std::move(compiler).finish();
  out.manifest = manifest::build(program, out.image, now_seconds(options));
  out.diagnostics = std::move(diagnostics);
  return out;
}

}  // namespace kelo_compile
