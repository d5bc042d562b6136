// Readable listings of compiled functions, for tests and debugging.
#pragma once

#include <string>

#include "vm/bytecode.h"

namespace kelo_compile {

// One op per line, joined by "\n": the opcode name and its operand, with constants in
// their debug form and host calls by name, e.g. "Const Int(5)", "CallHost close 0",
// "Jump -4", "GetMember Name(x)".
std::string disassemble(const kelo_vm::bytecode::Image& image,
                        const kelo_vm::bytecode::Function& function);

}  // namespace kelo_compile
