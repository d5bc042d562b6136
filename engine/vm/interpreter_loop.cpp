// The dispatch loop. Hot state (ip, sp, frame base, step count) lives in locals; before
// anything that can re-enter the Vm, fail or throw (host calls, errors, frame changes,
// every allocation) the locals are saved with SAVE() and reloaded afterwards, and an op
// changes the stack only once what may throw is done. Every error leaves through `raise`,
// which unwinds to a handler or ends this loop with the error.
//
// An allocation that throws (std::bad_alloc) leaves the loop altogether; the saved state
// lets execute() start it again to raise the memory budget's error in its place. The loop
// itself has no try block: one costs call-heavy runs a few instructions per call.
//
// A computed goto skips destructors: no local with one may still be alive at NEXT(),
// so op bodies that need such locals keep them in an inner block.
#include <cmath>
#include <iterator>
#include <limits>

#include "core/numeric.h"
#include "vm/interpreter.h"
#include "vm/interpreter_internal.h"
#include "vm/operators.h"

#if defined(__GNUC__) && !defined(KELO_VM_SWITCH_DISPATCH)
#define KELO_COMPUTED_GOTO 1
#if !defined(__clang__)
// Keep one indirect jump per instruction: merged dispatch tails predict poorly.
#pragma GCC optimize("no-crossjumping", "no-gcse")
#endif
#else
#define KELO_COMPUTED_GOTO 0
#if defined(__GNUC__)
// The switch form labels every handler too, for the fused forms' fallbacks; most labels
// are then unused.
#pragma GCC diagnostic ignored "-Wunused-label"
#endif
#endif

#if KELO_COMPUTED_GOTO && defined(__x86_64__) && !defined(__clang__)
// GCC spills some hot locals of this very large function to memory; the two that every
// instruction updates (ip and the steps left) then form a chain through memory. Pinning
// them to callee-saved registers keeps them out of it.
#define KELO_PINNED(type, name, reg) register type name asm(reg)
#else
#define KELO_PINNED(type, name, reg) type name
#endif

namespace kelo_vm {

using bytecode::Opcode;
using kelo_core::numeric::saturating_i64;
using kelo_core::numeric::wrapping_negate;

namespace {

constexpr uint8_t op_of(Opcode o) {
  return static_cast<uint8_t>(o);
}

inline bool both_numbers(const Value& a, const Value& b) {
  const auto ta = a.tag(), tb = b.tag();
  return (ta == Tag::Int || ta == Tag::Num) && (tb == Tag::Int || tb == Tag::Num);
}
inline double as_double(const Value& v) {
  return v.is(Tag::Int) ? static_cast<double>(v.int_value()) : v.num_value();
}

// Integers whose sum, difference, remainder and comparison come out the same in 64-bit
// integer arithmetic as through doubles: |x| <= 2^52.
inline bool small_int(int64_t x) {
  constexpr uint64_t k = uint64_t{1} << 52;
  return static_cast<uint64_t>(x) + k <= 2 * k;
}
// A product of such integers that is exact as a double: |p| <= 2^53.
inline bool exact_product(int64_t x, int64_t y, int64_t& p) {
  constexpr uint64_t k = uint64_t{1} << 53;
  return !__builtin_mul_overflow(x, y, &p) && static_cast<uint64_t>(p) + k <= 2 * k;
}

}  // namespace

// Int op Int goes through doubles (saturating back to Int); where both operands are
// small the integer result is the same and cheaper.
template <uint8_t Op>
inline bool Vm::arith(Value& a, const Value& b) {
  if (!both_numbers(a, b)) return false;
  if (a.is(Tag::Int) && b.is(Tag::Int)) {
    const int64_t i = a.int_value(), j = b.int_value();
    if (small_int(i) && small_int(j)) {
      int64_t p = 0;
      switch (Op) {
        case op_of(Opcode::Add):
          a.set_int(i + j);
          return true;
        case op_of(Opcode::Sub):
          a.set_int(i - j);
          return true;
        case op_of(Opcode::Mul):
          if (!exact_product(i, j, p)) break;
          a.set_int(p);
          return true;
        case op_of(Opcode::Rem):
          if (j == 0) {
            a = Value();
          } else {
            a.set_int(i % j);
          }
          return true;
        case op_of(Opcode::Less):
          a.set_bool(i < j);
          return true;
        case op_of(Opcode::LessEqual):
          a.set_bool(i <= j);
          return true;
        case op_of(Opcode::Greater):
          a.set_bool(i > j);
          return true;
        case op_of(Opcode::GreaterEqual):
          a.set_bool(i >= j);
          return true;
        case op_of(Opcode::Equal):
          a.set_bool(i == j);
          return true;
        case op_of(Opcode::NotEqual):
          a.set_bool(i != j);
          return true;
        default:
          break;
      }
    }
  }
  const bool ints = a.is(Tag::Int) && b.is(Tag::Int);
  const double x = as_double(a), y = as_double(b);
  switch (Op) {
    case op_of(Opcode::Add):
      ints ? a.set_int(saturating_i64(x + y)) : a.set_num(x + y);
      break;
    case op_of(Opcode::Sub):
      ints ? a.set_int(saturating_i64(x - y)) : a.set_num(x - y);
      break;
    case op_of(Opcode::Mul):
      ints ? a.set_int(saturating_i64(x * y)) : a.set_num(x * y);
      break;
    // Division and remainder by zero give Nothing.
    case op_of(Opcode::Div):
      if (y == 0.0)
        a = Value();
      else
        ints ? a.set_int(saturating_i64(std::trunc(x / y))) : a.set_num(x / y);
      break;
    case op_of(Opcode::Rem):
      if (y == 0.0)
        a = Value();
      else
        ints ? a.set_int(saturating_i64(std::fmod(x, y))) : a.set_num(std::fmod(x, y));
      break;
    case op_of(Opcode::Pow):
      a.set_num(std::pow(x, y));
      break;
    case op_of(Opcode::Less):
      a.set_bool(x < y);
      break;
    case op_of(Opcode::LessEqual):
      a.set_bool(x <= y);
      break;
    case op_of(Opcode::Greater):
      a.set_bool(x > y);
      break;
    case op_of(Opcode::GreaterEqual):
      a.set_bool(x >= y);
      break;
    case op_of(Opcode::Equal):
      a.set_bool(x == y);
      break;
    case op_of(Opcode::NotEqual):
      a.set_bool(x != y);
      break;
    default:
      return false;
  }
  return true;
}

namespace {

Value error_record(const RuntimeError& e) {
  auto r = Record::make("Error");
  const auto line = static_cast<int64_t>(std::min<uint64_t>(e.line, INT64_MAX));
  r->with("message", Value::text(std::string_view(e.message)))
      .with("code", Value::integer(line))
      .with("line", Value::integer(line));
  return Value::record(std::move(r));
}

inline std::string_view key_text(const Value& k, std::string& scratch) {
  if (k.is(Tag::Text)) return k.str();
  scratch.clear();
  display_to(scratch, k);
  return scratch;
}

}  // namespace

Result<Value> Vm::execute(host::Host& host) {
  // Each turn runs the loop from the saved state; after a throw the next one raises the
  // memory error there, like any run-time error (a try may catch it).
  for (;;) {
    try {
      Result<Value> r = execute_loop(host);
      raising_ = false;
      return r;
    } catch (...) {
      // Raising the memory error failed too: leave with the exception, this loop's
      // frames and values released.
      if (raising_) {
        raising_ = false;
        const Frame& entry = frames_[barrier_];
        while (sp_ > entry.base - 1) (--sp_)->~Value();
        cut_iterators(entry.iter_base);
        handlers_.resize(std::min<size_t>(handlers_.size(), entry.handler_base));
        frame_count_ = barrier_;
        throw;
      }
      raising_ = true;
    }
  }
}

Result<Value> Vm::execute_loop(host::Host& host) {
  Frame* fp = &frames_[frame_count_ - 1];
  KELO_PINNED(const Instr*, ip, "r14") = fp->ip;
  Value* base = fp->base;
  Value* sp = sp_;
  // Steps left before the budget runs out: counting down needs one hot variable, not two.
  KELO_PINNED(uint64_t, left, "r15") = options_.budget > steps_ ? options_.budget - steps_ : 0;
  bool over = false;  // the budget ran out (here or in a callback): no try catches that
  RuntimeError err;
  uint8_t binary_op = 0;            // the operator slow_binary applies
  std::string_view raise_text;       // the message RAISE() raises

// The instruction running: the one before ip.
#define INS (ip - 1)
#define CONSTS (constants_.data())
#define JUMP_TO(target) (ip = fp->code + (target))
#define STEPS() (options_.budget - left)
#define SAVE() (fp->ip = ip, sp_ = sp, steps_ = STEPS())
#define RELOAD_STEPS() \
  (over = steps_ > options_.budget, left = over ? 0 : options_.budget - steps_)
#define PUSH_ROOM(k)                            \
  do {                                          \
    if (sp + (k) > stack_limit_) goto overflow; \
  } while (0)
// Making an error allocates: one shared place makes it, with the state saved first.
#define RAISE(msg)      \
  do {                  \
    raise_text = (msg); \
    goto raise_message; \
  } while (0)
// A refusal of the run's memory budget.
#define RAISE_EXHAUSTED() goto raise_exhausted
#define POP_DISCARD() ((--sp)->~Value())
// Drops top values known to hold no object (numbers): nothing to release.
#define POP_PLAIN(k) (sp -= (k))

#if KELO_COMPUTED_GOTO
  // One label per opcode, in opcode order: both lists also number the opcodes.
  static void* const kLabels[] = {
#define KELO_LABEL(name, ...) &&L_##name,
      KELO_OPCODES(KELO_LABEL) KELO_INTERNAL_OPS(KELO_LABEL)
#undef KELO_LABEL
  };
  static_assert(std::size(kLabels) == kOpTotal);
#define OP(name) L_##name:
#define OPX(name) L_##name:
#define NEXT()                           \
  do {                                   \
    if (left == 0) goto budget_exceeded; \
    --left;                              \
    goto* kLabels[(ip++)->op];           \
  } while (0)
  if (raising_) goto raise_pending;
  NEXT();
#else
#define OP(name)                \
  case op_of(Opcode::name):     \
  L_##name:
#define OPX(name) \
  case kOp##name:   \
  L_##name:
#define NEXT() goto dispatch
  if (raising_) goto raise_pending;
dispatch:
  if (left == 0) goto budget_exceeded;
  --left;
  switch ((ip++)->op) {
#endif

  OP(Const) {
    PUSH_ROOM(1);
    new (sp++) Value(CONSTS[INS->c]);
    NEXT();
  }
  OP(True) {
    PUSH_ROOM(1);
    new (sp++) Value(Value::boolean(true));
    NEXT();
  }
  OP(False) {
    PUSH_ROOM(1);
    new (sp++) Value(Value::boolean(false));
    NEXT();
  }
  OP(Nothing) {
    PUSH_ROOM(1);
    new (sp++) Value();
    NEXT();
  }
  OP(GetLocal) {
    PUSH_ROOM(1);
    new (sp++) Value(base[INS->b]);
    NEXT();
  }
  OP(SetLocal) {
    base[INS->b] = sp[-1];
    NEXT();
  }
  OP(GetGlobal) {
    PUSH_ROOM(1);
    new (sp++) Value(globals_[INS->b]);
    NEXT();
  }
  OP(SetGlobal) {
    globals_[INS->b] = sp[-1];
    NEXT();
  }
  OP(GetUpvalue) {
    PUSH_ROOM(1);
    const Closure* c = fp->closure;
    if (c && INS->b < c->captured.size())
      new (sp++) Value(c->captured[INS->b]);
    else
      new (sp++) Value();
    NEXT();
  }
  OP(GetMember) {
    if (sp[-1].is(Tag::Map)) {
      {
        const Value* v = sp[-1].map_obj().find(names_[INS->c].text_obj());
        sp[-1] = v ? Value(*v) : Value();
      }
      NEXT();
    }
    SAVE();
    sp[-1] = member_of(Value(std::move(sp[-1])), names_[INS->c].str());
    NEXT();
  }
  OP(SetMember) {
    SAVE();
    Value& obj = sp[-2];
    if (obj.is(Tag::Map)) {
      Map& m = obj.map_obj();
      if (!room_for_key(m, names_[INS->c].text_obj())) RAISE_EXHAUSTED();
      m.set(names_[INS->c].text_obj(), sp[-1]);
    }
    // Struct values are records: assigning a field changes it for every holder.
    else if (obj.is(Tag::Record)) {
      Record& r = obj.record_obj();
      const std::string_view name = names_[INS->c].str();
      // Only a new field allocates.
      if (!heap::fits(kFieldBytes) && !r.fields.contains(name)) RAISE_EXHAUSTED();
      r.with(name, sp[-1]);
    }
    sp[-2] = std::move(sp[-1]);
    POP_DISCARD();
    NEXT();
  }
  OP(Index) {
    Value& c = sp[-2];
    const Value& i = sp[-1];
    if (c.is(Tag::Array) && i.is(Tag::Int)) {
      {
        const auto& items = c.array_obj().items;
        const int64_t k = i.int_value();
        Value r = (k >= 0 && static_cast<uint64_t>(k) < items.size())
                      ? items[static_cast<size_t>(k)]
                      : Value();
        POP_DISCARD();
        sp[-1] = std::move(r);
      }
      NEXT();
    }
    if (c.is(Tag::Map) && i.is(Tag::Text)) {
      {
        const Value* v = c.map_obj().find(i.text_obj());
        Value r = v ? *v : Value();
        POP_DISCARD();
        sp[-1] = std::move(r);
      }
      NEXT();
    }
    SAVE();
    {
      Value r = index_value(c, i, host);
      POP_DISCARD();
      sp[-1] = std::move(r);
    }
    NEXT();
  }
  OP(SetIndex) {
    Value& c = sp[-3];
    const Value& i = sp[-2];
    if (c.is(Tag::Array)) {
      auto k = as_int(i);
      if (k && *k >= 0 && *k < kMaxIndexWrite) {
        Array& a = c.array_obj();
        auto& items = a.items;
        const auto at = static_cast<size_t>(*k);
        if (at >= items.size()) {
          if (!heap::fits(heap::growth_bytes(items, at + 1))) RAISE_EXHAUSTED();
          SAVE();
          items.resize(at + 1);
          settle(a);
        }
        items[at] = sp[-1];
      }
    } else if (c.is(Tag::Series)) {
      if (!write_buffer(c.series_obj(), i, sp[-1], host)) RAISE_EXHAUSTED();
    } else if (c.is(Tag::Map)) {
      SAVE();
      Map& m = c.map_obj();
      if (i.is(Tag::Text)) {
        if (!room_for_key(m, i.text_obj())) RAISE_EXHAUSTED();
        m.set(i.text_obj(), sp[-1]);
      } else {
        std::string scratch;
        const std::string_view key = key_text(i, scratch);
        if (!room_for_key(m, key)) RAISE_EXHAUSTED();
        m.set(key, sp[-1]);
      }
    }
    sp[-3] = std::move(sp[-1]);
    POP_DISCARD();
    POP_DISCARD();
    NEXT();
  }
  OP(Call) {
    const uint32_t n = INS->a;
    Value* callee = sp - n - 1;
    if (callee->is(Tag::Closure)) {
      const Closure* cl = &callee->closure_obj();
      const Decoded& d = fns_[cl->function];
      if (frame_count_ >= options_.max_frames || callee + 1 + d.slots > stack_limit_)
        RAISE(kTooDeepMessage);
      Value* nb = callee + 1;
      while (sp > nb + d.arity) POP_DISCARD();
      while (sp < nb + d.slots) new (sp++) Value();
      fp->ip = ip;
      fp = &frames_[frame_count_++];
      *fp = Frame{d.code.data(),
                  d.code.data(),
                  nb,
                  &d,
                  cl,
                  static_cast<uint32_t>(iters_.size()),
                  static_cast<uint32_t>(handlers_.size())};
      ip = fp->ip;
      base = nb;
      NEXT();
    }
    SAVE();
    {
      Result<Value> r = call_value(*callee, std::span<const Value>(callee + 1, n), host);
      RELOAD_STEPS();
      while (sp > callee) POP_DISCARD();
      if (!r.ok()) {
        err = std::move(r).error();
        goto raise;
      }
      if (heap::over()) RAISE_EXHAUSTED();
      new (sp++) Value(std::move(r).value());
    }
    NEXT();
  }
  OP(CallHost) {
    const uint32_t n = INS->a;
    PUSH_ROOM(1);
    Value* args = sp - n;
    SAVE();
    {
      Result<Value> r = call_host_resolved(INS->b, std::span<const Value>(args, n), host);
      RELOAD_STEPS();
      while (sp > args) POP_DISCARD();
      if (!r.ok()) {
        err = std::move(r).error();
        goto raise;
      }
      // Whatever a built-in built without asking first stops the run here.
      if (heap::over()) RAISE_EXHAUSTED();
      new (sp++) Value(std::move(r).value());
    }
    NEXT();
  }
  OP(Closure) {
    PUSH_ROOM(1);
    const Decoded& d = fns_[INS->b];
    if (!d.captures) {
      new (sp++) Value(d.shared_closure);
      NEXT();
    }
    {
      SAVE();
      const auto& ups = image_->functions[INS->b].upvalues;
      std::vector<Value> cap;
      cap.reserve(ups.size());
      for (const bytecode::Upvalue& u : ups) {
        if (u.is_local & 1) {
          Value* slot = base + u.index;
          cap.push_back(slot < sp ? *slot : Value());
        } else {
          const Closure* c = fp->closure;
          cap.push_back(c && u.index < c->captured.size() ? c->captured[u.index] : Value());
        }
      }
      new (sp) Value(Value::closure(make_ref<Closure>(INS->b, std::move(cap))));
      ++sp;
    }
    // A closure's size is fixed by its function: made first, then measured.
    if (heap::over()) RAISE_EXHAUSTED();
    NEXT();
  }

// Two Int/Num operands stay on this path; anything else takes the general rules.
#define ARITH(name)                                         \
  OP(name) {                                                \
    if (arith<op_of(Opcode::name)>(sp[-2], sp[-1])) {       \
      POP_PLAIN(1);                                         \
      NEXT();                                               \
    }                                                       \
    binary_op = op_of(Opcode::name);                        \
    goto slow_binary;                                       \
  }
  ARITH(Add)
  ARITH(Sub)
  ARITH(Mul)
  ARITH(Div)
  ARITH(Rem)
  ARITH(Pow)
  ARITH(Less)
  ARITH(LessEqual)
  ARITH(Greater)
  ARITH(GreaterEqual)
  ARITH(Equal)
  ARITH(NotEqual)
#undef ARITH

  OP(Negate) {
    Value& a = sp[-1];
    if (a.is(Tag::Int))
      a.set_int(wrapping_negate(a.int_value()));
    else if (a.is(Tag::Num))
      a.set_num(-a.num_value());
    else {
      SAVE();
      a = builtins::negate(a);
      if (heap::over()) RAISE_EXHAUSTED();
    }
    NEXT();
  }
  OP(Not) {
    Value& a = sp[-1];
    if (a.is(Tag::Bool))
      a.set_bool(!a.bool_value());
    else {
      SAVE();
      a = builtins::logical_not(a);
      if (heap::over()) RAISE_EXHAUSTED();
    }
    NEXT();
  }
  OP(Coalesce) {
    if (INS->a != 0) {
      // The element-wise forms (&&, || and ?: building a series): out of line.
      SAVE();
      {
        // Its own block: clang refuses an indirect goto out of a scope with a destructor.
        Result<Value> r = builtins::choose(INS->a, sp[-2], sp[-1]);
        if (!r.ok()) {
          err = std::move(r).error();
          goto raise;
        }
        if (heap::over()) RAISE_EXHAUSTED();
        POP_DISCARD();
        sp[-1] = std::move(r).value();
      }
      NEXT();
    }
    const Value& a = sp[-2];
    if (a.is_nothing() || (a.is(Tag::Num) && std::isnan(a.num_value()))) sp[-2] = std::move(sp[-1]);
    POP_DISCARD();
    NEXT();
  }
  OP(Jump) {
    JUMP_TO(INS->c);
    NEXT();
  }

#define COND(v) ((v).is(Tag::Bool) ? (v).bool_value() : ((SAVE(), condition((v), host))))
  OP(JumpIfFalse) {
    const bool t = COND(sp[-1]);
    POP_DISCARD();
    if (!t) JUMP_TO(INS->c);
    NEXT();
  }
  OP(JumpIfTrue) {
    const bool t = COND(sp[-1]);
    POP_DISCARD();
    if (t) JUMP_TO(INS->c);
    NEXT();
  }
  OP(JumpIfFalsePeek) {
    if (!COND(sp[-1])) JUMP_TO(INS->c);
    NEXT();
  }
  OP(JumpIfTruePeek) {
    if (COND(sp[-1])) JUMP_TO(INS->c);
    NEXT();
  }
#undef COND

  OP(Pop) {
    POP_DISCARD();
    NEXT();
  }
  OP(Dup) {
    PUSH_ROOM(1);
    new (sp) Value(sp[-1]);
    ++sp;
    NEXT();
  }
  OP(MakeArray) {
    PUSH_ROOM(1);
    {
      const uint32_t n = INS->b;
      if (!room_for_array(n)) RAISE_EXHAUSTED();
      // Made whole before the stack changes (here and in the ops below): what throws
      // finds the stack as SAVE() left it.
      SAVE();
      Value made;
      {
        std::vector<Value> items;
        items.reserve(n);
        for (Value* p = sp - n; p < sp; ++p) items.push_back(std::move(*p));
        made = Value::array(std::move(items));
      }
      for (uint32_t k = 0; k < n; ++k) POP_DISCARD();  // moved-from: Nothing
      new (sp++) Value(std::move(made));
    }
    NEXT();
  }
  OP(MakeMap) {
    PUSH_ROOM(1);
    {
      const uint32_t n = INS->b;
      // Slots, entries, hashes and order for n keys, with the tables' slack.
      if (!heap::fits(sizeof(Map) + 2 * size_t{n} * 64)) RAISE_EXHAUSTED();
      SAVE();
      auto m = make_ref<Map>();
      std::string scratch;
      for (Value* p = sp - 2 * size_t{n}; p < sp; p += 2) {
        if (p[0].is(Tag::Text))
          m->set(p[0].text_obj(), p[1]);
        else
          m->set(key_text(p[0], scratch), p[1]);
      }
      for (uint32_t k = 0; k < 2 * n; ++k) POP_DISCARD();
      new (sp++) Value(Value::map(std::move(m)));
    }
    NEXT();
  }
  OP(MakeObject) {
    PUSH_ROOM(1);
    {
      const uint32_t n = INS->b;
      if (!heap::fits(sizeof(Record) + size_t{n} * kFieldBytes)) RAISE_EXHAUSTED();
      SAVE();
      MapItems fields;
      std::string type, scratch;
      for (Value* p = sp - 2 * size_t{n}; p < sp; p += 2) {
        std::string_view key = key_text(p[0], scratch);
        if (key == "__type") {
          type = as_text(p[1]);
          continue;
        }
        auto it = fields.find(key);
        if (it != fields.end())
          it->second = p[1];
        else
          fields.emplace(std::string(key), p[1]);
      }
      Value made;
      if (type.empty()) {
        made = Value::map(std::move(fields));
      } else {
        auto r = Record::make(std::move(type));
        r->fields = std::move(fields);
        settle(*r);
        made = Value::record(std::move(r));
      }
      for (uint32_t k = 0; k < 2 * n; ++k) POP_DISCARD();
      new (sp++) Value(std::move(made));
    }
    NEXT();
  }
  OP(MakeRange) {
    SAVE();
    {
      const int64_t end = as_int(sp[-1]).value_or(0);
      const int64_t start = as_int(sp[-2]).value_or(0);
      Value made = Value::range(start, end, (INS->a & 1) != 0);
      POP_DISCARD();
      sp[-1] = std::move(made);
    }
    NEXT();
  }
  OP(IterInit) {
    SAVE();
    {
      Iter it;
      it.names = INS->a;
      it.init = INS;
      Value v = std::move(sp[-1]);
      switch (v.tag()) {
        case Tag::Array:
          // The elements as they are now: a copy, asked for like any other growth.
          if (!heap::fits(v.array_obj().items.size() * sizeof(Value))) RAISE_EXHAUSTED();
          it.kind = Iter::Kind::Items;
          it.items = v.array_obj().items;
          break;
        case Tag::Map:
          if (!heap::fits(v.map_obj().size() * 2 * sizeof(Value))) RAISE_EXHAUSTED();
          it.kind = Iter::Kind::Pairs;
          it.items.reserve(v.map_obj().size());
          for (const MapEntry& e : v.map_obj().ordered()) {
            if (it.names == 2) it.keys.push_back(Value::text(e.key));
            it.items.push_back(e.value);
          }
          break;
        case Tag::Text:
          it.kind = Iter::Kind::Text;
          it.source = std::move(v);
          break;
        case Tag::Range:
          it.kind = Iter::Kind::Range;
          it.next = v.range_start();
          it.end = v.range_end();
          it.inclusive = v.range_inclusive();
          it.done = it.inclusive ? it.next > it.end : it.next >= it.end;
          break;
        default:
          it.kind = Iter::Kind::Single;
          it.source = std::move(v);
          break;
      }
      sp[-1] = Value();  // the loop's placeholder
      it.placeholder = sp - 1;
      iters_.push_back(std::move(it));
    }
    NEXT();
  }
  OP(IterNext) {
    // Iterators of inner loops still above this loop's own were left early: drop them,
    // so that a loop never goes on with another loop's items.
    if (INS->b)
      while (iters_.size() > fp->iter_base && iters_.back().init != INS - 1) iters_.pop_back();
    if (iters_.size() <= fp->iter_base) {
      JUMP_TO(INS->c);
      NEXT();
    }
    PUSH_ROOM(2);
    Iter& it = iters_.back();
    const bool two = it.names == 2;
    switch (it.kind) {
      case Iter::Kind::Range: {
        if (it.done) break;
        if (two) new (sp++) Value(Value::integer(static_cast<int64_t>(it.pos)));
        new (sp++) Value(Value::integer(it.next));
        ++it.pos;
        // Stepping never overflows: the last value of 0..=INT64_MAX ends the loop.
        if (it.next == it.end)
          it.done = true;
        else if (++it.next == it.end && !it.inclusive)
          it.done = true;
        NEXT();
      }
      case Iter::Kind::Items:
      case Iter::Kind::Pairs: {
        if (it.pos >= it.items.size()) break;
        if (two) {
          if (it.kind == Iter::Kind::Pairs)
            new (sp++) Value(it.keys[it.pos]);
          else
            new (sp++) Value(Value::integer(static_cast<int64_t>(it.pos)));
        }
        new (sp++) Value(it.items[it.pos]);
        ++it.pos;
        NEXT();
      }
      case Iter::Kind::Text: {
        const std::string& s = it.source.text_obj().str;
        if (it.byte >= s.size()) break;
        size_t j = it.byte + 1;
        while (j < s.size() && (static_cast<unsigned char>(s[j]) & 0xC0) == 0x80) ++j;
        if (two) new (sp++) Value(Value::integer(static_cast<int64_t>(it.pos)));
        SAVE();
        new (sp) Value(Value::text(std::string_view(s).substr(it.byte, j - it.byte)));
        ++sp;
        it.byte = j;
        ++it.pos;
        NEXT();
      }
      case Iter::Kind::Single: {
        if (it.pos > 0) break;
        if (two) new (sp++) Value(Value::integer(0));
        new (sp++) Value(it.source);
        ++it.pos;
        NEXT();
      }
    }
    iters_.pop_back();
    JUMP_TO(INS->c);
    NEXT();
  }
  OPX(EndLoop) {
    // The loop's placeholder is on top: its iterator, and any inner one a break left
    // behind, end here.
    Value* placeholder = sp - 1;
    while (iters_.size() > fp->iter_base && iters_.back().placeholder >= placeholder)
      iters_.pop_back();
    POP_DISCARD();
    NEXT();
  }
  OPX(Nop) {
    NEXT();
  }

  // The fused sequences' handlers.
#include "vm/interpreter_loop_fused.h"

  OP(EnumCase) {
    PUSH_ROOM(1);
    new (sp++) Value(names_[INS->c]);
    NEXT();
  }
  OP(Throw) {
    Value v = std::move(sp[-1]);
    POP_DISCARD();
    SAVE();
    err = RuntimeError::here(as_text(v));
    goto raise;
  }
  OP(TryBegin) {
    const auto begin = static_cast<uint32_t>(ip - fp->code);
    const uint32_t frame = frame_count_ - 1;
    // A registration of this same try left behind by break or continue is replaced.
    for (size_t h = handlers_.size(); h > fp->handler_base; --h)
      if (handlers_[h - 1].begin == begin) {
        handlers_.erase(handlers_.begin() + static_cast<std::ptrdiff_t>(h - 1));
        break;
      }
    SAVE();
    handlers_.push_back(Handler{frame, begin, INS->c, sp, static_cast<uint32_t>(iters_.size())});
    NEXT();
  }
  OP(TryEnd) {
    const auto at = static_cast<uint32_t>(ip - fp->code) - 1;
    // Registrations of inner tries left by break are dropped on the way.
    while (handlers_.size() > fp->handler_base) {
      const Handler& h = handlers_.back();
      handlers_.pop_back();
      if (h.begin <= at && at < h.resume) break;
    }
    NEXT();
  }
  OP(Return) {
    {
      Value result = std::move(sp[-1]);
      POP_DISCARD();
      while (sp > base - 1) POP_DISCARD();
      if (iters_.size() > fp->iter_base) cut_iterators(fp->iter_base);
      if (handlers_.size() > fp->handler_base) handlers_.resize(fp->handler_base);
      if (--frame_count_ == barrier_) {
        sp_ = sp;
        steps_ = STEPS();
        return result;
      }
      new (sp++) Value(std::move(result));
      fp = &frames_[frame_count_ - 1];
      ip = fp->ip;
      base = fp->base;
    }
    NEXT();
  }
  OP(ReturnNothing) {
    while (sp > base - 1) POP_DISCARD();
    if (iters_.size() > fp->iter_base) cut_iterators(fp->iter_base);
    if (handlers_.size() > fp->handler_base) handlers_.resize(fp->handler_base);
    if (--frame_count_ == barrier_) {
      sp_ = sp;
      steps_ = STEPS();
      return Value();
    }
    new (sp++) Value();
    fp = &frames_[frame_count_ - 1];
    ip = fp->ip;
    base = fp->base;
    NEXT();
  }
  OP(Halt) {
    SAVE();
    const Frame& entry = frames_[barrier_];
    while (sp > entry.base - 1) POP_DISCARD();
    cut_iterators(entry.iter_base);
    handlers_.resize(std::min<size_t>(handlers_.size(), entry.handler_base));
    frame_count_ = barrier_;
    sp_ = sp;
    return Value();
  }

#if !KELO_COMPUTED_GOTO
  default:
    RAISE("The program is damaged: unknown instruction");
}
#endif

slow_binary : SAVE();
{
  Result<Value> r = builtins::binary(binary_op, sp[-2], sp[-1]);
  if (!r.ok()) {
    err = std::move(r).error();
    goto raise;
  }
  if (heap::over()) RAISE_EXHAUSTED();
  POP_DISCARD();
  sp[-1] = std::move(r).value();
}
NEXT();

overflow : raise_text = kTooDeepMessage;
goto raise_message;

raise_message : SAVE();
err = RuntimeError::here(std::string(raise_text));
goto raise;

raise_exhausted : SAVE();
err = heap::error();
goto raise;

raise_pending : err = heap::error();
goto raise;

budget_exceeded : SAVE();
err = RuntimeError::here(std::string(kBudgetMessage));
over = true;
goto raise;

raise : SAVE();
// The instruction that would have been the next is counted: the run used budget + 1.
if (over) steps_ = options_.budget + 1;
if (err.line == RuntimeError::kUnset) err.line = line_of(*fp);
// The budget error reaches no handler: the run ends with it.
if (!over) {
  for (;;) {
    Frame& f = frames_[frame_count_ - 1];
    const auto at = static_cast<uint32_t>(f.ip - f.code);
    const uint32_t p = at == 0 ? 0 : at - 1;
    bool found = false;
    while (handlers_.size() > f.handler_base) {
      const Handler& h = handlers_.back();
      if (h.begin <= p && p < h.resume) {
        found = true;
        break;
      }
      handlers_.pop_back();  // its try was left by break or continue
    }
    if (found) {
      {
        // Made first, with the frames left so far saved: when it cannot be made, the
        // loop starts again from here.
        sp_ = sp;
        Value record = error_record(err);
        const Handler h = handlers_.back();
        handlers_.pop_back();
        while (sp > h.sp) POP_DISCARD();
        cut_iterators(h.iter_height);
        fp = &f;
        base = f.base;
        ip = f.code + h.resume;
        new (sp++) Value(std::move(record));
      }
      raising_ = false;
      NEXT();
    }
    if (frame_count_ - 1 == barrier_) break;
    while (sp > f.base - 1) POP_DISCARD();
    cut_iterators(f.iter_base);
    --frame_count_;
  }
}
{
  const Frame& entry = frames_[barrier_];
  while (sp > entry.base - 1) POP_DISCARD();
  cut_iterators(entry.iter_base);
  handlers_.resize(std::min<size_t>(handlers_.size(), entry.handler_base));
  frame_count_ = barrier_;
  sp_ = sp;
  return err;
}

#undef INS
#undef KELO_PINNED
#undef CONSTS
#undef JUMP_TO
#undef STEPS
#undef SAVE
#undef RELOAD_STEPS
#undef PUSH_ROOM
#undef RAISE
#undef RAISE_EXHAUSTED
#undef POP_DISCARD
#undef POP_PLAIN
#undef OP
#undef OPX
#undef NEXT
}

}  // namespace kelo_vm
