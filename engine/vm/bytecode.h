// The compiled form of one Kelo program: constants, functions of stack-machine
// instructions, globals, events, plots, buffers and panels. The compiler builds an
// Image, the interpreter runs it and the bundle writer stores it; once finished it is
// immutable and may be shared by several runs.
#pragma once

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelo_vm::bytecode {

// Operand shapes. Every instruction is 8 bytes: opcode, u8 `a`, u16 `b`, u32 `c`.
enum class Operand : uint8_t {
  None,
  A8,         // u8 in `a`
  B16,        // u16 in `b`
  C32,        // u32 in `c` (a constant index)
  Jump,       // i32 in `c`, counted from the next instruction
  B16A8,      // u16 in `b` and u8 in `a` (CallHost: host id, argument count)
};

// What an instruction does to the value stack: it pops `pops` values, then pushes
// `pushes`, then goes on as its Flow says. A count may grow with an operand: `a + 1`
// (a call pops its a arguments and the callee), `b * 2` (b key and value pairs).
enum class CountBy : uint8_t { None, A, B };
struct Count {
  uint8_t fixed = 0;
  uint8_t per = 0;
  CountBy by = CountBy::None;

  constexpr Count(int n) : fixed(static_cast<uint8_t>(n)) {}
  constexpr Count(uint8_t f, uint8_t p, CountBy b) : fixed(f), per(p), by(b) {}
  // The count for one instruction (an Op, or the interpreter's decoded form).
  template <class I>
  constexpr int64_t of(const I& in) const {
    const int64_t n = by == CountBy::A ? int64_t{in.a} : by == CountBy::B ? int64_t{in.b} : 0;
    return fixed + per * n;
  }
};
constexpr Count operator+(Count c, int k) {
  return Count(static_cast<uint8_t>(c.fixed + k), c.per, c.by);
}
constexpr Count operator*(Count c, int k) {
  return Count(static_cast<uint8_t>(c.fixed * k), static_cast<uint8_t>(c.per * k), c.by);
}

// Where execution goes on after an instruction.
enum class Flow : uint8_t {
  Next,    // the next instruction
  Goto,    // its jump target only
  Branch,  // the next instruction or its jump target, with the same stack
  Loop,    // the next instruction with its pushes, or its jump target without them
  Guard,   // the next instruction; an error caught later resumes at its target with one
           // value (the error record) pushed
  Exit,    // none: it leaves the function, or raises
};

struct StackEffect {
  Count pops;
  Count pushes;
  Flow flow;
};

// X(name, operand, pops, pushes, flow, summary). The order fixes the opcode numbers
// 0..50, which the bundle file stores; append nothing in the middle. Everything else
// about an opcode (its name, operand layout, stack effect, whether it jumps, the
// interpreter's dispatch table) derives from its row.
// clang-format off
#define KELO_OPCODES(X)                                                                        \
  X(Const,           C32,   0,     1, Next,   "push the constant's value")                     \
  X(True,            None,  0,     1, Next,   "push true")                                      \
  X(False,           None,  0,     1, Next,   "push false")                                     \
  X(Nothing,         None,  0,     1, Next,   "push nothing")                                   \
  X(GetLocal,        B16,   0,     1, Next,   "push the local slot")                            \
  X(SetLocal,        B16,   1,     1, Next,   "store the top into the local slot; it stays")   \
  X(GetGlobal,       B16,   0,     1, Next,   "push the global")                                \
  X(SetGlobal,       B16,   1,     1, Next,   "store the top into the global; it stays")       \
  X(GetUpvalue,      B16,   0,     1, Next,   "push the running closure's captured value")     \
  X(GetMember,       C32,   1,     1, Next,   "pop object; push its member named by the Name constant") \
  X(SetMember,       C32,   2,     1, Next,   "pop object, value; set the named member; push the value") \
  X(Index,           None,  2,     1, Next,   "pop target, index; push target[index]")         \
  X(SetIndex,        None,  3,     1, Next,   "pop target, index, value; store; push the value") \
  X(Call,            A8,    a + 1, 1, Next,   "pop callee and a arguments (callee below them); push the result") \
  X(CallHost,        B16A8, a,     1, Next,   "pop a arguments; call host function b; push the result") \
  X(Closure,         B16,   0,     1, Next,   "push a closure of function b capturing from the current frame") \
  X(Add,             None,  2,     1, Next,   "pop a, b; push a + b")                           \
  X(Sub,             None,  2,     1, Next,   "pop a, b; push a - b")                           \
  X(Mul,             None,  2,     1, Next,   "pop a, b; push a * b")                           \
  X(Div,             None,  2,     1, Next,   "pop a, b; push a / b")                           \
  X(Rem,             None,  2,     1, Next,   "pop a, b; push a % b")                           \
  X(Pow,             None,  2,     1, Next,   "pop a, b; push a ** b")                          \
  X(Negate,          None,  1,     1, Next,   "pop a; push -a")                                 \
  X(Not,             None,  1,     1, Next,   "pop a; push its logical negation")               \
  X(Equal,           None,  2,     1, Next,   "pop a, b; push a == b")                          \
  X(NotEqual,        None,  2,     1, Next,   "pop a, b; push a != b")                          \
  X(Less,            None,  2,     1, Next,   "pop a, b; push a < b")                           \
  X(LessEqual,       None,  2,     1, Next,   "pop a, b; push a <= b")                          \
  X(Greater,         None,  2,     1, Next,   "pop a, b; push a > b")                           \
  X(GreaterEqual,    None,  2,     1, Next,   "pop a, b; push a >= b")                          \
  X(Coalesce,        A8,    2,     1, Next,   "pop a, b; push a unless it is nothing or NaN, else b (the operand picks a Choice)") \
  X(Jump,            Jump,  0,     0, Goto,   "jump")                                           \
  X(JumpIfFalse,     Jump,  1,     0, Branch, "pop; jump when not truthy")                      \
  X(JumpIfTrue,      Jump,  1,     0, Branch, "pop; jump when truthy")                          \
  X(JumpIfFalsePeek, Jump,  1,     1, Branch, "jump when the top is not truthy; the top stays") \
  X(JumpIfTruePeek,  Jump,  1,     1, Branch, "jump when the top is truthy; the top stays")     \
  X(Pop,             None,  1,     0, Next,   "drop the top")                                   \
  X(Dup,             None,  1,     2, Next,   "push a copy of the top")                         \
  X(MakeArray,       B16,   b,     1, Next,   "pop b values; push an array of them in order")  \
  X(MakeMap,         B16,   b * 2, 1, Next,   "pop b (key, value) pairs; push a map keyed by text") \
  X(MakeObject,      B16,   b * 2, 1, Next,   "pop b (name, value) pairs; push a record or map") \
  X(MakeRange,       A8,    2,     1, Next,   "pop start, end; push a range, inclusive when a is 1") \
  X(IterInit,        A8,    1,     1, Next,   "pop an iterable; start an iterator; push its placeholder; a = names bound (1, or 2)") \
  /* IterNext's a (the names its loop binds) is filled in when a Vm decodes the image. */    \
  X(IterNext,        Jump,  0,     a, Loop,   "push the next item (a values), or end the iterator and jump") \
  X(EnumCase,        C32,   0,     1, Next,   "push the case name as text")                     \
  X(Throw,           None,  1,     0, Exit,   "pop a value; raise a runtime error with its text") \
  X(TryBegin,        Jump,  0,     0, Guard,  "register a handler at the jump target until TryEnd") \
  X(TryEnd,          None,  0,     0, Next,   "remove the innermost handler")                   \
  X(Return,          None,  1,     0, Exit,   "pop the result; leave the function; push it for the caller") \
  X(ReturnNothing,   None,  0,     0, Exit,   "leave the function; push nothing for the caller") \
  X(Halt,            None,  0,     0, Exit,   "end the top-level run")
// clang-format on

enum class Opcode : uint8_t {
#define KELO_OPCODE_ENUM(name, ...) name,
  KELO_OPCODES(KELO_OPCODE_ENUM)
#undef KELO_OPCODE_ENUM
};

// What Coalesce does with its two values, by its `a` operand. The forms past Coalesce
// build the element-wise series node when either value is a series (`close > open &&
// ready`, `c ? high : low` as a series); on two plain values they give the scalar answer.
enum class Choice : uint8_t {
  Coalesce = 0,    // a unless it is nothing or NaN, else b
  And = 1,         // both true: series code And; else Bool
  Or = 2,          // either true: series code Or; else Bool
  Where = 3,       // b where a is true, else NaN (nothing on plain values)
  WhereAfter = 4,  // a where b is true, else NaN (nothing on plain values)
  Fill = 5,        // a, or b where a is NaN (or nothing)
};
inline constexpr uint8_t kChoiceCount = 6;

inline constexpr int kOpcodeCount = 0
#define KELO_OPCODE_COUNT(name, ...) +1
    KELO_OPCODES(KELO_OPCODE_COUNT)
#undef KELO_OPCODE_COUNT
    ;
static_assert(kOpcodeCount == 51);

inline constexpr std::string_view kOpcodeNames[] = {
#define KELO_OPCODE_NAME(name, ...) #name,
    KELO_OPCODES(KELO_OPCODE_NAME)
#undef KELO_OPCODE_NAME
};

inline constexpr Operand kOpcodeOperands[] = {
#define KELO_OPCODE_OPERAND(name, operand, ...) Operand::operand,
    KELO_OPCODES(KELO_OPCODE_OPERAND)
#undef KELO_OPCODE_OPERAND
};

namespace effects {
// The operand-sized counts the rows name.
inline constexpr Count a{0, 1, CountBy::A};
inline constexpr Count b{0, 1, CountBy::B};

inline constexpr StackEffect kTable[] = {
#define KELO_OPCODE_EFFECT(name, operand, pops, pushes, flow, summary) \
  {Count(pops), Count(pushes), Flow::flow},
    KELO_OPCODES(KELO_OPCODE_EFFECT)
#undef KELO_OPCODE_EFFECT
};
}  // namespace effects

// "?" for a byte beyond the list (a corrupt bundle, not a compiler output).
constexpr std::string_view opcode_name(Opcode op) {
  auto i = static_cast<unsigned>(op);
  return i < static_cast<unsigned>(kOpcodeCount) ? kOpcodeNames[i] : std::string_view("?");
}
constexpr Operand opcode_operand(Opcode op) {
  auto i = static_cast<unsigned>(op);
  return i < static_cast<unsigned>(kOpcodeCount) ? kOpcodeOperands[i] : Operand::None;
}
constexpr bool is_jump(Opcode op) { return opcode_operand(op) == Operand::Jump; }
// Only for a byte within the list.
constexpr const StackEffect& stack_effect(Opcode op) {
  return effects::kTable[static_cast<unsigned>(op)];
}

// One instruction, 8 bytes: byte 0 opcode, byte 1 `a`, bytes 2-3 `b`, bytes 4-7 `c`.
// Jump offsets live in `c` as a two's-complement i32, relative to the next instruction.
struct Op {
  Opcode code = Opcode::Halt;
  uint8_t a = 0;
  uint16_t b = 0;
  uint32_t c = 0;

  int32_t offset() const { return std::bit_cast<int32_t>(c); }
  void set_offset(int32_t off) { c = std::bit_cast<uint32_t>(off); }

  static constexpr Op plain(Opcode code) { return Op{code, 0, 0, 0}; }
  static constexpr Op with_a(Opcode code, uint8_t a) { return Op{code, a, 0, 0}; }
  static constexpr Op with_b(Opcode code, uint16_t b) { return Op{code, 0, b, 0}; }
  static constexpr Op with_c(Opcode code, uint32_t c) { return Op{code, 0, 0, c}; }
  static constexpr Op jump(Opcode code, int32_t off) {
    return Op{code, 0, 0, std::bit_cast<uint32_t>(off)};
  }
  static constexpr Op call_host(uint16_t id, uint8_t argc) {
    return Op{Opcode::CallHost, argc, id, 0};
  }
  friend bool operator==(const Op&, const Op&) = default;
};
static_assert(sizeof(Op) == 8);

// HostFunction lives in memory only: a built-in function used as a value, so that the
// interpreter can tell it from a plain int. The bundle file stores it as an Int.
enum class ConstantKind : uint8_t { Int, Num, Text, Time, Duration, Color, Name, HostFunction };

// A pooled constant. Only the field of its kind is meaningful: `i` for Int and Time,
// `n` for Num and Duration, `color` for Color, `text` for Text and Name, `i` (the host
// id) for HostFunction.
struct Constant {
  ConstantKind kind = ConstantKind::Int;
  int64_t i = 0;
  double n = 0.0;
  uint32_t color = 0;
  std::string text;

  static Constant integer(int64_t v) { return {ConstantKind::Int, v, 0.0, 0, {}}; }
  static Constant number(double v) { return {ConstantKind::Num, 0, v, 0, {}}; }
  static Constant text_of(std::string v) { return {ConstantKind::Text, 0, 0.0, 0, std::move(v)}; }
  static Constant time(int64_t ms) { return {ConstantKind::Time, ms, 0.0, 0, {}}; }
  static Constant duration(double ms) { return {ConstantKind::Duration, 0, ms, 0, {}}; }
  static Constant colour(uint32_t rgba) { return {ConstantKind::Color, 0, 0.0, rgba, {}}; }
  static Constant name(std::string v) { return {ConstantKind::Name, 0, 0.0, 0, std::move(v)}; }
  static Constant host_function(uint16_t id) {
    return {ConstantKind::HostFunction, id, 0.0, 0, {}};
  }

  // Pooling equality: floats compare by bits, so NaN pools with NaN and -0.0 stays
  // apart from 0.0.
  friend bool operator==(const Constant& x, const Constant& y) {
    if (x.kind != y.kind) return false;
    switch (x.kind) {
      case ConstantKind::Int:
      case ConstantKind::Time:
      case ConstantKind::HostFunction: return x.i == y.i;
      case ConstantKind::Num:
      case ConstantKind::Duration:
        return std::bit_cast<uint64_t>(x.n) == std::bit_cast<uint64_t>(y.n);
      case ConstantKind::Color: return x.color == y.color;
      case ConstantKind::Text:
      case ConstantKind::Name: return x.text == y.text;
    }
    return false;
  }

  // Debug form: the kind name with the payload in parentheses, e.g. "Int(5)".
  std::string debug() const;
};

// A captured variable: the slot in the creating frame (is_local 1), or the creating
// closure's captured value at `index` (is_local 0).
struct Upvalue {
  uint16_t index = 0;
  uint8_t is_local = 1;
  friend bool operator==(const Upvalue&, const Upvalue&) = default;
};

// Source position of a run of ops starting at `op`.
struct LineEntry {
  uint32_t op = 0;
  uint32_t line = 0;
  uint32_t column = 0;
  friend bool operator==(const LineEntry&, const LineEntry&) = default;
};

struct Function {
  std::string name;
  uint8_t arity = 0;     // declared parameters
  uint8_t required = 0;  // leading parameters without a default
  uint16_t slots = 0;    // local slots reserved on entry (parameters included)
  std::vector<Upvalue> upvalues;
  std::vector<Op> code;
  std::vector<LineEntry> lines;  // ascending by op

  // Line of op `ip`: the last entry whose op is at most ip; 0 when none.
  uint32_t line_at(size_t ip) const {
    uint32_t line = 0;
    for (const LineEntry& e : lines) {
      if (e.op > ip) break;
      line = e.line;
    }
    return line;
  }
};

enum class EventKind : uint8_t {
  OnInit = 0,
  OnDeinit = 1,
  OnTick = 2,
  OnBar = 3,
  OnTimer = 4,
  OnTrade = 5,
  OnFilled = 6,
  OnClosed = 7,
  OnWebhook = 8,
  OnCalculate = 9,
  OnChartEvent = 10,
  OnStart = 11,
  None = 255,
};

inline constexpr std::string_view kEventHandlers[] = {
    "onInit",  "onDeinit", "onTick",    "onBar",       "onTimer",      "onTrade",
    "onFilled", "onClosed", "onWebhook", "onCalculate", "onChartEvent", "onStart"};

// Handler name to kind; any other name gives EventKind::None (255).
constexpr EventKind event_from_handler(std::string_view name) {
  for (size_t i = 0; i < std::size(kEventHandlers); ++i)
    if (kEventHandlers[i] == name) return static_cast<EventKind>(i);
  return EventKind::None;
}
// Empty for EventKind::None or an unknown byte.
constexpr std::string_view event_handler_name(EventKind kind) {
  auto i = static_cast<size_t>(kind);
  return i < std::size(kEventHandlers) ? kEventHandlers[i] : std::string_view();
}

struct EventEntry {
  EventKind kind = EventKind::None;
  uint16_t function = 0;
  friend bool operator==(const EventEntry&, const EventEntry&) = default;
};

struct PlotDef {
  std::string title;
  std::string style = "line";
  std::string panel;
  double width = 1.4;
  uint32_t color = 0x3D7BF5FF;
  uint16_t function = 0;
};

struct PanelDef {
  std::string title;
  uint16_t function = 0;
};

struct Image {
  std::string name;
  std::vector<Constant> constants;
  std::vector<Function> functions;
  uint16_t global_count = 0;
  std::vector<std::string> global_names;
  std::optional<uint16_t> main;
  std::optional<uint16_t> input_initialiser;
  std::vector<EventEntry> events;
  std::vector<PlotDef> plots;
  std::vector<std::string> buffers;
  std::vector<PanelDef> panels;

  // The function of the first handler of that kind.
  std::optional<uint16_t> event(EventKind kind) const {
    for (const EventEntry& e : events)
      if (e.kind == kind) return e.function;
    return std::nullopt;
  }
};

inline std::string Constant::debug() const {
  auto fmt_double = [](double v) {
    // Round-trip digits; enough for a debug form.
    char buf[64];
    int n = std::snprintf(buf, sizeof buf, "%.17g", v);
    return std::string(buf, n > 0 ? static_cast<size_t>(n) : 0);
  };
  switch (kind) {
    case ConstantKind::Int: return "Int(" + std::to_string(i) + ")";
    case ConstantKind::Num: return "Num(" + fmt_double(n) + ")";
    case ConstantKind::Text: return "Text(" + text + ")";
    case ConstantKind::Time: return "Time(" + std::to_string(i) + ")";
    case ConstantKind::Duration: return "Duration(" + fmt_double(n) + ")";
    case ConstantKind::Color: return "Color(" + std::to_string(color) + ")";
    case ConstantKind::Name: return "Name(" + text + ")";
    case ConstantKind::HostFunction: return "HostFunction(" + std::to_string(i) + ")";
  }
  return {};
}

}  // namespace kelo_vm::bytecode
