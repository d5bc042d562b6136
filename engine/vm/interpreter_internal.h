// Shared between the interpreter's files: internal opcodes and the loop iterator.
#pragma once

#include <cstdint>
#include <vector>

#include "vm/bytecode.h"
#include "vm/interpreter.h"

namespace kelo_vm {

// The operator families of the fused forms. Each calls F(X, name) per operator, so that
// one family list makes the rows of several forms; KELO_EACH(X, name) gives just X(name).
#define KELO_EACH(X, name) X(name)
// The binary operators with fused forms that take their right operand from a constant
// or a local slot instead of the stack.
#define KELO_FUSED_ARITH(F, X)                                                             \
  F(X, Add) F(X, Sub) F(X, Mul) F(X, Div) F(X, Rem) F(X, Less) F(X, LessEqual) F(X, Greater) \
  F(X, GreaterEqual) F(X, Equal) F(X, NotEqual)
// The operators with a fused form that also stores the result (x = a op b).
#define KELO_FUSED_STORE(F, X) F(X, Add) F(X, Sub) F(X, Mul)
// The comparisons with fused forms that also take the JumpIfFalse after them.
#define KELO_FUSED_COMPARE(F, X) F(X, Less) F(X, LessEqual) F(X, Greater) F(X, GreaterEqual)

// The forms of a family: one row of KELO_INTERNAL_OPS per operator.
#define KELO_FORM_STORE(X, name) X(name##Store, name, "<op>; SetLocal; Pop")
#define KELO_FORM_CONST(X, name) X(Const##name, Const, "Const c; <op>")
#define KELO_FORM_LOCAL(X, name) X(Local##name, GetLocal, "GetLocal b; <op>")
#define KELO_FORM_CONST_JUMP(X, name) \
  X(Const##name##Jump, Const, "Const c; <compare>; JumpIfFalse")
#define KELO_FORM_LOCAL_JUMP(X, name) \
  X(Local##name##Jump, GetLocal, "GetLocal b; <compare>; JumpIfFalse")
#define KELO_FORM_LOCAL_CONST(X, name) X(LocalConst##name, GetLocal, "GetLocal b; Const; <op>")
#define KELO_FORM_LOCAL_CONST_JUMP(X, name) \
  X(LocalConst##name##Jump, GetLocal, "GetLocal b; Const; <compare>; JumpIfFalse")
#define KELO_FORM_JUMP_TO(X, name) \
  X(JumpToLocalConst##name##Jump, Jump, "Jump to a loop head of the form above")

// X(name, replaces, summary): the decoded-only opcodes, numbered after the image's, as
// kOp<name>; the interpreter's handler of each is L_<name>. `replaces` is the image
// instruction whose place it takes (whose stack effect it has where the verifier sees it).
//
// Fused sequences: the fused op replaces the first instruction only; the others stay in
// place (for jumps into them and for the fallback, which runs the first component alone
// and goes on at the next instruction). Each counts every instruction it stands for,
// and falls back when the budget would run out inside it or its operands need the
// general rules. Unless noted, a fused op keeps the first instruction's operands and
// reads the others from the instructions that follow it.
// clang-format off
#define KELO_INTERNAL_OPS(X)                                                                   \
  X(EndLoop,         Pop,       "a for loop's closing Pop: also ends its iterator")            \
  X(Nop,             SetGlobal, "SetGlobal of a global beyond the image")                      \
  X(SetLocalPop,     SetLocal,  "SetLocal b; Pop")                                             \
  X(LocalConst,      GetLocal,  "GetLocal b; Const c (both operands in one)")                  \
  X(LessJump,        Less,      "Less; JumpIfFalse c (the jump's target in c)")                \
  X(AddToLocal,      GetLocal,  "GetLocal b; Const c; Add; SetLocal b; Pop (x = x + k)")       \
  X(IterNextLocal,   IterNext,  "IterNext; SetLocal; Pop, for a loop binding one name")        \
  X(LocalIndex,      GetLocal,  "GetLocal b; Index")                                           \
  X(ConstCoalesce,   Const,     "Const c; Coalesce")                                           \
  X(LocalLocal,      GetLocal,  "GetLocal b; GetLocal")                                        \
  X(LocalLocalIndex, GetLocal,  "GetLocal b; GetLocal; Index")                                 \
  X(SetIndexPop,     SetIndex,  "SetIndex; Pop")                                               \
  KELO_FUSED_STORE(KELO_FORM_STORE, X)                                                         \
  KELO_FUSED_ARITH(KELO_FORM_CONST, X)                                                         \
  KELO_FUSED_ARITH(KELO_FORM_LOCAL, X)                                                         \
  KELO_FUSED_COMPARE(KELO_FORM_CONST_JUMP, X)                                                  \
  KELO_FUSED_COMPARE(KELO_FORM_LOCAL_JUMP, X)                                                  \
  KELO_FUSED_ARITH(KELO_FORM_LOCAL_CONST, X)                                                   \
  KELO_FUSED_COMPARE(KELO_FORM_LOCAL_CONST_JUMP, X)                                            \
  /* A jump whose target is a loop's head goes straight on into the target's handler. */     \
  X(JumpToIterNextLocal, Jump,  "Jump to a loop head that is an IterNextLocal")                \
  KELO_FUSED_COMPARE(KELO_FORM_JUMP_TO, X)
// clang-format on

enum InternalOp : uint8_t {
  kOpBeforeInternal = bytecode::kOpcodeCount - 1,
#define KELO_INTERNAL_ENUM(name, ...) kOp##name,
  KELO_INTERNAL_OPS(KELO_INTERNAL_ENUM)
#undef KELO_INTERNAL_ENUM
  kOpTotal
};
static_assert(kOpTotal <= 256);

// The image opcode a decoded opcode stands for: itself, or the one it replaces.
inline constexpr bytecode::Opcode kReplaced[] = {
#define KELO_INTERNAL_REPLACES(name, replaces, summary) bytecode::Opcode::replaces,
    KELO_INTERNAL_OPS(KELO_INTERNAL_REPLACES)
#undef KELO_INTERNAL_REPLACES
};
constexpr bytecode::Opcode image_opcode(uint8_t op) {
  return op < bytecode::kOpcodeCount ? static_cast<bytecode::Opcode>(op)
                                     : kReplaced[op - bytecode::kOpcodeCount];
}

// Fuses instruction sequences of a verified function in place.
void fuse(std::vector<Vm::Instr>& code);

// One running for loop. It belongs to the frame that started it and dies with its loop:
// the loop's closing Pop, a return or an unwind past its placeholder removes it.
struct Vm::Iter {
  enum class Kind : uint8_t { Items, Pairs, Text, Range, Single };
  Kind kind = Kind::Single;
  uint8_t names = 1;  // 1: push the item; 2: push key (or position) then item
  Value* placeholder = nullptr;
  const Vm::Instr* init = nullptr;  // the IterInit that made it
  size_t pos = 0;                   // items taken so far
  std::vector<Value> items;         // array elements; map values
  std::vector<Value> keys;          // map keys (two names only)
  Value source;                     // Text, or the Single value
  size_t byte = 0;                  // Text: offset of the next character
  int64_t next = 0;                 // Range
  int64_t end = 0;
  bool inclusive = false;
  bool done = false;
};

}  // namespace kelo_vm
