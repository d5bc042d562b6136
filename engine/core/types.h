// Static types of Kelo: the vocabulary the standard-library registry describes names with
// and the compiler checks programs against.
//
// A Type is a small immutable value. Every payload other than a primitive lives in a shared,
// reference-counted, immutable box, so copying a Type is cheap and two copies may be read from
// different threads at once (the host-function table shares its Types process-wide).
#pragma once

#include <cstdint>
#include <iosfwd>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelo_core::types {

// One byte; the language spells each by its lower-case name ("void", "bool", ...).
// A class around an unscoped enumeration so that `Primitive::Int` reads as a constant,
// switches work, and `Primitive::from_name` is a static member.
class Primitive {
 public:
  enum Value : std::uint8_t {
    Void = 0,
    Bool,
    Int,
    Num,
    Text,
    Time,
    Duration,
    Price,
    Lots,
    Color,
    Status,
    Any,
    Never,
  };

  constexpr Primitive(Value v) : value_(v) {}
  constexpr operator Value() const { return value_; }

  // The primitive whose name equals the text exactly (case-sensitive), or none.
  static std::optional<Primitive> from_name(std::string_view name);
  std::string_view name() const;

  // Spelled out so that comparisons never go through the conversion to Type.
  friend constexpr bool operator==(Primitive a, Primitive b) { return a.value_ == b.value_; }
  friend constexpr bool operator==(Primitive a, Value b) { return a.value_ == b; }

 private:
  Value value_;
};

// The variant of a Type, one byte, in this order.
enum class Tag : std::uint8_t {
  Primitive = 0,
  Series,
  Array,
  Map,
  Optional,
  Struct,
  Object,
  Enum,
  Function,
};

struct Fields;
struct EnumInfo;
struct Signature;
struct Parameter;

class Type {
 public:
  // The primitive void.
  Type() = default;
  Type(Primitive p) : prim_(p) {}
  Type(Primitive::Value p) : prim_(p) {}

  Tag tag() const { return tag_; }
  bool is_primitive() const { return tag_ == Tag::Primitive; }
  bool is(Primitive p) const { return tag_ == Tag::Primitive && prim_ == p; }
  // The primitive, or none for every other variant.
  std::optional<Primitive> primitive() const;

  // Payload access: each returns null unless the Type has the matching variant.
  const Type* series_element() const;
  const Type* array_element() const;
  const Type* optional_inner() const;
  const Type* map_key() const;
  const Type* map_value() const;
  const Fields* fields() const;  // Struct and Object
  const EnumInfo* enum_info() const;
  const Signature* signature() const;

  // The element type of a Series, otherwise a copy of this type.
  Type unwrap_series() const;
  // The inner type of an Optional, otherwise a copy of this type.
  Type unwrap_optional() const;
  // The element of a Series or an Array, the value type of a Map, otherwise a copy.
  Type element() const;

  // The type as the language spells it: "series<num>?", "fn(num, period: int?) -> bool".
  std::string to_string() const;

  // Structural: same variant and equal payloads (names, fields, cases, parameters with
  // their names and flags, result and rest type).
  friend bool operator==(const Type& a, const Type& b);

 private:
  friend struct TypeFactory;
  Type(Tag tag, std::shared_ptr<const void> box) : tag_(tag), box_(std::move(box)) {}

  Tag tag_ = Tag::Primitive;
  Primitive prim_ = Primitive::Void;
  // Series, Array, Optional: a Type. Map: a key/value pair. Struct, Object: Fields.
  // Enum: EnumInfo. Function: Signature. Never written after construction.
  std::shared_ptr<const void> box_;
};

std::ostream& operator<<(std::ostream& out, const Type& type);

// Payload of Struct and Object. Fields are keyed by name in byte order.
struct Fields {
  std::string name;
  std::map<std::string, Type, std::less<>> fields;

  friend bool operator==(const Fields&, const Fields&) = default;
};

// Payload of Enum: the name and the cases in declaration order.
struct EnumInfo {
  std::string name;
  std::vector<std::string> cases;

  friend bool operator==(const EnumInfo&, const EnumInfo&) = default;
};

// One parameter of a function type (distinct from the syntax tree's parameter).
struct Parameter {
  std::string name;
  Type type;
  bool optional = false;  // the argument may be left out
  bool named = false;     // the argument may be passed by name

  friend bool operator==(const Parameter&, const Parameter&) = default;
};

// Payload of Function. `rest` is the type of each further argument of a variadic function.
struct Signature {
  std::vector<Parameter> params;
  Type result;
  std::optional<Type> rest;

  friend bool operator==(const Signature&, const Signature&) = default;
};

// (field name, type) pairs in the order given; `fields` sorts them.
using FieldPairs = std::vector<std::pair<std::string, Type>>;

// Constructors. Names and pairs are copied.
Type series(Type element);
Type array(Type element);
Type map(Type key, Type value);
// Optionals never nest: the optional of an optional is returned unchanged.
Type optional(Type inner);
// Shared Fields from a name and pairs, sorted by name; a later pair with the same name
// replaces an earlier one.
std::shared_ptr<const Fields> fields(std::string_view name, const FieldPairs& pairs);
Type structure(std::string_view name, const FieldPairs& pairs);
Type structure(std::shared_ptr<const Fields> fields);
Type object(std::string_view name, const FieldPairs& pairs);
Type object(std::shared_ptr<const Fields> fields);
Type enumeration(std::string_view name, std::vector<std::string> cases);
Type function(std::vector<Parameter> params, Type result);
// A variadic function: every argument after `params` has type `rest`.
Type function_rest(std::vector<Parameter> params, Type rest, Type result);

// Parameters: positional and required; positional and optional; by name and required;
// by name and optional.
Parameter p(std::string_view name, Type type);
Parameter opt(std::string_view name, Type type);
Parameter named(std::string_view name, Type type);
Parameter named_opt(std::string_view name, Type type);

// Primitive widening: int to num, duration, price, lots; num to duration, price, lots;
// duration, price and lots to num; and every primitive to itself.
bool widens_to(Primitive from, Primitive to);
// Whether a value of type `source` may be used where `target` is expected.
bool assignable(const Type& source, const Type& target);
// The type that values of both a and b fit into.
Type common(const Type& a, const Type& b);
// The type of an operation on a and b whose scalar result is `result`: a series when
// either operand is one.
Type lift(const Type& a, const Type& b, const Type& result);

}  // namespace kelo_core::types
