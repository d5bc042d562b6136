// The interpreter's tagged runtime value and its shared payloads.
//
// A Value is 16 bytes: an 8-byte payload (integer, double, colour, host id or a pointer to
// a reference-counted object) and an 8-byte word holding the tag and one byte of flags.
// Copying a shared variant bumps a plain (non-atomic) count: values live on one thread.
//
// Shared payloads, all deriving from Object:
//   Text     immutable UTF-8 string with its character count cached
//   Series   immutable description of a series (source, constant, operator, indicator,
//            buffer) with its own evaluation cache
//   Array    mutable cell: every holder sees push, SetIndex, ...
//   Map      mutable cell keyed by text (hashed); walked in ascending byte order of keys
//   Record   type name and fields by name; fields change in place (SetMember)
//   Closure  a function of the image and its captured values
//   RangeBox the two bounds of a Range (boxed so that Value stays 16 bytes)
//
// Every object carries what it is charged on its thread's memory meter (heap.h): made
// by make_ref, it is charged for its size and its payload's storage; code that changes
// that storage settles the charge afterwards, and freeing the object releases it.
//
// Releasing never recurses: an object whose count drops to zero is queued and freed by
// one loop, so a million nested arrays or a 100k-long series chain free in constant C++
// stack. Arrays, maps, records and closures are also "containers" tracked per thread, so
// `collect_cycles` can free self-containing structures (an array stored into itself).
//
// How built-ins are called (see dispatch.h and interpreter.h):
//   - A built-in is a `BuiltinFn`: `Result<Value> fn(BuiltinCall& call)`. `call.args` is a
//     span of borrowed Values (valid for the call only; copy a Value to keep it),
//     `call.name` the qualified host-function name, `call.host` the Host and `call.vm` the
//     interpreter.
//   - It returns a Value, or `RuntimeError::here("message")` for a failure; the
//     interpreter gives that error the line of the calling instruction, and a `try` of
//     the program can catch it.
//   - A higher-order built-in calls back into bytecode with
//     `call.vm.call_value(callee, args, call.host)`: it runs the callee to completion
//     (same step budget) and returns its value or its error. The callback's frames are
//     unwound only as far as the callback itself: a `try` around the built-in's caller
//     does not see the error until the built-in returns it. Return that error unchanged
//     (its line is already set) and stop iterating.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "vm/heap.h"

namespace kelo_vm {

enum class Tag : uint8_t {
  Nothing = 0,
  Bool = 1,
  Int = 2,
  Num = 3,
  Text = 4,
  Time = 5,
  Duration = 6,
  Color = 7,
  Series = 8,
  Array = 9,
  Map = 10,
  Record = 11,
  Closure = 12,
  HostFunction = 13,
  Range = 14,
  Status = 15,
};

// Caps on what one operation may build: a text of more bytes or an array of more items
// is refused (an error, or the built-in's neutral result) before it is made.
inline constexpr std::size_t kMaxTextBytes = std::size_t{1} << 28;
inline constexpr std::size_t kMaxArrayItems = std::size_t{1} << 24;

// ---------------------------------------------------------------------------------------
// Objects and references

struct Object {
  uint32_t rc = 1;
  uint32_t charge = 0;  // bytes counted on this thread's heap meter for this object
  Object* release_next = nullptr;  // links objects waiting to be freed
  Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;
  virtual ~Object() { heap::release(charge); }
};
// The charge sits in the padding after the count: objects do not grow.
static_assert(sizeof(Object) == 2 * sizeof(void*) + 8);

namespace detail {
// Frees `o` (its count reached zero) and whatever that releases, without recursion.
void release(Object* o);
}  // namespace detail

#define KELO_HOT [[gnu::always_inline]] inline

KELO_HOT void retain(Object* o) {
  ++o->rc;
}
KELO_HOT void unretain(Object* o) {
  if (--o->rc == 0) detail::release(o);
}

// Intrusive counted pointer to a payload.
template <class T>
class Ref {
 public:
  Ref() = default;
  Ref(std::nullptr_t) {}
  // Adopts a fresh object (count 1).
  static Ref adopt(T* p) {
    Ref r;
    r.p_ = p;
    return r;
  }
  // Shares an object someone else holds.
  static Ref share(T* p) {
    if (p) retain(p);
    return adopt(p);
  }
  Ref(const Ref& o) : p_(o.p_) {
    if (p_) retain(p_);
  }
  Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  template <class U>
  Ref(Ref<U>&& o) noexcept : p_(o.release()) {}
  Ref& operator=(Ref o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~Ref() {
    if (p_) unretain(p_);
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // Gives up ownership of the count.
  T* release() { return std::exchange(p_, nullptr); }

 private:
  T* p_ = nullptr;
};

// The bytes an object holds: its own size, plus what its payload allocates (the
// overloads below, found where make_ref is instantiated).
template <class T>
std::size_t heap_bytes(const T&) {
  return heap::block(sizeof(T));
}
// Moves what `o` is charged for to what it holds now (after its storage changed).
template <class T>
void settle(T& o) {
  heap::settle(o, heap_bytes(o));
}

// A fresh object (count 1), charged to this thread's meter.
template <class T, class... Args>
KELO_HOT Ref<T> make_ref(Args&&... args) {
  T* p = new T(std::forward<Args>(args)...);
  heap::settle(*p, heap_bytes(*p));
  return Ref<T>::adopt(p);
}

class Value;

// An object holding Values; tracked per thread for the cycle collector.
struct Container : Object {
  Container();
  ~Container() override;
  // Calls f on every Value held.
  virtual void trace(void (*f)(const Value&, void*), void* ctx) const = 0;
  // Moves every held Value into `out` (breaking cycles before a free).
  virtual void drain(std::vector<Value>& out) = 0;

  Container* gc_prev = nullptr;
  Container* gc_next = nullptr;
  int64_t gc_refs = 0;
};

// Frees the arrays, maps, records and closures of this thread that only hold each other
// (reference cycles). Exact: whatever any Value outside them refers to stays. Returns
// the number of containers freed.
size_t collect_cycles();
// Containers currently alive on this thread.
size_t live_containers();

// ---------------------------------------------------------------------------------------
// The value

struct Text;
struct Array;
struct Map;
struct Record;
struct Closure;
struct Series;
struct RangeBox;

class Vm;

class Value {
 public:
  Value() { u_.i = 0; }
  KELO_HOT Value(const Value& o) : u_(o.u_), meta_(o.meta_) {
    if (holds_object()) retain(u_.obj);
  }
  KELO_HOT Value(Value&& o) noexcept : u_(o.u_), meta_(o.meta_) {
    o.meta_ = 0;
    o.u_.i = 0;
  }
  // The old payload is released last: it may be what (indirectly) holds `o`.
  KELO_HOT Value& operator=(const Value& o) {
    if (o.holds_object()) retain(o.u_.obj);
    Object* old = object();
    u_ = o.u_;
    meta_ = o.meta_;
    if (old) unretain(old);
    return *this;
  }
  KELO_HOT Value& operator=(Value&& o) noexcept {
    if (this == &o) return *this;
    Object* old = object();
    u_ = o.u_;
    meta_ = o.meta_;
    o.meta_ = 0;
    o.u_.i = 0;
    if (old) unretain(old);
    return *this;
  }
  KELO_HOT ~Value() {
    if (holds_object()) unretain(u_.obj);
  }
  void swap(Value& o) noexcept {
    std::swap(u_, o.u_);
    std::swap(meta_, o.meta_);
  }

  // --- constructors ---
  static Value nothing() { return Value(); }
  static Value boolean(bool b) {
    Value v(Tag::Bool);
    v.set_aux(b ? 1 : 0);
    return v;
  }
  static Value integer(int64_t i) {
    Value v(Tag::Int);
    v.u_.i = i;
    return v;
  }
  static Value number(double n) {
    Value v(Tag::Num);
    v.u_.n = n;
    return v;
  }
  static Value time(int64_t ms) {
    Value v(Tag::Time);
    v.u_.i = ms;
    return v;
  }
  static Value duration(double ms) {
    Value v(Tag::Duration);
    v.u_.n = ms;
    return v;
  }
  static Value color(uint32_t rgba) {
    Value v(Tag::Color);
    v.u_.color = rgba;
    return v;
  }
  static Value host_function(uint16_t id) {
    Value v(Tag::HostFunction);
    v.u_.host = id;
    return v;
  }
  static Value text(std::string s);
  static Value text(std::string_view s);
  static Value text(const char* s) { return text(std::string_view(s)); }
  static Value text(Ref<Text> t);
  static Value array(std::vector<Value> items = {});
  static Value array(Ref<Array> a);
  static Value map(std::map<std::string, Value, std::less<>> items = {});
  static Value map(Ref<Map> m);
  static Value record(Ref<Record> r);
  static Value closure(Ref<Closure> c);
  static Value range(int64_t start, int64_t end, bool inclusive);
  // A status; the reason is kept as a shared text (none when empty).
  static Value status(bool ok, std::string_view reason = {});
  static Value series(Ref<Series> s);

  // --- inspection ---
  Tag tag() const { return static_cast<Tag>(static_cast<uint8_t>(meta_)); }
  bool is(Tag t) const { return tag() == t; }
  bool is_nothing() const { return tag() == Tag::Nothing; }

  // Payload readers; each assumes the matching tag.
  bool bool_value() const { return aux() != 0; }     // Bool
  int64_t int_value() const { return u_.i; }         // Int, Time
  double num_value() const { return u_.n; }          // Num, Duration
  uint32_t color_value() const { return u_.color; }  // Color
  uint16_t host_id() const { return u_.host; }       // HostFunction
  bool status_ok() const { return aux() != 0; }      // Status
  std::string_view status_reason() const;            // Status
  Text& text_obj() const;                            // Text
  std::string_view str() const;                      // Text
  Array& array_obj() const;                          // Array
  Map& map_obj() const;                              // Map
  Record& record_obj() const;                        // Record
  Closure& closure_obj() const;                      // Closure
  Series& series_obj() const;                        // Series
  Ref<Series> series_ref() const;                    // Series (shared)
  const RangeBox& range_obj() const;                 // Range
  int64_t range_start() const;
  int64_t range_end() const;
  bool range_inclusive() const;

  // Whether the payload is a counted object (which this value holds a count of).
  KELO_HOT bool holds_object() const {
    return ((kObjectTags >> static_cast<unsigned>(tag())) & 1u) && u_.obj != nullptr;
  }
  // The object pointer of a shared variant (null otherwise).
  Object* object() const { return holds_object() ? u_.obj : nullptr; }

 private:
  friend class Vm;  // overwrites numbers in place on its hot paths
  explicit Value(Tag t) : meta_(static_cast<uint8_t>(t)) { u_.i = 0; }
  uint8_t aux() const { return static_cast<uint8_t>(meta_ >> 8); }
  void set_aux(uint8_t a) { meta_ = (meta_ & 0xFF) | (uint64_t{a} << 8); }
  // For a value known to hold no object: nothing to release.
  void set_int(int64_t i) {
    u_.i = i;
    meta_ = static_cast<uint8_t>(Tag::Int);
  }
  void set_num(double n) {
    u_.n = n;
    meta_ = static_cast<uint8_t>(Tag::Num);
  }
  void set_bool(bool b) {
    u_.i = 0;
    meta_ = static_cast<uint8_t>(Tag::Bool) | (b ? 0x100u : 0u);
  }
  static constexpr unsigned kObjectTags =
      (1u << unsigned(Tag::Text)) | (1u << unsigned(Tag::Series)) | (1u << unsigned(Tag::Array)) |
      (1u << unsigned(Tag::Map)) | (1u << unsigned(Tag::Record)) | (1u << unsigned(Tag::Closure)) |
      (1u << unsigned(Tag::Range)) | (1u << unsigned(Tag::Status));

  union Payload {
    int64_t i;
    double n;
    uint32_t color;
    uint16_t host;
    Object* obj;
  } u_;
  // The tag in the low byte, the Bool value or Status ok flag in the next; the rest 0.
  // One word, always written and read whole: a narrower store followed by a wider
  // load of the same bytes would stall the processor's store forwarding.
  uint64_t meta_ = 0;
};
static_assert(sizeof(Value) == 16);

using MapItems = std::map<std::string, Value, std::less<>>;

// ---------------------------------------------------------------------------------------
// Payloads

struct Text final : Object {
  explicit Text(std::string s);
  const std::string str;
  const size_t chars;  // Unicode scalar values
  const bool ascii;    // every byte below 0x80: character i is byte i

  // The character at a character position as its UTF-8 bytes; empty past the end.
  std::string_view char_at(size_t index) const;
  // The hash maps use for this text; computed on first use.
  uint64_t hash() const {
    if (hash_ == 0) hash_ = hash_of(str);
    return hash_;
  }
  // Never 0, so that 0 can mean "not computed yet".
  static uint64_t hash_of(std::string_view s);

  // The map and entry where this text was last found as a key: a lookup with the same
  // text checks that entry first (it still matches only if it holds this very text).
  mutable const void* last_map = nullptr;
  mutable uint32_t last_entry = 0;

 private:
  mutable uint64_t hash_ = 0;
  struct Shape {
    size_t chars;
    bool ascii;
  };
  static Shape shape_of(std::string_view s);
  Text(std::string&& s, Shape shape) : str(std::move(s)), chars(shape.chars), ascii(shape.ascii) {}
};

struct Array final : Container {
  Array() = default;
  explicit Array(std::vector<Value> v) : items(std::move(v)) {}
  std::vector<Value> items;
  void trace(void (*f)(const Value&, void*), void* ctx) const override;
  void drain(std::vector<Value>& out) override;
};

struct MapEntry {
  Ref<Text> key;
  Value value;
  std::string_view key_str() const { return key->str; }
};

// A hash table of entries keyed by shared texts. Lookups with a Text use its cached
// hash; inserting a Text key shares it instead of copying. Every reader that walks the
// entries sees them in ascending byte order of their keys (`ordered`), however they were
// inserted.
struct Map final : Container {
  Map() = default;
  explicit Map(const MapItems& m);
  ~Map() override;

  size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  // The value under key, or null; valid until the map changes.
  Value* find(std::string_view key);
  Value* find(const Text& key) {
    if (key.last_map == this) {
      const uint32_t e = key.last_entry;
      if (e < entries_.size() && entries_[e].key.get() == &key) return &entries_[e].value;
    }
    return find_located(key);
  }
  const Value* find(std::string_view key) const { return const_cast<Map*>(this)->find(key); }
  const Value* find(const Text& key) const { return const_cast<Map*>(this)->find(key); }
  // The value under key, or Nothing.
  Value get(std::string_view key) const;
  Value get(const Text& key) const;
  void set(std::string_view key, Value v);
  void set(Text& key, Value v);  // holds a count of `key` when it inserts
  // Whether the key was there. Its value is released after the map no longer holds it.
  bool erase(std::string_view key);
  void clear();

  // The entries in ascending byte order of keys; valid until the map changes.
  class Ordered {
   public:
    class iterator {
     public:
      iterator(const Map* m, const uint32_t* at) : m_(m), at_(at) {}
      const MapEntry& operator*() const { return m_->entries_[*at_]; }
      const MapEntry* operator->() const { return &m_->entries_[*at_]; }
      iterator& operator++() {
        ++at_;
        return *this;
      }
      bool operator!=(const iterator& o) const { return at_ != o.at_; }
      bool operator==(const iterator& o) const { return at_ == o.at_; }

     private:
      const Map* m_;
      const uint32_t* at_;
    };
    iterator begin() const { return {m_, m_->order_.data()}; }
    iterator end() const { return {m_, m_->order_.data() + m_->order_.size()}; }
    size_t size() const { return m_->order_.size(); }

   private:
    friend struct Map;
    explicit Ordered(const Map* m) : m_(m) {}
    const Map* m_;
  };
  Ordered ordered() const;
  // A sorted copy of the entries.
  MapItems to_items() const;
  // The bytes the map's tables hold, and the most one more key may allocate.
  std::size_t footprint() const;
  std::size_t insert_bytes() const;
  // Whether one more key would allocate (a full entry list or a table to enlarge).
  bool may_grow() const {
    return entries_.size() == entries_.capacity() || (entries_.size() + 1) * 4 > slots_.size() * 3;
  }

  void trace(void (*f)(const Value&, void*), void* ctx) const override;
  void drain(std::vector<Value>& out) override;

 private:
  Value* find_located(const Text& key);
  // Index of the entry holding key (hash h), or -1.
  // `same` is the key's own Text when there is one: an entry sharing it matches at once.
  int64_t locate(std::string_view key, uint64_t h, const Text* same = nullptr) const;
  void insert_new(Ref<Text> key, uint64_t h, Value v);
  void grow();
  void place(uint32_t entry, uint64_t h);

  std::vector<MapEntry> entries_;  // dense; erase moves the last entry into the hole
  std::vector<uint64_t> hashes_;   // per entry
  // Open addressing, linear probing: 0 = empty, else (hash high half << 32) | entry + 1.
  std::vector<uint64_t> slots_;
  mutable std::vector<uint32_t> order_;  // entries sorted by key when order_valid_
  mutable bool order_valid_ = true;
};

struct Record final : Container {
  Record() = default;
  explicit Record(std::string type) : type_name(std::move(type)) {}
  static Ref<Record> make(std::string type_name) { return make_ref<Record>(std::move(type_name)); }

  std::string type_name;  // empty for none
  MapItems fields;        // sorted by name

  // A copy of the field, or Nothing.
  Value get(std::string_view name) const;
  // Inserts or replaces a field; returns *this so that host code can chain.
  Record& with(std::string_view name, Value v);
  void trace(void (*f)(const Value&, void*), void* ctx) const override;
  void drain(std::vector<Value>& out) override;
};

struct Closure final : Container {
  Closure(uint16_t fn, std::vector<Value> cap) : function(fn), captured(std::move(cap)) {}
  uint16_t function;            // index into the image's functions
  std::vector<Value> captured;  // copied when the closure was made
  void trace(void (*f)(const Value&, void*), void* ctx) const override;
  void drain(std::vector<Value>& out) override;
};

struct RangeBox final : Object {
  RangeBox(int64_t s, int64_t e, bool inc) : start(s), end(e), inclusive(inc) {}
  const int64_t start;
  const int64_t end;
  const bool inclusive;
};

// The bar source of a series: "open" 0 ... "ohlc4" 9; 255 for any other name.
enum class SeriesKind : uint8_t {
  Open = 0,
  High = 1,
  Low = 2,
  Close = 3,
  Volume = 4,
  Spread = 5,
  Time = 6,
  Hl2 = 7,
  Hlc3 = 8,
  Ohlc4 = 9,
  None = 255,
};
// The bar-source names, by SeriesKind.
inline constexpr std::string_view kSeriesKindNames[] = {
    "open", "high", "low", "close", "volume", "spread", "time", "hl2", "hlc3", "ohlc4"};
SeriesKind series_kind(std::string_view name);

// Operator codes of one- and two-operand series nodes.
enum class SeriesOp : uint8_t {
  Add = 0,
  Sub = 1,
  Mul = 2,
  Div = 3,
  Rem = 4,
  Pow = 5,
  Equal = 6,
  NotEqual = 7,
  Less = 8,
  LessEqual = 9,
  Greater = 10,
  GreaterEqual = 11,
  And = 12,
  Or = 13,
  Negate = 14,
  Not = 15,
  Where = 16,  // the right value where the left is true (non-zero, not NaN), else NaN
  Fill = 17,   // the left value, or the right where the left is NaN
};

enum class SeriesForm : uint8_t { Source, Constant, Unary, Binary, Indicator, Buffer };

// One evaluated column, shared so that reads never copy it.
using SeriesColumn = std::shared_ptr<const std::vector<double>>;

// The description of a series value; immutable once built except for its cache. Only
// the fields of its form are meaningful. Evaluation lives with the indicator code.
struct Series final : Object {
  SeriesForm form = SeriesForm::Constant;

  // Source
  std::optional<std::string> symbol;
  std::optional<std::string> timeframe;
  SeriesKind kind = SeriesKind::None;
  // Constant
  double constant = 0.0;
  // Unary (operand in `left`) and Binary
  SeriesOp op = SeriesOp::Add;
  Ref<Series> left;
  Ref<Series> right;
  // Indicator
  std::string name;
  std::vector<Ref<Series>> inputs;
  std::vector<double> numbers;
  uint8_t selector = 0;
  // Buffer: filled by its owner, shared by every holder
  std::shared_ptr<std::vector<double>> buffer;
  // A buffer, or a node with one among its operands (however deep).
  bool reads_buffer = false;

  // Evaluation cache: valid for `cache_bars` bars while `cache_valid`; a node that reads a
  // buffer only while no buffer was written since (`cache_writes`, see buffer_writes).
  mutable bool cache_valid = false;
  mutable size_t cache_bars = 0;
  mutable uint64_t cache_writes = 0;
  mutable SeriesColumn cache;

  static Ref<Series> source(SeriesKind k, std::optional<std::string> symbol = std::nullopt,
                            std::optional<std::string> timeframe = std::nullopt);
  static Ref<Series> constant_of(double v);
  static Ref<Series> unary(SeriesOp op, Ref<Series> operand);
  static Ref<Series> binary(SeriesOp op, Ref<Series> l, Ref<Series> r);
  static Ref<Series> indicator(std::string name, std::vector<Ref<Series>> inputs,
                               std::vector<double> numbers, uint8_t selector);
  static Ref<Series> buffer_of(std::shared_ptr<std::vector<double>> data);
};

// The writes into buffer series on this thread so far. A column computed over a buffer
// before the latest write is stale: the buffer has changed under it.
uint64_t buffer_writes();
void count_buffer_write();

// ---------------------------------------------------------------------------------------
// What each payload holds (see make_ref and settle)

// A buffer of n bytes, none when empty.
inline std::size_t buffer_bytes(std::size_t n) {
  return n == 0 ? 0 : heap::block(n);
}
inline std::size_t heap_bytes(const Text& t) {
  return heap::block(sizeof(Text)) + heap::string_bytes(t.str.capacity());
}
inline std::size_t heap_bytes(const Array& a) {
  return heap::block(sizeof(Array)) + buffer_bytes(a.items.capacity() * sizeof(Value));
}
inline std::size_t heap_bytes(const Map& m) {
  return m.footprint();
}
// A field is one tree node: links, name and value.
inline constexpr std::size_t kFieldBytes = 96;
inline std::size_t heap_bytes(const Record& r) {
  return heap::block(sizeof(Record)) + r.fields.size() * kFieldBytes;
}
inline std::size_t heap_bytes(const Closure& c) {
  return heap::block(sizeof(Closure)) + buffer_bytes(c.captured.capacity() * sizeof(Value));
}
inline std::size_t heap_bytes(const Series& s) {
  return heap::block(sizeof(Series)) + buffer_bytes(s.inputs.capacity() * sizeof(Ref<Series>)) +
         buffer_bytes(s.numbers.capacity() * sizeof(double)) +
         heap::string_bytes(s.name.capacity());
}

// Whether storing under `key` fits the meter: a key already there allocates nothing, a
// new one the map's growth (and, given as bytes, a text of its own).
inline bool room_for_key(Map& m, const Text& key) {
  return !m.may_grow() || heap::fits(m.insert_bytes()) || m.find(key) != nullptr;
}
inline bool room_for_key(Map& m, std::string_view key) {
  return heap::fits(m.insert_bytes() + heap::block(sizeof(Text)) + heap::block(key.size())) ||
         m.find(key) != nullptr;
}

// Whether a new array of n items fits the meter.
inline bool room_for_array(std::size_t n) {
  return heap::fits(sizeof(Array) + n * sizeof(Value));
}

// ---------------------------------------------------------------------------------------
// Inline readers

inline Text& Value::text_obj() const {
  return *static_cast<Text*>(u_.obj);
}
inline std::string_view Value::str() const {
  return static_cast<Text*>(u_.obj)->str;
}
inline Array& Value::array_obj() const {
  return *static_cast<Array*>(u_.obj);
}
inline Map& Value::map_obj() const {
  return *static_cast<Map*>(u_.obj);
}
inline Record& Value::record_obj() const {
  return *static_cast<Record*>(u_.obj);
}
inline Closure& Value::closure_obj() const {
  return *static_cast<Closure*>(u_.obj);
}
inline Series& Value::series_obj() const {
  return *static_cast<Series*>(u_.obj);
}
inline Ref<Series> Value::series_ref() const {
  return Ref<Series>::share(static_cast<Series*>(u_.obj));
}
inline Value Value::series(Ref<Series> s) {
  Value v(Tag::Series);
  v.u_.obj = s.release();
  return v;
}
inline const RangeBox& Value::range_obj() const {
  return *static_cast<RangeBox*>(u_.obj);
}
inline int64_t Value::range_start() const {
  return range_obj().start;
}
inline int64_t Value::range_end() const {
  return range_obj().end;
}
inline bool Value::range_inclusive() const {
  return range_obj().inclusive;
}
inline std::string_view Value::status_reason() const {
  return u_.obj ? std::string_view(static_cast<Text*>(u_.obj)->str) : std::string_view();
}

// ---------------------------------------------------------------------------------------
// The rules every other part relies on

// "none", "bool", "int", "num", "text", "time", "duration", "color", "series", "array",
// "map", "record", "function", "range", "status".
std::string_view type_name(Tag tag);
inline std::string_view type_name(const Value& v) {
  return type_name(v.tag());
}

// Bool 0/1; Int and Time; Num and Duration truncated (saturating, NaN 0); else none.
std::optional<int64_t> as_int(const Value& v);
// The numeric view: Bool 1/0, Int and Time converted, Num and Duration; else none.
std::optional<double> numeric_view(const Value& v);
// A Text's string, or the value's display text.
std::string as_text(const Value& v);
bool truthy(const Value& v);
bool equals(const Value& a, const Value& b);

// The one text form of a value. Self-containing or very deep arrays, maps and records
// print "[...]" (or "Name(...)") where the nesting repeats or passes a fixed depth.
// A form longer than kMaxDisplayBytes (a structure sharing its parts over and over)
// is cut short there; display_to then answers false.
inline constexpr std::size_t kMaxDisplayBytes = std::size_t{1} << 28;
std::string display(const Value& v);
bool display_to(std::string& out, const Value& v);
std::string format_number(double x);
void format_number_to(std::string& out, double x);

}  // namespace kelo_vm

#undef KELO_HOT
