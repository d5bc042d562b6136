#include "vm/value.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <unordered_map>
#include <utility>

#include "core/numeric.h"
#include "core/shortest_decimal.h"

namespace kelo_vm {

// ---------------------------------------------------------------------------------------
// Release without recursion

namespace {

// Trivially destructible, so values released during thread or program exit still work.
struct ReleaseQueue {
  Object* pending = nullptr;
  bool draining = false;
};
thread_local ReleaseQueue t_release;

struct ContainerList {
  Container* head = nullptr;
  size_t count = 0;
};
thread_local ContainerList t_containers;

bool is_container_tag(Tag t) {
  return t == Tag::Array || t == Tag::Map || t == Tag::Record || t == Tag::Closure;
}

}  // namespace

void detail::release(Object* o) {
  ReleaseQueue& q = t_release;
  if (q.draining) {
    // Freed by the loop below, one level up: deep structures never nest C++ calls.
    o->release_next = q.pending;
    q.pending = o;
    return;
  }
  q.draining = true;
  delete o;
  while (q.pending) {
    Object* next = q.pending;
    q.pending = next->release_next;
    delete next;
  }
  q.draining = false;
}

Container::Container() {
  ContainerList& l = t_containers;
  gc_next = l.head;
  if (l.head) l.head->gc_prev = this;
  l.head = this;
  ++l.count;
}

Container::~Container() {
  ContainerList& l = t_containers;
  if (gc_prev)
    gc_prev->gc_next = gc_next;
  else
    l.head = gc_next;
  if (gc_next) gc_next->gc_prev = gc_prev;
  --l.count;
}

size_t live_containers() {
  return t_containers.count;
}

size_t collect_cycles() {
  ContainerList& l = t_containers;
  for (Container* c = l.head; c; c = c->gc_next) c->gc_refs = c->rc;
  // What is left after subtracting the references containers hold among themselves
  // comes from outside: those containers, and all they reach, stay.
  for (Container* c = l.head; c; c = c->gc_next)
    c->trace(
        [](const Value& v, void*) {
          if (is_container_tag(v.tag())) static_cast<Container*>(v.object())->gc_refs--;
        },
        nullptr);
  constexpr int64_t kReached = -1;
  std::vector<Container*> work;
  for (Container* c = l.head; c; c = c->gc_next)
    if (c->gc_refs > 0) {
      c->gc_refs = kReached;
      work.push_back(c);
    }
  while (!work.empty()) {
    Container* c = work.back();
    work.pop_back();
    c->trace(
        [](const Value& v, void* ctx) {
          if (!is_container_tag(v.tag())) return;
          auto* child = static_cast<Container*>(v.object());
          if (child->gc_refs == kReached) return;
          child->gc_refs = kReached;
          static_cast<std::vector<Container*>*>(ctx)->push_back(child);
        },
        &work);
  }
  std::vector<Container*> garbage;
  for (Container* c = l.head; c; c = c->gc_next)
    if (c->gc_refs != kReached) garbage.push_back(c);
  for (Container* c : garbage) retain(c);
  {
    std::vector<Value> contents;
    for (Container* c : garbage) c->drain(contents);
  }
  for (Container* c : garbage) unretain(c);
  return garbage.size();
}

void Array::trace(void (*f)(const Value&, void*), void* ctx) const {
  for (const Value& v : items) f(v, ctx);
}
void Array::drain(std::vector<Value>& out) {
  for (Value& v : items) out.push_back(std::move(v));
  items.clear();
}

Value Record::get(std::string_view name) const {
  auto it = fields.find(name);
  return it == fields.end() ? Value() : it->second;
}
Record& Record::with(std::string_view name, Value v) {
  auto it = fields.find(name);
  if (it != fields.end())
    it->second = std::move(v);
  else {
    fields.emplace(std::string(name), std::move(v));
    settle(*this);
  }
  return *this;
}
void Record::trace(void (*f)(const Value&, void*), void* ctx) const {
  for (const auto& [k, v] : fields) f(v, ctx);
}
void Record::drain(std::vector<Value>& out) {
  for (auto& [k, v] : fields) out.push_back(std::move(v));
  fields.clear();
}

void Closure::trace(void (*f)(const Value&, void*), void* ctx) const {
  for (const Value& v : captured) f(v, ctx);
}
void Closure::drain(std::vector<Value>& out) {
  for (Value& v : captured) out.push_back(std::move(v));
  captured.clear();
}

// ---------------------------------------------------------------------------------------
// Text

Text::Shape Text::shape_of(std::string_view s) {
  size_t n = 0;
  bool ascii = true;
  for (unsigned char c : s) {
    if (c >= 0x80) ascii = false;
    if ((c & 0xC0) != 0x80) ++n;
  }
  return {n, ascii};
}

// The string is measured before it is moved: the parameter is a reference.
Text::Text(std::string s) : Text(std::move(s), shape_of(s)) {}

std::string_view Text::char_at(size_t index) const {
  if (index >= chars) return {};
  if (ascii) return std::string_view(str).substr(index, 1);
  size_t seen = 0;
  for (size_t i = 0; i < str.size(); ++i) {
    if ((static_cast<unsigned char>(str[i]) & 0xC0) == 0x80) continue;
    if (seen == index) {
      size_t j = i + 1;
      while (j < str.size() && (static_cast<unsigned char>(str[j]) & 0xC0) == 0x80) ++j;
      return std::string_view(str).substr(i, j - i);
    }
    ++seen;
  }
  return {};
}

// ---------------------------------------------------------------------------------------
// Constructors

Value Value::text(std::string s) {
  return text(make_ref<Text>(std::move(s)));
}
Value Value::text(std::string_view s) {
  return text(make_ref<Text>(std::string(s)));
}
Value Value::text(Ref<Text> t) {
  Value v(Tag::Text);
  v.u_.obj = t.release();
  return v;
}
Value Value::array(std::vector<Value> items) {
  return array(make_ref<Array>(std::move(items)));
}
Value Value::array(Ref<Array> a) {
  Value v(Tag::Array);
  v.u_.obj = a.release();
  return v;
}
Value Value::map(MapItems items) {
  return map(make_ref<Map>(std::move(items)));
}
Value Value::map(Ref<Map> m) {
  Value v(Tag::Map);
  v.u_.obj = m.release();
  return v;
}
Value Value::record(Ref<Record> r) {
  Value v(Tag::Record);
  v.u_.obj = r.release();
  return v;
}
Value Value::closure(Ref<Closure> c) {
  Value v(Tag::Closure);
  v.u_.obj = c.release();
  return v;
}
Value Value::range(int64_t start, int64_t end, bool inclusive) {
  Value v(Tag::Range);
  v.u_.obj = make_ref<RangeBox>(start, end, inclusive).release();
  return v;
}
Value Value::status(bool ok, std::string_view reason) {
  Value v(Tag::Status);
  v.set_aux(ok ? 1 : 0);
  v.u_.obj = reason.empty() ? nullptr : make_ref<Text>(std::string(reason)).release();
  return v;
}

// ---------------------------------------------------------------------------------------
// Series descriptions

Ref<Series> Series::source(SeriesKind k, std::optional<std::string> symbol,
                           std::optional<std::string> timeframe) {
  auto s = make_ref<Series>();
  s->form = SeriesForm::Source;
  s->kind = k;
  s->symbol = std::move(symbol);
  s->timeframe = std::move(timeframe);
  return s;
}
Ref<Series> Series::constant_of(double v) {
  auto s = make_ref<Series>();
  s->form = SeriesForm::Constant;
  s->constant = v;
  return s;
}
Ref<Series> Series::unary(SeriesOp op, Ref<Series> operand) {
  auto s = make_ref<Series>();
  s->form = SeriesForm::Unary;
  s->op = op;
  s->reads_buffer = operand && operand->reads_buffer;
  s->left = std::move(operand);
  return s;
}
Ref<Series> Series::binary(SeriesOp op, Ref<Series> l, Ref<Series> r) {
  auto s = make_ref<Series>();
  s->form = SeriesForm::Binary;
  s->op = op;
  s->reads_buffer = (l && l->reads_buffer) || (r && r->reads_buffer);
  s->left = std::move(l);
  s->right = std::move(r);
  return s;
}
Ref<Series> Series::indicator(std::string name, std::vector<Ref<Series>> inputs,
                              std::vector<double> numbers, uint8_t selector) {
  auto s = make_ref<Series>();
  s->form = SeriesForm::Indicator;
  s->name = std::move(name);
  for (const Ref<Series>& in : inputs)
    s->reads_buffer = s->reads_buffer || (in && in->reads_buffer);
  s->inputs = std::move(inputs);
  s->numbers = std::move(numbers);
  s->selector = selector;
  return s;
}
Ref<Series> Series::buffer_of(std::shared_ptr<std::vector<double>> data) {
  auto s = make_ref<Series>();
  s->form = SeriesForm::Buffer;
  s->buffer = std::move(data);
  s->reads_buffer = true;
  return s;
}

namespace {
thread_local uint64_t tl_buffer_writes = 0;
}  // namespace

uint64_t buffer_writes() {
  return tl_buffer_writes;
}
void count_buffer_write() {
  ++tl_buffer_writes;
}

SeriesKind series_kind(std::string_view name) {
  for (size_t i = 0; i < std::size(kSeriesKindNames); ++i)
    if (kSeriesKindNames[i] == name) return static_cast<SeriesKind>(i);
  return SeriesKind::None;
}

// ---------------------------------------------------------------------------------------
// Rules

std::string_view type_name(Tag tag) {
  switch (tag) {
    case Tag::Nothing:
      return "none";
    case Tag::Bool:
      return "bool";
    case Tag::Int:
      return "int";
    case Tag::Num:
      return "num";
    case Tag::Text:
      return "text";
    case Tag::Time:
      return "time";
    case Tag::Duration:
      return "duration";
    case Tag::Color:
      return "color";
    case Tag::Series:
      return "series";
    case Tag::Array:
      return "array";
    case Tag::Map:
      return "map";
    case Tag::Record:
      return "record";
    case Tag::Closure:
    case Tag::HostFunction:
      return "function";
    case Tag::Range:
      return "range";
    case Tag::Status:
      return "status";
  }
  return "none";
}

std::optional<int64_t> as_int(const Value& v) {
  switch (v.tag()) {
    case Tag::Bool:
      return v.bool_value() ? 1 : 0;
    case Tag::Int:
    case Tag::Time:
      return v.int_value();
    case Tag::Num:
    case Tag::Duration:
      return kelo_core::numeric::saturating_i64(v.num_value());
    default:
      return std::nullopt;
  }
}

std::optional<double> numeric_view(const Value& v) {
  switch (v.tag()) {
    case Tag::Bool:
      return v.bool_value() ? 1.0 : 0.0;
    case Tag::Int:
    case Tag::Time:
      return static_cast<double>(v.int_value());
    case Tag::Num:
    case Tag::Duration:
      return v.num_value();
    default:
      return std::nullopt;
  }
}

std::string as_text(const Value& v) {
  if (v.is(Tag::Text)) return std::string(v.str());
  return display(v);
}

bool truthy(const Value& v) {
  switch (v.tag()) {
    case Tag::Nothing:
      return false;
    case Tag::Bool:
      return v.bool_value();
    case Tag::Int:
      return v.int_value() != 0;
    case Tag::Num:
      return v.num_value() != 0.0 && !std::isnan(v.num_value());
    case Tag::Text:
      return !v.str().empty();
    case Tag::Array:
      return !v.array_obj().items.empty();
    case Tag::Map:
      return !v.map_obj().empty();
    case Tag::Status:
      return v.status_ok();
    default:
      return true;
  }
}

namespace {

// Deeper structures compare unequal and print elided: an array that holds itself has no
// end, and the C++ stack must stay bounded.
constexpr int kMaxDepth = 1000;

// Structures that share their parts (a = [a, a] repeated) hold exponentially many paths.
// Past a number of visits, the pairs found equal are remembered with the depth they were
// found at: the same pair at that depth or above is equal again without a walk (below it
// the depth rule could still decide otherwise, so it is walked).
class Comparer {
 public:
  bool equals_at(const Value& a, const Value& b, int depth);

 private:
  struct PairHash {
    size_t operator()(const std::pair<const Object*, const Object*>& p) const {
      return std::hash<const void*>()(p.first) * 31 + std::hash<const void*>()(p.second);
    }
  };
  static constexpr size_t kRememberAfter = 4096;
  bool known(const Value& a, const Value& b, int depth) const {
    if (visits_ <= kRememberAfter) return false;
    auto it = equal_.find({a.object(), b.object()});
    return it != equal_.end() && depth <= it->second;
  }
  void remember(const Value& a, const Value& b, int depth) {
    if (visits_ <= kRememberAfter) return;
    auto [it, added] = equal_.try_emplace({a.object(), b.object()}, depth);
    if (!added && depth > it->second) it->second = depth;
  }
  size_t visits_ = 0;
  std::unordered_map<std::pair<const Object*, const Object*>, int, PairHash> equal_;
};

bool Comparer::equals_at(const Value& a, const Value& b, int depth) {
  auto na = numeric_view(a);
  auto nb = numeric_view(b);
  if (na && nb) return *na == *nb;
  if (a.tag() != b.tag()) return false;
  switch (a.tag()) {
    case Tag::Nothing:
      return true;
    case Tag::Text:
      return a.object() == b.object() || a.str() == b.str();
    case Tag::Color:
      return a.color_value() == b.color_value();
    case Tag::Array: {
      if (depth >= kMaxDepth) return false;
      ++visits_;
      if (known(a, b, depth)) return true;
      const auto& x = a.array_obj().items;
      const auto& y = b.array_obj().items;
      if (x.size() != y.size()) return false;
      for (size_t i = 0; i < x.size(); ++i) {
        // Re-check the size: a structure can only shrink here through its own cells,
        // which equality never changes, but stay in bounds regardless.
        if (i >= x.size() || i >= y.size() || !equals_at(x[i], y[i], depth + 1)) return false;
      }
      remember(a, b, depth);
      return true;
    }
    case Tag::Record: {
      if (depth >= kMaxDepth) return false;
      ++visits_;
      if (known(a, b, depth)) return true;
      const Record& x = a.record_obj();
      const Record& y = b.record_obj();
      if (x.type_name != y.type_name || x.fields.size() != y.fields.size()) return false;
      for (const auto& [k, v] : x.fields) {
        auto it = y.fields.find(k);
        if (it == y.fields.end() || !equals_at(v, it->second, depth + 1)) return false;
      }
      remember(a, b, depth);
      return true;
    }
    default:
      return false;
  }
}

struct Printer {
  Printer(std::string& text, size_t cap) : out(text), limit(cap) {}

  std::string& out;
  std::vector<const Object*> path;
  // Shared parts print once per path: the text stops at the cap (or where its next
  // growth would not fit the memory meter) instead of growing without end.
  size_t limit = 0;
  bool full = false;

  // A structure that printed with no marker inside ("[...]" for a cycle or the depth
  // limit) prints the same wherever it appears again no deeper: a part it reaches could
  // only be on the path if it reached that structure back, which would have left a
  // marker. Its text is then copied instead of walked again, which keeps a structure that
  // shares its parts over and over (`[x, x]` nested) linear in what it writes.
  struct Printed {
    size_t offset;
    size_t length;
    size_t depth;  // the path's length where it was printed
  };
  std::unordered_map<const Object*, Printed> printed;
  size_t markers = 0;
  static constexpr size_t kReusedFrom = 64;  // bytes; shorter texts are cheaper to walk

  bool reuse(const Object* o) {
    auto it = printed.find(o);
    if (it == printed.end() || path.size() > it->second.depth) return false;
    const Printed p = it->second;
    // Near the cap, walk it instead, to stop where a walk stops.
    if (out.size() + p.length > limit) return false;
    if (ensure(p.length)) out.append(out, p.offset, p.length);
    return true;
  }
  void remember(const Object* o, size_t offset, size_t markers_before, size_t depth) {
    const size_t length = out.size() - offset;
    if (full || markers != markers_before || length < kReusedFrom) return;
    printed.try_emplace(o, Printed{offset, length, depth});
  }
  void marker(const char* text) {
    out += text;
    ++markers;
  }

  bool room() {
    if (full) return false;
    if (out.size() > limit || (out.capacity() > kLargeText && !heap::fits(out.capacity())))
      full = true;
    // Small texts grow as strings do; large ones only through `ensure`.
    if (!full && out.capacity() >= kLargeText) ensure(kSlack);
    return !full;
  }
  // Grows the text by hand: a string doubling on its own near the cap would reserve
  // twice the cap. Every append is small, or asks for its room here first; the closing
  // brackets written after the cap is reached fit in the slack.
  static constexpr size_t kSlack = 4096;
  // False (and the text full) when the run's memory cannot hold the old and the new
  // buffer at once.
  bool ensure(size_t extra) {
    const size_t need = out.size() + extra;
    if (need <= out.capacity()) return true;
    // Once doubling reaches half the cap, the next buffer is the last one the cap needs.
    const size_t doubled = 2 * out.capacity();
    const size_t target = std::max(need, doubled >= limit / 2 ? limit + kSlack : doubled);
    if (target > kLargeText && !heap::fits(target + out.capacity())) {
      full = true;
      return false;
    }
    heap::reserve_exactly(out, target);
    return true;
  }
  static constexpr size_t kLargeText = size_t{1} << 20;

  bool enter(const Object* o) {
    if (path.size() >= static_cast<size_t>(kMaxDepth)) return false;
    for (const Object* p : path)
      if (p == o) return false;
    path.push_back(o);
    return true;
  }

  void print(const Value& v) {
    if (!room()) return;
    switch (v.tag()) {
      case Tag::Nothing:
        out += "none";
        return;
      case Tag::Bool:
        out += v.bool_value() ? "true" : "false";
        return;
      case Tag::Int:
      case Tag::Time:
        out += std::to_string(v.int_value());
        return;
      case Tag::Num:
        format_number_to(out, v.num_value());
        return;
      case Tag::Text:
        if (ensure(v.str().size())) out += v.str();
        return;
      case Tag::Duration:
        format_number_to(out, v.num_value());
        out += "ms";
        return;
      case Tag::Color: {
        char buf[16];
        std::snprintf(buf, sizeof buf, "#%08x", static_cast<unsigned>(v.color_value()));
        out += buf;
        return;
      }
      case Tag::Series:
        out += "<series>";
        return;
      case Tag::Closure:
      case Tag::HostFunction:
        out += "<function>";
        return;
      case Tag::Range:
        out += std::to_string(v.range_start());
        out += v.range_inclusive() ? "..=" : "..";
        out += std::to_string(v.range_end());
        return;
      case Tag::Status:
        if (v.status_ok()) {
          out += "ok";
        } else {
          out += "failed: ";
          out += v.status_reason();
        }
        return;
      case Tag::Array: {
        if (reuse(v.object())) return;
        const size_t offset = out.size(), markers_before = markers, depth = path.size();
        if (!enter(v.object())) {
          marker("[...]");
          return;
        }
        out += '[';
        const auto& items = v.array_obj().items;
        for (size_t i = 0; i < items.size() && !full; ++i) {
          if (i) out += ", ";
          print(items[i]);
        }
        out += ']';
        path.pop_back();
        remember(v.object(), offset, markers_before, depth);
        return;
      }
      case Tag::Map: {
        if (reuse(v.object())) return;
        const size_t offset = out.size(), markers_before = markers, depth = path.size();
        if (!enter(v.object())) {
          marker("[...]");
          return;
        }
        out += '[';
        bool first = true;
        for (const MapEntry& e : v.map_obj().ordered()) {
          if (full) break;
          if (!first) out += ", ";
          first = false;
          if (!ensure(e.key_str().size() + 2)) break;
          out += e.key_str();
          out += ": ";
          print(e.value);
        }
        out += ']';
        path.pop_back();
        remember(v.object(), offset, markers_before, depth);
        return;
      }
      case Tag::Record: {
        if (reuse(v.object())) return;
        const size_t offset = out.size(), markers_before = markers, depth = path.size();
        const Record& r = v.record_obj();
        out += r.type_name;
        if (!enter(v.object())) {
          marker("(...)");
          return;
        }
        out += '(';
        bool first = true;
        for (const auto& [k, item] : r.fields) {
          if (full) break;
          if (!first) out += ", ";
          first = false;
          out += k;
          out += ": ";
          print(item);
        }
        out += ')';
        path.pop_back();
        remember(v.object(), offset, markers_before, depth);
        return;
      }
    }
  }
};

}  // namespace

bool equals(const Value& a, const Value& b) {
  Comparer c;
  return c.equals_at(a, b, 0);
}

bool display_to(std::string& out, const Value& v) {
  Printer p(out, out.size() + kMaxDisplayBytes);
  p.print(v);
  return !p.full;
}

std::string display(const Value& v) {
  std::string out;
  display_to(out, v);
  return out;
}

void format_number_to(std::string& out, double x) {
  if (std::isnan(x)) {
    out += "none";
    return;
  }
  if (std::isinf(x)) {
    out += x > 0 ? "inf" : "-inf";
    return;
  }
  if (x == std::trunc(x) && std::fabs(x) < 1e15) {
    out += std::to_string(static_cast<int64_t>(x));
    return;
  }
  kelo_core::numeric::append_shortest_decimal(out, x);
}

std::string format_number(double x) {
  std::string out;
  format_number_to(out, x);
  return out;
}

}  // namespace kelo_vm
