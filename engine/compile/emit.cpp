#include "compile/emit.h"

#include <limits>

namespace kelo_compile {

void FnState::too_many_ops() const {
  throw InternalError("function '" + name + "' has more operations than an image can hold");
}

std::int32_t FnState::distance(std::size_t from, std::size_t target) {
  const auto delta = static_cast<long long>(target) - static_cast<long long>(from) - 1;
  if (delta > std::numeric_limits<std::int32_t>::max() ||
      delta < std::numeric_limits<std::int32_t>::min()) {
    throw InternalError("a jump is longer than an instruction can hold");
  }
  return static_cast<std::int32_t>(delta);
}

void FnState::patch_jump(std::size_t index) {
  if (index >= code.size()) {
    throw InternalError("cannot patch op " + std::to_string(index) + " beyond the code");
  }
  bc::Op& op = code[index];
  if (!bc::is_jump(op.code)) throw InternalError("cannot patch " + op_debug(op));
  op.set_offset(distance(index, code.size()));
}

std::uint16_t FnState::take_slot() {
  if (live == std::numeric_limits<std::uint16_t>::max()) {
    throw InternalError("function '" + name + "' has more local variables than 65535");
  }
  const std::uint16_t slot = live++;
  if (live > slots) slots = live;
  return slot;
}

std::uint16_t FnState::spare_slot() {
  if (slots == std::numeric_limits<std::uint16_t>::max()) {
    throw InternalError("function '" + name + "' has more local variables than 65535");
  }
  return slots++;
}

void FnState::end_scope() {
  const std::uint16_t freed = scopes.end();
  live = freed > live ? 0 : static_cast<std::uint16_t>(live - freed);
}

bc::Function FnState::finish() && {
  bc::Function fn;
  fn.name = std::move(name);
  fn.arity = arity;
  fn.required = required;
  fn.slots = slots;
  fn.upvalues = std::move(upvalues);
  fn.code = std::move(code);
  fn.lines = std::move(lines);
  return fn;
}

std::string op_debug(const bc::Op& op) {
  std::string out(bc::opcode_name(op.code));
  auto operand = [&out](long long v) {
    out += '(';
    out += std::to_string(v);
    out += ')';
  };
  switch (bc::opcode_operand(op.code)) {
    case bc::Operand::None: break;
    case bc::Operand::A8: operand(op.a); break;
    case bc::Operand::B16: operand(op.b); break;
    case bc::Operand::C32: operand(op.c); break;
    case bc::Operand::Jump: operand(op.offset()); break;
    case bc::Operand::B16A8:
      out += '(';
      out += std::to_string(op.b);
      out += ", ";
      out += std::to_string(op.a);
      out += ')';
      break;
  }
  return out;
}

}  // namespace kelo_compile
