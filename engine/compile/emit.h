// The per-function emission buffer: code, line table, locals, captures, loops.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "compile/scope.h"
#include "core/diag.h"
#include "vm/bytecode.h"

namespace kelo_compile {

namespace bc = kelo_vm::bytecode;

// A broken invariant of the compiler itself, or a program beyond an operand's range.
// Raised inside a compile and turned into an error diagnostic at its entry; it never
// leaves `compile`.
class InternalError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Pending jumps of one loop under compilation.
struct LoopContext {
  std::vector<std::size_t> breaks;  // Jump ops of `break`, patched by end_loop
  std::size_t start = 0;            // where `continue` goes
  int try_depth = 0;                // tries open in the function when the loop began
};

struct FnState {
  std::string name;
  std::vector<bc::Op> code;
  std::vector<bc::LineEntry> lines;
  scope::Scopes scopes;
  std::uint16_t live = 0;
  std::uint16_t slots = 0;
  std::vector<bc::Upvalue> upvalues;
  std::vector<std::string> upvalue_names;
  std::vector<LoopContext> loops;
  std::uint8_t arity = 0;
  std::uint8_t required = 0;
  int try_depth = 0;  // try bodies currently open; break/continue close the ones they leave
  std::optional<kelo_core::types::Type> result;  // the written result type, for `return`

  explicit FnState(std::string fn_name) : name(std::move(fn_name)) {
    // Room for a typical function, so that its first few dozen ops need no regrowing.
    code.reserve(64);
    lines.reserve(32);
  }

  // Appends an op; a line entry only when the position changes.
  std::size_t emit(bc::Op op, kelo_core::diag::Position at) {
    const std::size_t index = code.size();
    if (index >= kMaxOps) [[unlikely]]
      too_many_ops();
    code.push_back(op);
    if (lines.empty() || lines.back().line != at.line || lines.back().column != at.column) {
      lines.push_back({static_cast<std::uint32_t>(index), at.line, at.column});
    }
    return index;
  }
  // Makes the jump at `index` land at the current end of code.
  void patch_jump(std::size_t index);
  // Relative operand from the op after `from` to `target`.
  static std::int32_t distance(std::size_t from, std::size_t target);
  // Next local slot (slot discipline: take `live`, raise `slots`).
  std::uint16_t take_slot();
  // A slot above every one in use so far, for a value an expression keeps while it runs.
  std::uint16_t spare_slot();
  void begin_scope() { scopes.begin(); }
  void end_scope();

  bc::Function finish() &&;

 private:
  static constexpr std::size_t kMaxOps = std::numeric_limits<std::uint32_t>::max();
  [[noreturn]] void too_many_ops() const;
};

// Debug form of an op, e.g. "Pop" or "Jump(-4)" or "CallHost(12, 0)".
std::string op_debug(const bc::Op& op);

}  // namespace kelo_compile
