// Shared between the interpreter's files: internal opcodes and the loop iterator.
#pragma once

#include <cstdint>
#include <vector>

#include "vm/bytecode.h"
#include "vm/interpreter.h"

namespace kelo_vm {

// Decoded-only opcodes, numbered after the image's.
inline constexpr uint8_t kOpEndLoop = bytecode::kOpcodeCount;  // a for loop's closing Pop
inline constexpr uint8_t kOpNop = bytecode::kOpcodeCount + 1;  // SetGlobal out of range
// Fused pairs and triples. The fused op replaces the first instruction only; the others
// stay in place (for jumps into them and for the fallback, which runs the first
// component alone and goes on at the next instruction). Each counts every instruction
// it stands for, and falls back when the budget would run out inside it.
inline constexpr uint8_t kOpSetLocalPop = bytecode::kOpcodeCount + 2;  // SetLocal b; Pop
inline constexpr uint8_t kOpLocalConst = bytecode::kOpcodeCount + 3;   // GetLocal b; Const c
inline constexpr uint8_t kOpLessJump = bytecode::kOpcodeCount + 4;     // Less; JumpIfFalse c
// GetLocal b; Const c; Add; SetLocal b; Pop (x = x + k, as loops count)
inline constexpr uint8_t kOpAddToLocal = bytecode::kOpcodeCount + 5;
inline constexpr uint8_t kOpTotal = bytecode::kOpcodeCount + 6;

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
