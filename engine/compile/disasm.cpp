#include "compile/disasm.h"

#include "stdlib/hosts.h"

namespace kelo_compile {

namespace bc = kelo_vm::bytecode;

std::string disassemble(const bc::Image& image, const bc::Function& function) {
  std::string out;
  for (const bc::Op& op : function.code) {
    if (!out.empty()) out += '\n';
    out += bc::opcode_name(op.code);
    switch (bc::opcode_operand(op.code)) {
      case bc::Operand::None: break;
      case bc::Operand::A8: out += " " + std::to_string(op.a); break;
      case bc::Operand::B16: out += " " + std::to_string(op.b); break;
      case bc::Operand::C32:
        out += " ";
        out += op.c < image.constants.size() ? image.constants[op.c].debug()
                                             : "#" + std::to_string(op.c);
        break;
      case bc::Operand::Jump: out += " " + std::to_string(op.offset()); break;
      case bc::Operand::B16A8: {
        const auto* host = kelo_std::hosts::table().at(op.b);
        out += " " + (host ? host->name : "#" + std::to_string(op.b)) + " " + std::to_string(op.a);
        break;
      }
    }
  }
  return out;
}

}  // namespace kelo_compile
