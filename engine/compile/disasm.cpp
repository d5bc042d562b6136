#include "compile/disasm.h"

#include "stdlib/hosts.h"

namespace kelo_compile {

namespace bc = kelo_vm::bytecode;

std::string disassemble(const bc::Image& image, const bc::Function& function) {
  std::string out;
  for (const bc::Op& op : function.code) {
    if (!out.empty()) out += '\n';
    out += bc::opcode_name(op.code);
    // Appended piece by piece: GCC 12 misreports "literal" + std::string as overlapping.
    auto number = [&out](long long v) {
      out += ' ';
      out += std::to_string(v);
    };
    switch (bc::opcode_operand(op.code)) {
      case bc::Operand::None: break;
      case bc::Operand::A8:
        // Plain Coalesce reads as it always did; its other forms by name.
        if (op.code == bc::Opcode::Coalesce) {
          constexpr const char* kChoices[] = {"", "and", "or", "where", "where-after", "fill"};
          if (op.a != 0) {
            out += ' ';
            out += op.a < std::size(kChoices) ? kChoices[op.a] : std::to_string(op.a).c_str();
          }
          break;
        }
        number(op.a);
        break;
      case bc::Operand::B16: number(op.b); break;
      case bc::Operand::C32:
        if (op.c < image.constants.size()) {
          out += ' ';
          out += image.constants[op.c].debug();
        } else {
          out += " #";
          out += std::to_string(op.c);
        }
        break;
      case bc::Operand::Jump: number(op.offset()); break;
      case bc::Operand::B16A8: {
        const auto* host = kelo_std::hosts::table().at(op.b);
        if (host) {
          out += ' ';
          out += host->name;
        } else {
          out += " #";
          out += std::to_string(op.b);
        }
        number(op.a);
        break;
      }
    }
  }
  return out;
}

}  // namespace kelo_compile
