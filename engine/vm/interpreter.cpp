#include "vm/interpreter.h"

#include <cmath>
#include <limits>
#include <memory>

#include "vm/interpreter_internal.h"

namespace kelo_vm {

using bytecode::Flow;
using bytecode::Opcode;
using bytecode::Operand;

Result<Value> BuiltinCall::forward() const {
  Result<Value> r = host.call(name, args);
  if (!r.ok() && r.error().line == 1) r.error().line = 0;
  return r;
}

Vm::Vm(std::shared_ptr<const bytecode::Image> image, const Builtins& builtins, VmOptions options)
    : image_(std::move(image)), builtins_(builtins), options_(options) {
  if (options_.stack_values < 1024) options_.stack_values = 1024;
  if (options_.max_frames < 1) options_.max_frames = 1;
  // Raw storage, reserved once: pointers into the stack stay valid across re-entry, and
  // untouched pages cost nothing.
  stack_ = std::allocator<Value>().allocate(options_.stack_values);
  sp_ = stack_;
  stack_limit_ = stack_ + options_.stack_values - 8;
  frames_ = std::make_unique<Frame[]>(options_.max_frames + 1);
  handlers_.reserve(16);
  iters_.reserve(16);
  if (!image_) {
    fault_ = "no program";
    return;
  }
  globals_.resize(image_->global_count);
  decode();
}

Vm::~Vm() {
  while (sp_ > stack_) (--sp_)->~Value();
  std::allocator<Value>().deallocate(stack_, options_.stack_values);
  iters_.clear();
  globals_.clear();
  constants_.clear();
  names_.clear();
  fns_.clear();
  // Whatever the program left in reference cycles dies with it.
  collect_cycles();
}

// ---------------------------------------------------------------------------------------
// Decoding

void Vm::decode() {
  const bytecode::Image& im = *image_;
  constants_.reserve(im.constants.size());
  names_.reserve(im.constants.size());
  for (uint32_t i = 0; i < im.constants.size(); ++i) {
    constants_.push_back(constant(i));
    names_.push_back(Value::text(constant_name(i)));
  }
  fns_.resize(im.functions.size());
  for (size_t f = 0; f < im.functions.size() && fault_.empty(); ++f) {
    const bytecode::Function& src = im.functions[f];
    Decoded& d = fns_[f];
    d.arity = src.arity;
    uint32_t slots = std::max<uint32_t>(src.slots, src.arity);
    d.captures = !src.upvalues.empty();
    const size_t n = src.code.size();
    if (n >= (size_t{1} << 31)) {
      fault_ = "function too long";
      break;
    }
    d.code.resize(n + 1);
    for (size_t i = 0; i < n && fault_.empty(); ++i) {
      const bytecode::Op& op = src.code[i];
      Instr& in = d.code[i];
      in = Instr{static_cast<uint8_t>(op.code), op.a, op.b, op.c};
      const auto code = static_cast<unsigned>(op.code);
      if (code >= static_cast<unsigned>(bytecode::kOpcodeCount)) {
        fault_ = "unknown instruction " + std::to_string(code);
        break;
      }
      switch (op.code) {
        case Opcode::Const:
        case Opcode::GetMember:
        case Opcode::SetMember:
        case Opcode::EnumCase:
          if (op.c >= im.constants.size()) fault_ = "constant out of range";
          break;
        case Opcode::GetLocal:
        case Opcode::SetLocal:
          slots = std::max<uint32_t>(slots, uint32_t{op.b} + 1);
          break;
        case Opcode::GetGlobal:
          if (op.b >= globals_.size()) in.op = static_cast<uint8_t>(Opcode::Nothing);
          break;
        case Opcode::SetGlobal:
          if (op.b >= globals_.size()) in.op = kOpNop;
          break;
        case Opcode::Closure:
          if (op.b >= im.functions.size()) fault_ = "function out of range";
          break;
        case Opcode::IterInit:
          in.a = op.a >= 2 ? 2 : 1;
          break;
        case Opcode::Coalesce:
          if (op.a >= bytecode::kChoiceCount) fault_ = "unknown choice " + std::to_string(op.a);
          break;
        default:
          break;
      }
      if (bytecode::is_jump(op.code)) {
        const int64_t target = static_cast<int64_t>(i) + 1 + op.offset();
        if (target < 0 || target > static_cast<int64_t>(n)) {
          fault_ = "jump out of range";
          break;
        }
        in.c = static_cast<uint32_t>(target);
      }
    }
    if (!fault_.empty()) break;
    d.code[n] = Instr{static_cast<uint8_t>(Opcode::ReturnNothing), 0, 0, 0};
    // The exit of every for loop is its closing Pop: make it end the loop's iterator.
    for (size_t i = 0; i < n; ++i) {
      Instr& in = d.code[i];
      if (in.op != static_cast<uint8_t>(Opcode::IterNext)) continue;
      const bool after_init = i > 0 && d.code[i - 1].op == static_cast<uint8_t>(Opcode::IterInit);
      in.a = after_init ? d.code[i - 1].a : 1;
      in.b = after_init ? 1 : 0;  // the loop's iterator is the one its IterInit made
      Instr& exit = d.code[in.c];
      if (exit.op == static_cast<uint8_t>(Opcode::Pop)) exit.op = kOpEndLoop;
    }
    d.slots = slots;
    std::string problem = verify(d, f);
    if (!problem.empty())
      fault_ = std::move(problem);
    else
      fuse(d.code);
    if (!d.captures)
      d.shared_closure =
          Value::closure(make_ref<Closure>(static_cast<uint16_t>(f), std::vector<Value>{}));
  }
  if (!fault_.empty()) fault_ = "The program is damaged: " + fault_;
}

// Proves that no instruction pops below its frame's locals, so the loop pops unchecked.
// Depths are counted above the reserved slots; where paths join, the smaller one holds.
std::string Vm::verify(const Decoded& d, size_t index) const {
  const size_t n = d.code.size();
  std::vector<int64_t> depth(n, -1);
  std::vector<uint32_t> work;
  auto reach = [&](size_t at, int64_t dep) {
    if (at >= n) return;
    if (depth[at] < 0 || dep < depth[at]) {
      depth[at] = dep;
      work.push_back(static_cast<uint32_t>(at));
    }
  };
  reach(0, 0);
  while (!work.empty()) {
    const uint32_t i = work.back();
    work.pop_back();
    const Instr& in = d.code[i];
    const int64_t dep = depth[i];
    const bytecode::StackEffect& e = bytecode::stack_effect(image_opcode(in.op));
    const int64_t pops = e.pops.of(in);
    if (pops > dep)
      return "stack underflow in function " + std::to_string(index) + " at " + std::to_string(i);
    const int64_t after = dep - pops + e.pushes.of(in);
    switch (e.flow) {
      case Flow::Next:
        reach(i + 1, after);
        break;
      case Flow::Goto:
        reach(in.c, after);
        break;
      case Flow::Branch:
        reach(in.c, after);
        reach(i + 1, after);
        break;
      case Flow::Loop:
        reach(in.c, dep - pops);
        reach(i + 1, after);
        break;
      case Flow::Guard:
        reach(in.c, after + 1);
        reach(i + 1, after);
        break;
      case Flow::Exit:
        break;
    }
  }
  return {};
}

namespace {

constexpr uint8_t op_of(Opcode o) {
  return static_cast<uint8_t>(o);
}

// The fused form of a binary operator taking its right operand from a constant (or from
// a local slot): 0 when the operator has none.
struct ArithForms {
  uint8_t by_const[kOpTotal] = {};
  uint8_t by_local[kOpTotal] = {};
  uint8_t const_jump[kOpTotal] = {};
  uint8_t local_jump[kOpTotal] = {};
  uint8_t store[kOpTotal] = {};
  uint8_t local_const[kOpTotal] = {};
  uint8_t local_const_jump[kOpTotal] = {};
  constexpr ArithForms() {
#define KELO_LOCAL_CONST(name) local_const[op_of(Opcode::name)] = kOpLocalConst##name;
    KELO_FUSED_ARITH(KELO_EACH, KELO_LOCAL_CONST)
#undef KELO_LOCAL_CONST
#define KELO_LOCAL_CONST_JUMP(name) \
  local_const_jump[op_of(Opcode::name)] = kOpLocalConst##name##Jump;
    KELO_FUSED_COMPARE(KELO_EACH, KELO_LOCAL_CONST_JUMP)
#undef KELO_LOCAL_CONST_JUMP
#define KELO_STORES(name) store[op_of(Opcode::name)] = kOp##name##Store;
    KELO_FUSED_STORE(KELO_EACH, KELO_STORES)
#undef KELO_STORES
#define KELO_FORMS(name)                                 \
  by_const[op_of(Opcode::name)] = kOpConst##name;        \
  by_local[op_of(Opcode::name)] = kOpLocal##name;
    KELO_FUSED_ARITH(KELO_EACH, KELO_FORMS)
#undef KELO_FORMS
#define KELO_JUMPS(name)                                  \
  const_jump[op_of(Opcode::name)] = kOpConst##name##Jump; \
  local_jump[op_of(Opcode::name)] = kOpLocal##name##Jump;
    KELO_FUSED_COMPARE(KELO_EACH, KELO_JUMPS)
#undef KELO_JUMPS
  }
};
constexpr ArithForms kForms;

}  // namespace

void fuse(std::vector<Vm::Instr>& code) {
  const size_t n = code.size();
  auto op_at = [&](size_t i) -> uint8_t { return i < n ? code[i].op : uint8_t{0xFF}; };
  auto jumps_if_false = [&](size_t i) { return op_at(i) == op_of(Opcode::JumpIfFalse); };
  for (size_t i = 0; i + 1 < n; ++i) {
    Vm::Instr& in = code[i];
    const Vm::Instr& next = code[i + 1];
    const uint8_t after = op_at(i + 2);
    switch (in.op) {
      case op_of(Opcode::GetLocal):
        if (next.op == op_of(Opcode::Const) && after == op_of(Opcode::Add) &&
            op_at(i + 3) == op_of(Opcode::SetLocal) && code[i + 3].b == in.b &&
            op_at(i + 4) == op_of(Opcode::Pop)) {
          in = Vm::Instr{kOpAddToLocal, 0, in.b, next.c};
        } else if (next.op == op_of(Opcode::Const)) {
          if (after != 0xFF && kForms.local_const_jump[after] && jumps_if_false(i + 3))
            in.op = kForms.local_const_jump[after];
          else if (after != 0xFF && kForms.local_const[after])
            in.op = kForms.local_const[after];
          else
            in = Vm::Instr{kOpLocalConst, 0, in.b, next.c};
        } else if (next.op == op_of(Opcode::GetLocal) && after == op_of(Opcode::Index)) {
          in.op = kOpLocalLocalIndex;
        } else if (kForms.local_jump[next.op] && jumps_if_false(i + 2)) {
          in.op = kForms.local_jump[next.op];
        } else if (kForms.by_local[next.op]) {
          in.op = kForms.by_local[next.op];
        } else if (next.op == op_of(Opcode::Index)) {
          in.op = kOpLocalIndex;
        } else if (next.op == op_of(Opcode::GetLocal)) {
          // The second local fuses with what follows where that saves more: a compare
          // and jump, an operator whose result is not stored, or an index.
          const bool store = after != 0xFF && kForms.store[after] &&
                             op_at(i + 3) == op_of(Opcode::SetLocal) &&
                             op_at(i + 4) == op_of(Opcode::Pop);
          const bool second_fuses =
              after != 0xFF && ((kForms.local_jump[after] && jumps_if_false(i + 3)) ||
                                (kForms.by_local[after] && !store) ||
                                after == op_of(Opcode::Index) ||
                                (after == op_of(Opcode::GetLocal) &&
                                 op_at(i + 3) == op_of(Opcode::Index)));
          if (!second_fuses) in.op = kOpLocalLocal;
        }
        break;
      case op_of(Opcode::Const):
        if (kForms.const_jump[next.op] && jumps_if_false(i + 2))
          in.op = kForms.const_jump[next.op];
        else if (kForms.by_const[next.op])
          in.op = kForms.by_const[next.op];
        else if (next.op == op_of(Opcode::Coalesce) && next.a == 0)  // plain Coalesce only
          in.op = kOpConstCoalesce;
        break;
      case op_of(Opcode::SetLocal):
        if (next.op == op_of(Opcode::Pop)) in.op = kOpSetLocalPop;
        break;
      case op_of(Opcode::Less):
        if (next.op == op_of(Opcode::JumpIfFalse)) in = Vm::Instr{kOpLessJump, 0, 0, next.c};
        break;
      case op_of(Opcode::SetIndex):
        if (next.op == op_of(Opcode::Pop)) in.op = kOpSetIndexPop;
        break;
      case op_of(Opcode::IterNext):
        if (in.a == 1 && next.op == op_of(Opcode::SetLocal) && after == op_of(Opcode::Pop))
          in.op = kOpIterNextLocal;
        break;
      default:
        if (kForms.store[in.op] && next.op == op_of(Opcode::SetLocal) &&
            after == op_of(Opcode::Pop))
          in.op = kForms.store[in.op];
        break;
    }
  }
  // A jump back to a loop's head (its fused IterNext or compare) names that head's kind,
  // so that the jump goes on into it without a second dispatch.
  for (Vm::Instr& in : code) {
    if (in.op != op_of(Opcode::Jump) || in.c >= n) continue;
    const uint8_t target = code[in.c].op;
    if (target == kOpIterNextLocal) in.op = kOpJumpToIterNextLocal;
#define KELO_JUMP_TO(name) \
  if (target == kOpLocalConst##name##Jump) in.op = kOpJumpToLocalConst##name##Jump;
    KELO_FUSED_COMPARE(KELO_EACH, KELO_JUMP_TO)
#undef KELO_JUMP_TO
  }
}

// ---------------------------------------------------------------------------------------
// Entry points

Outcome Vm::load_with(host::Host& host, std::span<const std::pair<std::string, Value>> overrides) {
  if (!image_) return RuntimeError{fault_, 0};
  // Each buffer global holds a series of its own, empty until the program writes it.
  for (const std::string& name : image_->buffers) {
    for (size_t g = 0; g < image_->global_names.size() && g < globals_.size(); ++g)
      if (image_->global_names[g] == name) {
        globals_[g] = Value::series(Series::buffer_of(std::make_shared<std::vector<double>>()));
        break;
      }
  }
  if (image_->input_initialiser) {
    auto r = run(*image_->input_initialiser, {}, host);
    if (!r.ok()) return std::move(r).error();
  }
  for (const auto& [name, value] : overrides) {
    for (size_t g = 0; g < image_->global_names.size() && g < globals_.size(); ++g)
      if (image_->global_names[g] == name) {
        globals_[g] = value;
        break;
      }
  }
  if (image_->main) {
    auto r = run(*image_->main, {}, host);
    if (!r.ok()) return std::move(r).error();
  }
  return {};
}

Result<Value> Vm::run(uint16_t function, std::span<const Value> args, host::Host& host) {
  if (!fault_.empty()) return RuntimeError{fault_, 0};
  if (function >= fns_.size())
    return RuntimeError{"The program is damaged: function out of range", 0};
  steps_ = 0;
  Result<Value> r = with_outer_line(enter_and_execute(function, nullptr, Value(), args, host));
  if (frame_count_ == 0) maybe_collect();
  return r;
}

// An error raised with no frame running (a call from outside any run) is at line 1;
// inside a run the calling instruction gives it its line.
Result<Value> Vm::with_outer_line(Result<Value> r) const {
  if (!r.ok() && r.error().line == RuntimeError::kUnset && frame_count_ == 0) r.error().line = 1;
  return r;
}

Result<Value> Vm::call_value(const Value& callee, std::span<const Value> args, host::Host& host) {
  return with_outer_line(call_value_inner(callee, args, host));
}

Result<Value> Vm::call_value_inner(const Value& callee, std::span<const Value> args,
                                   host::Host& host) {
  switch (callee.tag()) {
    case Tag::Closure: {
      const Closure& c = callee.closure_obj();
      if (!fault_.empty()) return RuntimeError{fault_, 0};
      if (c.function >= fns_.size())
        return RuntimeError{"The program is damaged: function out of range", 0};
      return enter_and_execute(c.function, &c, callee, args, host);
    }
    case Tag::HostFunction:
      return call_host_resolved(callee.host_id(), args, host);
    default: {
      std::string m(type_name(callee));
      m += " is not something you can call";
      return RuntimeError::here(std::move(m));
    }
  }
}

Result<Value> Vm::enter_and_execute(uint16_t function, const Closure* closure, const Value& callee,
                                    std::span<const Value> args, host::Host& host) {
  const Decoded& d = fns_[function];
  if (frame_count_ >= options_.max_frames || reentry_ >= options_.max_reentry ||
      sp_ + 1 + d.slots >= stack_limit_)
    return RuntimeError::here(std::string(kTooDeepMessage));
  // Copy the arguments first: they may live on this very stack, below sp_.
  new (sp_++) Value(callee);
  Value* base = sp_;
  const size_t given = std::min<size_t>(args.size(), d.arity);
  for (size_t i = 0; i < given; ++i) new (sp_++) Value(args[i]);
  while (sp_ < base + d.slots) new (sp_++) Value();
  Frame& f = frames_[frame_count_++];
  f = Frame{d.code.data(),
            d.code.data(),
            base,
            &d,
            closure,
            static_cast<uint32_t>(iters_.size()),
            static_cast<uint32_t>(handlers_.size())};
  // Restored however the loop is left, an exception included.
  struct Reentry {
    Vm& vm;
    uint32_t barrier;
    ~Reentry() {
      --vm.reentry_;
      vm.barrier_ = barrier;
    }
  } reentry{*this, barrier_};
  barrier_ = frame_count_ - 1;
  ++reentry_;
  return execute(host);
}

Result<Value> Vm::call_host(uint16_t id, std::span<const Value> args, host::Host& host) {
  return with_outer_line(call_host_resolved(id, args, host));
}

Result<Value> Vm::call_host_resolved(uint16_t id, std::span<const Value> args, host::Host& host) {
  if (id >= host_slots_.size()) host_slots_.resize(size_t{id} + 1);
  HostSlot& slot = host_slots_[id];
  if (!slot.resolved) {
    slot.resolved = true;
    auto name = builtins_.host_name(id);
    slot.known = name.has_value();
    if (name) {
      slot.name = *name;
      slot.fn = builtins_.resolve(*name);
    }
  }
  if (!slot.known) return RuntimeError::here("Unknown call " + std::to_string(id));
  BuiltinCall call{*this, host, slot.name, id, args};
  if (slot.fn) return slot.fn(call);
  return call.forward();
}

void Vm::cut_iterators(uint32_t height) {
  while (iters_.size() > height) iters_.pop_back();
}

uint32_t Vm::line_of(const Frame& f) const {
  const size_t fn_index = static_cast<size_t>(f.fn - fns_.data());
  const size_t at = static_cast<size_t>(f.ip - f.fn->code.data());
  const size_t p = at == 0 ? 0 : at - 1;
  return image_->functions[fn_index].line_at(p);
}

RuntimeError Vm::located(RuntimeError e, const Frame& f) const {
  if (e.line == RuntimeError::kUnset) e.line = line_of(f);
  return e;
}

void Vm::maybe_collect() {
  // A run over its memory limit may only be holding garbage cycles: they go first.
  if (live_containers() < gc_threshold_ && !heap::over()) return;
  collect_cycles();
  gc_threshold_ = std::max<size_t>(4096, live_containers() * 2);
}

// ---------------------------------------------------------------------------------------
// Reading values

Value Vm::index_value(const Value& container, const Value& index, host::Host& host) const {
  int64_t i = 0;
  switch (index.tag()) {
    case Tag::Bool:
    case Tag::Int:
    case Tag::Time:
    case Tag::Num:
    case Tag::Duration:
      i = as_int(index).value_or(0);
      break;
    default:
      break;
  }
  switch (container.tag()) {
    case Tag::Array: {
      const auto& items = container.array_obj().items;
      if (i < 0 || static_cast<uint64_t>(i) >= items.size()) return Value();
      return items[static_cast<size_t>(i)];
    }
    case Tag::Text: {
      const Text& t = container.text_obj();
      const size_t at = i < 0 ? 0 : static_cast<size_t>(i);
      if (at >= t.chars) return Value();
      return Value::text(t.char_at(at));
    }
    case Tag::Series: {
      SeriesColumn col = builtins_.values_of(container.series_obj(), host);
      // bar - index without overflow: index may be any int64.
      const __int128 pos = static_cast<__int128>(host.bar_index()) - i;
      if (!col || pos < 0 || pos >= static_cast<__int128>(col->size()))
        return Value::number(std::numeric_limits<double>::quiet_NaN());
      return Value::number((*col)[static_cast<size_t>(pos)]);
    }
    case Tag::Map:
    case Tag::Record: {
      if (container.is(Tag::Map) && index.is(Tag::Text))
        return container.map_obj().get(index.text_obj());
      std::string scratch;
      if (!index.is(Tag::Text)) display_to(scratch, index);
      const std::string_view key = index.is(Tag::Text) ? index.str() : std::string_view(scratch);
      return container.is(Tag::Map) ? container.map_obj().get(key)
                                    : container.record_obj().get(key);
    }
    default:
      return Value();
  }
}

// `buffer[k] = v` stores v's number (NaN when it has none) at the current bar minus k; a
// bar outside the host's bars stores nothing. Nodes computed over a buffer are stale
// after any write. False when the buffer may not grow within the run's memory.
bool Vm::write_buffer(const Series& s, const Value& index, const Value& value, host::Host& host) {
  if (s.form != SeriesForm::Buffer || !s.buffer) return true;
  const auto k = as_int(index);
  if (!k) return true;
  const __int128 at = static_cast<__int128>(host.bar_index()) - *k;
  if (at < 0 || at >= static_cast<__int128>(host.bars().size())) return true;
  std::vector<double>& data = *s.buffer;
  const auto pos = static_cast<size_t>(at);
  if (pos >= data.size()) {
    if (!heap::fits((pos + 1 - data.size()) * sizeof(double))) return false;
    data.resize(pos + 1, std::numeric_limits<double>::quiet_NaN());
  }
  data[pos] = numeric_view(value).value_or(std::numeric_limits<double>::quiet_NaN());
  count_buffer_write();
  return true;
}

Value Vm::member_of(const Value& value, std::string_view name) {
  switch (value.tag()) {
    case Tag::Status:
      if (name == "ok") return Value::boolean(value.status_ok());
      if (name == "reason") return Value::text(value.status_reason());
      return Value();
    case Tag::Array:
      if (name == "len")
        return Value::integer(static_cast<int64_t>(value.array_obj().items.size()));
      return Value();
    case Tag::Text:
      if (name == "len") return Value::integer(static_cast<int64_t>(value.text_obj().chars));
      return Value();
    case Tag::Map:
      return value.map_obj().get(name);
    case Tag::Record:
      return value.record_obj().get(name);
    default:
      return Value();
  }
}

bool Vm::condition(const Value& v, host::Host& host) const {
  if (!v.is(Tag::Series)) return truthy(v);
  SeriesColumn col = builtins_.values_of(v.series_obj(), host);
  const size_t b = host.bar_index();
  if (!col || b >= col->size()) return false;
  const double x = (*col)[b];
  return !std::isnan(x) && x != 0.0;
}

Value Vm::constant(uint32_t index) const {
  if (!image_ || index >= image_->constants.size()) return Value();
  const bytecode::Constant& c = image_->constants[index];
  switch (c.kind) {
    case bytecode::ConstantKind::Int:
      return Value::integer(c.i);
    case bytecode::ConstantKind::Num:
      return Value::number(c.n);
    case bytecode::ConstantKind::Text:
    case bytecode::ConstantKind::Name:
      return Value::text(std::string_view(c.text));
    case bytecode::ConstantKind::Time:
      return Value::time(c.i);
    case bytecode::ConstantKind::Duration:
      return Value::duration(c.n);
    case bytecode::ConstantKind::Color:
      return Value::color(c.color);
    case bytecode::ConstantKind::HostFunction:
      return Value::host_function(static_cast<uint16_t>(c.i));
  }
  return Value();
}

std::string Vm::constant_name(uint32_t index) const {
  if (!image_ || index >= image_->constants.size()) return {};
  const bytecode::Constant& c = image_->constants[index];
  if (c.kind == bytecode::ConstantKind::Text || c.kind == bytecode::ConstantKind::Name)
    return c.text;
  return c.debug();
}

}  // namespace kelo_vm
