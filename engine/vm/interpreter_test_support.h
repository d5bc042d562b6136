// A tiny assembler and a scripted host for testing the interpreter on hand-made images.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vm/bytecode.h"
#include "vm/host.h"
#include "vm/interpreter.h"

namespace kelo_vm::testing {

using bytecode::Constant;
using bytecode::Op;
using bytecode::Opcode;

// One function under construction.
struct Fn {
  bytecode::Function f;
  explicit Fn(std::string name = "f", uint8_t arity = 0, uint16_t slots = 0) {
    f.name = std::move(name);
    f.arity = arity;
    f.required = arity;
    f.slots = slots;
  }
  Fn& op(Opcode o) { return push(Op::plain(o)); }
  Fn& a(Opcode o, uint8_t v) { return push(Op::with_a(o, v)); }
  Fn& b(Opcode o, uint16_t v) { return push(Op::with_b(o, v)); }
  Fn& c(Opcode o, uint32_t v) { return push(Op::with_c(o, v)); }
  Fn& host(uint16_t id, uint8_t argc) { return push(Op::call_host(id, argc)); }
  Fn& line(uint32_t l) {
    f.lines.push_back({static_cast<uint32_t>(f.code.size()), l, 1});
    return *this;
  }
  Fn& capture(uint16_t index, uint8_t is_local = 1) {
    f.upvalues.push_back({index, is_local});
    return *this;
  }
  size_t here() const { return f.code.size(); }
  // A forward jump to patch later.
  size_t jump(Opcode o) {
    push(Op::jump(o, 0));
    return f.code.size() - 1;
  }
  Fn& patch(size_t at) {
    f.code[at].set_offset(static_cast<int32_t>(f.code.size() - at - 1));
    return *this;
  }
  Fn& back(Opcode o, size_t target) {
    return push(
        Op::jump(o, static_cast<int32_t>(target) - static_cast<int32_t>(f.code.size()) - 1));
  }
  Fn& push(Op o) {
    f.code.push_back(o);
    return *this;
  }
};

struct Prog {
  bytecode::Image im;
  uint32_t k(Constant c) {
    im.constants.push_back(std::move(c));
    return static_cast<uint32_t>(im.constants.size() - 1);
  }
  uint32_t integer(int64_t v) { return k(Constant::integer(v)); }
  uint32_t number(double v) { return k(Constant::number(v)); }
  uint32_t text(std::string v) { return k(Constant::text_of(std::move(v))); }
  uint32_t name(std::string v) { return k(Constant::name(std::move(v))); }
  uint16_t add(Fn fn) {
    im.functions.push_back(std::move(fn.f));
    return static_cast<uint16_t>(im.functions.size() - 1);
  }
  uint16_t global(std::string name) {
    im.global_names.push_back(std::move(name));
    im.global_count = static_cast<uint16_t>(im.global_names.size());
    return static_cast<uint16_t>(im.global_count - 1);
  }
  std::shared_ptr<const bytecode::Image> image() const {
    return std::make_shared<const bytecode::Image>(im);
  }
};

class ScriptHost : public host::Host {
 public:
  host::Bars bar_data;
  host::SymbolSpec spec;
  size_t current = 0;
  std::vector<std::string> calls;

  uint8_t capability() override { return 2; }
  const host::Bars& bars() override { return bar_data; }
  size_t bar_index() override { return current; }
  bool is_new_bar() override { return true; }
  const host::SymbolSpec& symbol() override { return spec; }
  int64_t now() override { return 0; }
  Result<Value> call(std::string_view name, std::span<const Value> args) override {
    calls.push_back(std::string(name));
    if (name == "host.fail") return RuntimeError{"host says no", 1};
    return Value::integer(static_cast<int64_t>(args.size()));
  }
  void log(std::string_view, std::string_view) override {}
};

// "tag:display" for a value, "error:message@line" for an error.
inline std::string outcome(const Result<Value>& r) {
  if (!r.ok()) return "error:" + r.error().message + "@" + std::to_string(r.error().line);
  return std::string(type_name(r.value())) + ":" + display(r.value());
}

}  // namespace kelo_vm::testing
