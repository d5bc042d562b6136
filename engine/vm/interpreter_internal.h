// Shared between the interpreter's files: internal opcodes and the loop iterator.
#pragma once

#include <cstdint>
#include <vector>

#include "vm/bytecode.h"
#include "vm/interpreter.h"

namespace kelo_vm {

// The binary operators with fused forms that take their right operand from a constant
// or a local slot instead of the stack.
#define KELO_FUSED_ARITH(X) \
  X(Add) X(Sub) X(Mul) X(Div) X(Rem) X(Less) X(LessEqual) X(Greater) X(GreaterEqual) X(Equal) X(NotEqual)
// The operators with a fused form that also stores the result (x = a op b).
#define KELO_FUSED_STORE(X) X(Add) X(Sub) X(Mul)
// The comparisons with fused forms that also take the JumpIfFalse after them.
#define KELO_FUSED_COMPARE(X) X(Less) X(LessEqual) X(Greater) X(GreaterEqual)

// Decoded-only opcodes, numbered after the image's.
//
// Fused sequences: the fused op replaces the first instruction only; the others stay in
// place (for jumps into them and for the fallback, which runs the first component alone
// and goes on at the next instruction). Each counts every instruction it stands for,
// and falls back when the budget would run out inside it or its operands need the
// general rules. Unless noted, a fused op keeps the first instruction's operands and
// reads the others from the instructions that follow it.
enum InternalOp : uint8_t {
  kOpEndLoop = bytecode::kOpcodeCount,  // a for loop's closing Pop
  kOpNop,                               // SetGlobal out of range
  kOpSetLocalPop,                       // SetLocal b; Pop
  kOpLocalConst,                        // GetLocal b; Const c (both operands in one)
  kOpLessJump,                          // Less; JumpIfFalse c (the jump's target in c)
  kOpAddToLocal,  // GetLocal b; Const c; Add; SetLocal b; Pop (x = x + k, as loops count)
  kOpIterNextLocal,   // IterNext; SetLocal; Pop, for a loop binding one name
  kOpLocalIndex,      // GetLocal b; Index
  kOpConstCoalesce,   // Const c; Coalesce
  kOpLocalLocal,      // GetLocal b; GetLocal
  kOpLocalLocalIndex, // GetLocal b; GetLocal; Index
  kOpSetIndexPop,     // SetIndex; Pop
#define KELO_ARITH_STORE(name) kOp##name##Store,  // <op>; SetLocal; Pop
  KELO_FUSED_STORE(KELO_ARITH_STORE)
#undef KELO_ARITH_STORE
#define KELO_CONST_ARITH(name) kOpConst##name,  // Const c; <op>
  KELO_FUSED_ARITH(KELO_CONST_ARITH)
#undef KELO_CONST_ARITH
#define KELO_LOCAL_ARITH(name) kOpLocal##name,  // GetLocal b; <op>
  KELO_FUSED_ARITH(KELO_LOCAL_ARITH)
#undef KELO_LOCAL_ARITH
#define KELO_CONST_JUMP(name) kOpConst##name##Jump,  // Const c; <compare>; JumpIfFalse
  KELO_FUSED_COMPARE(KELO_CONST_JUMP)
#undef KELO_CONST_JUMP
#define KELO_LOCAL_JUMP(name) kOpLocal##name##Jump,  // GetLocal b; <compare>; JumpIfFalse
  KELO_FUSED_COMPARE(KELO_LOCAL_JUMP)
#undef KELO_LOCAL_JUMP
#define KELO_LOCAL_CONST_ARITH(name) kOpLocalConst##name,  // GetLocal b; Const; <op>
  KELO_FUSED_ARITH(KELO_LOCAL_CONST_ARITH)
#undef KELO_LOCAL_CONST_ARITH
  // GetLocal b; Const; <compare>; JumpIfFalse
#define KELO_LOCAL_CONST_JUMP(name) kOpLocalConst##name##Jump,
  KELO_FUSED_COMPARE(KELO_LOCAL_CONST_JUMP)
#undef KELO_LOCAL_CONST_JUMP
  // Jump whose target is a loop's head: goes straight on into the target's handler.
  kOpJumpToIterNextLocal,
#define KELO_JUMP_TO(name) kOpJumpToLocalConst##name##Jump,
  KELO_FUSED_COMPARE(KELO_JUMP_TO)
#undef KELO_JUMP_TO
  kOpTotal
};
static_assert(kOpTotal <= 256);

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
