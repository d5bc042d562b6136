// Compiler frame: emission, constant pooling, diagnostics and the finished image.
#include "compile/compiler.h"

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

FnState& Compiler::fn() {
  if (frames_.empty()) throw InternalError("a frame");
  return frames_.back();
}

std::size_t Compiler::emit(bc::Op op, const Span& span) { return fn().emit(op, span.start); }

namespace {
// The pooling identity of a constant: variant and payload. Numbers compare as floats,
// so -0.0 keys like 0.0 and a NaN has no key (it never pools).
std::optional<std::string> pool_key(const bc::Constant& c) {
  std::string key(1, static_cast<char>(c.kind));
  auto add_bits = [&key](const void* p, std::size_t n) {
    key.append(static_cast<const char*>(p), n);
  };
  switch (c.kind) {
    case bc::ConstantKind::Int:
    case bc::ConstantKind::Time:
    case bc::ConstantKind::HostFunction: add_bits(&c.i, sizeof c.i); break;
    case bc::ConstantKind::Num:
    case bc::ConstantKind::Duration: {
      if (std::isnan(c.n)) return std::nullopt;
      const double v = c.n == 0.0 ? 0.0 : c.n;
      add_bits(&v, sizeof v);
      break;
    }
    case bc::ConstantKind::Color: add_bits(&c.color, sizeof c.color); break;
    case bc::ConstantKind::Text:
    case bc::ConstantKind::Name: key += c.text; break;
  }
  return key;
}
}  // namespace

std::uint32_t Compiler::constant(bc::Constant value) {
  auto& pool = image_.constants;
  auto key = pool_key(value);
  if (key) {
    if (auto it = constant_index_.find(*key); it != constant_index_.end()) return it->second;
  }
  if (pool.size() >= std::numeric_limits<std::uint32_t>::max()) {
    throw InternalError("the program has more constants than an image can hold");
  }
  pool.push_back(std::move(value));
  const auto index = static_cast<std::uint32_t>(pool.size() - 1);
  if (key) constant_index_.emplace(std::move(*key), index);
  return index;
}

std::size_t Compiler::push_text(std::string_view text, const Span& span) {
  return emit(bc::Op::with_c(bc::Opcode::Const, constant(bc::Constant::text_of(std::string(text)))),
              span);
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
  image_.global_names = global_names_;
  return std::move(image_);
}

std::uint16_t Compiler::host_id(std::string_view path) const {
  const auto* host = hosts_.get(path);
  return host ? host->id : 0;
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
  const kelo_std::Registry registry = kelo_std::builtins();
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
