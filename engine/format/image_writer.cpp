// The image section: every part of the compiled program in a fixed order, each
// instruction widened to 9 bytes (opcode number + 1, then u32 operands A and B).
#include <cstdint>
#include <limits>

#include "format/bundle.h"

namespace kelo_format::image {

namespace bc = kelo_vm::bytecode;

namespace {

constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

void constant(const bc::Constant& c, ByteWriter& out) {
  switch (c.kind) {
    case bc::ConstantKind::Int:
    case bc::ConstantKind::HostFunction: out.u8(1); out.i64(c.i); return;
    case bc::ConstantKind::Num: out.u8(2); out.f64(c.n); return;
    case bc::ConstantKind::Text: out.u8(3); out.str(c.text); return;
    case bc::ConstantKind::Time: out.u8(4); out.i64(c.i); return;
    case bc::ConstantKind::Duration: out.u8(5); out.f64(c.n); return;
    case bc::ConstantKind::Color: out.u8(6); out.u32(c.color); return;
    case bc::ConstantKind::Name: out.u8(7); out.str(c.text); return;
  }
}

// Operands A and B as the file lays them out, by the opcode's operand shape: the one
// operand in A, except CallHost's two (host id in A, argument count in B). IterInit's
// count of names is kept too: it decides what each step of its loop pushes, so a loader
// needs it to run the loop the way it was compiled.
void instruction(const bc::Op& op, ByteWriter& out) {
  std::uint32_t a = 0;
  std::uint32_t b = 0;
  switch (bc::opcode_operand(op.code)) {
    case bc::Operand::None: break;
    case bc::Operand::A8: a = op.a; break;
    case bc::Operand::B16: a = op.b; break;
    case bc::Operand::C32:
    case bc::Operand::Jump: a = op.c; break;
    case bc::Operand::B16A8:
      a = op.b;
      b = op.a;
      break;
  }
  out.u8(static_cast<std::uint8_t>(static_cast<unsigned>(op.code) + 1));
  out.u32(a);
  out.u32(b);
}

void function(const bc::Function& fn, ByteWriter& out) {
  out.str(fn.name);
  out.u8(fn.arity);
  out.u8(fn.required);
  // The count a call pads its arguments to: the declared parameters.
  out.u16(fn.arity);
  out.count(fn.upvalues.size());
  for (const bc::Upvalue& up : fn.upvalues) {
    out.u16(up.index);
    out.u8(up.is_local);
  }
  out.count(fn.code.size());
  for (const bc::Op& op : fn.code) instruction(op, out);
  out.count(fn.lines.size());
  for (const bc::LineEntry& line : fn.lines) {
    out.u32(line.op);
    out.u32(line.line);
    out.u32(line.column);
  }
}

std::uint32_t optional_index(const std::optional<std::uint16_t>& index) {
  return index ? *index : kNone;
}

}  // namespace

void write(const bc::Image& image, ByteWriter& out) {
  out.str(image.name);
  out.count(image.constants.size());
  for (const bc::Constant& c : image.constants) constant(c, out);
  out.count(image.functions.size());
  for (const bc::Function& fn : image.functions) function(fn, out);
  out.u16(image.global_count);
  out.count(image.global_names.size());
  for (const std::string& name : image.global_names) out.str(name);
  out.u32(optional_index(image.main));
  out.u32(optional_index(image.input_initialiser));
  out.count(image.events.size());
  for (const bc::EventEntry& event : image.events) {
    out.str(bc::event_handler_name(event.kind));
    out.u16(event.function);
  }
  out.count(image.plots.size());
  for (const bc::PlotDef& plot : image.plots) {
    out.str(plot.title);
    out.u16(plot.function);
    out.str(plot.style);
    out.u32(plot.color);
    out.f64(plot.width);
    out.str(plot.panel);
  }
  out.count(image.buffers.size());
  for (const std::string& buffer : image.buffers) out.str(buffer);
  out.count(image.panels.size());
  for (const bc::PanelDef& panel : image.panels) {
    out.str(panel.title);
    out.u16(panel.function);
  }
}

Bytes write(const bc::Image& image) {
  ByteWriter out;
  write(image, out);
  return out.take();
}

}  // namespace kelo_format::image
