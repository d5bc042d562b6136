// The interpreter: runs one function of an image (an event handler, the top level, a
// closure) instruction by instruction on a value stack with frames, try handlers, loop
// iterators and a step budget.
//
// Design: the image is decoded once per Vm into flat instruction arrays with absolute
// jump targets and verified (operand ranges, stack depth), so the dispatch loop has no
// bounds checks; constants are materialised once; common instruction sequences are
// fused into single dispatches that still count every instruction they stand for
// (interpreter_internal.h). Bytecode calls push a frame in the
// same loop (no C++ recursion); only a built-in calling back into bytecode
// (`call_value`) starts a nested loop, which unwinds no further than its own frames.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "vm/bytecode.h"
#include "vm/dispatch.h"
#include "vm/host.h"
#include "vm/runtime_error.h"
#include "vm/value.h"

namespace kelo_vm {

struct VmOptions {
  uint64_t budget = 2'000'000;       // instructions per run, callbacks included
  uint32_t max_frames = 10'000;      // deeper recursion is a runtime error
  uint32_t max_reentry = 200;        // nested built-in callbacks (C++ stack depth)
  uint32_t stack_values = 1u << 20;  // value stack capacity, reserved once
};

inline constexpr std::string_view kBudgetMessage = "This event used more steps than it is allowed";
inline constexpr std::string_view kTooDeepMessage = "Too many nested calls";
// Arrays grow by SetIndex to at most this many elements; a write beyond stores nothing.
inline constexpr int64_t kMaxIndexWrite = 16 * 1024 * 1024;

class Vm {
 public:
  // `builtins` must outlive the Vm.
  Vm(std::shared_ptr<const bytecode::Image> image, const Builtins& builtins,
     VmOptions options = {});
  ~Vm();
  Vm(const Vm&) = delete;
  Vm& operator=(const Vm&) = delete;

  // Runs the input initialiser, applies overrides to globals by exact name, runs main.
  Outcome load_with(host::Host& host, std::span<const std::pair<std::string, Value>> overrides);
  // Runs one function to completion; the step count starts at 0.
  Result<Value> run(uint16_t function, std::span<const Value> args, host::Host& host);
  // Calls a closure, a host-function value or an Int (its low 16 bits as a host id).
  // Re-entrant: built-ins use it for callbacks; the step count goes on.
  Result<Value> call_value(const Value& callee, std::span<const Value> args, host::Host& host);
  Result<Value> call_host(uint16_t id, std::span<const Value> args, host::Host& host);

  // container[index]; never fails.
  Value index_value(const Value& container, const Value& index, host::Host& host) const;
  // value.name; never fails.
  static Value member_of(const Value& value, std::string_view name);
  static bool write_buffer(const Series& s, const Value& index, const Value& value,
                           host::Host& host);
  // Whether a condition holds; a series is read at the current bar (NaN and 0 false).
  bool condition(const Value& v, host::Host& host) const;

  Value constant(uint32_t index) const;
  std::string constant_name(uint32_t index) const;

  const bytecode::Image& image() const { return *image_; }
  const Builtins& builtins() const { return builtins_; }
  std::vector<Value>& globals() { return globals_; }
  uint64_t steps() const { return steps_; }
  uint64_t budget() const { return options_.budget; }
  void set_budget(uint64_t budget) { options_.budget = budget; }
  // Empty when the image decoded cleanly; otherwise why every run fails.
  const std::string& fault() const { return fault_; }

  // Decoded instruction: jumps hold absolute targets in `c`.
  struct Instr {
    uint8_t op;
    uint8_t a;
    uint16_t b;
    uint32_t c;
  };

 private:
  struct Decoded {
    std::vector<Instr> code;  // ends with an extra ReturnNothing (running off the end)
    uint32_t slots = 0;       // reserved locals: up to 65536 (slot 65535 used)
    uint8_t arity = 0;
    bool captures = false;
    Value shared_closure;  // one Closure for functions that capture nothing
  };
  struct Frame {
    const Instr* ip;
    const Instr* code;  // fn->code.data(): jump targets are offsets from it
    Value* base;        // slot 0; base[-1] holds the callee
    const Decoded* fn;
    const Closure* closure;  // null for run()
    uint32_t iter_base;
    uint32_t handler_base;
  };
  struct Handler {
    uint32_t frame;
    uint32_t begin;   // first op of the protected range
    uint32_t resume;  // handler start; also the end of the range
    Value* sp;
    uint32_t iter_height;
  };
  struct Iter;

  void decode();
  std::string verify(const Decoded& d, size_t index) const;
  Result<Value> enter_and_execute(uint16_t function, const Closure* closure, const Value& callee,
                                  std::span<const Value> args, host::Host& host);
  Result<Value> execute(host::Host& host);
  // The dispatch loop itself (execute() turns what it throws into the memory error).
  Result<Value> execute_loop(host::Host& host);
  // a = a op b for two numbers (Int or Num); false, leaving a as it was, for any other
  // operands, which take the general rules.
  template <uint8_t Op>
  static bool arith(Value& a, const Value& b);
  Result<Value> call_host_resolved(uint16_t id, std::span<const Value> args, host::Host& host);
  Result<Value> call_value_inner(const Value& callee, std::span<const Value> args,
                                 host::Host& host);
  Result<Value> with_outer_line(Result<Value> r) const;
  void cut_iterators(uint32_t height);
  uint32_t line_of(const Frame& f) const;
  RuntimeError located(RuntimeError e, const Frame& f) const;
  void maybe_collect();

  std::shared_ptr<const bytecode::Image> image_;
  const Builtins& builtins_;
  VmOptions options_;
  std::string fault_;

  std::vector<Value> globals_;
  std::vector<Value> constants_;
  std::vector<Value> names_;  // Text of each constant's name form
  std::vector<Decoded> fns_;

  Value* stack_ = nullptr;  // raw storage; [stack_, sp_) are live values
  Value* sp_ = nullptr;
  Value* stack_limit_ = nullptr;
  std::unique_ptr<Frame[]> frames_;
  uint32_t frame_count_ = 0;
  uint32_t barrier_ = 0;  // frames below belong to an outer loop
  uint32_t reentry_ = 0;
  std::vector<Handler> handlers_;
  std::vector<Iter> iters_;

  struct HostSlot {
    bool resolved = false;
    bool known = false;
    BuiltinFn fn = nullptr;
    std::string_view name;
  };
  mutable std::vector<HostSlot> host_slots_;

  uint64_t steps_ = 0;
  // An allocation inside the loop threw: the loop starts again to raise the memory error,
  // until a handler takes it or it ends the loop.
  bool raising_ = false;
  size_t gc_threshold_ = 4096;
};

}  // namespace kelo_vm
