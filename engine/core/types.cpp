#include "core/types.h"

#include <algorithm>
#include <array>
#include <ostream>

namespace kelo_core::types {

namespace {

constexpr std::array<std::string_view, 13> kPrimitiveNames = {
    "void",  "bool", "int",   "num",    "text", "time",  "duration",
    "price", "lots", "color", "status", "any",  "never",
};

struct MapPair {
  Type key;
  Type value;
};

bool is_numeric(Primitive p) {
  switch (p) {
    case Primitive::Int:
    case Primitive::Num:
    case Primitive::Duration:
    case Primitive::Price:
    case Primitive::Lots:
      return true;
    default:
      return false;
  }
}

void write(std::string& out, const Type& type);

void write_params(std::string& out, const Signature& sig) {
  bool first = true;
  for (const Parameter& param : sig.params) {
    if (!first) out += ", ";
    first = false;
    if (param.named) {
      out += param.name;
      out += ": ";
    }
    write(out, param.type);
    if (param.optional) out += '?';
  }
}

void write(std::string& out, const Type& type) {
  switch (type.tag()) {
    case Tag::Primitive:
      out += type.primitive()->name();
      return;
    case Tag::Series:
      out += "series<";
      write(out, *type.series_element());
      out += '>';
      return;
    case Tag::Array:
      out += "array<";
      write(out, *type.array_element());
      out += '>';
      return;
    case Tag::Map:
      out += "map<";
      write(out, *type.map_key());
      out += ", ";
      write(out, *type.map_value());
      out += '>';
      return;
    case Tag::Optional:
      write(out, *type.optional_inner());
      out += '?';
      return;
    case Tag::Struct:
    case Tag::Object:
      out += type.fields()->name;
      return;
    case Tag::Enum:
      out += type.enum_info()->name;
      return;
    case Tag::Function: {
      const Signature& sig = *type.signature();
      out += "fn(";
      write_params(out, sig);  // the rest type is never shown
      out += ") -> ";
      write(out, sig.result);
      return;
    }
  }
}

}  // namespace

struct TypeFactory {
  static Type make(Tag tag, std::shared_ptr<const void> box) { return Type(tag, std::move(box)); }
};

std::optional<Primitive> Primitive::from_name(std::string_view name) {
  for (std::size_t i = 0; i < kPrimitiveNames.size(); ++i) {
    if (kPrimitiveNames[i] == name) return Primitive(static_cast<Value>(i));
  }
  return std::nullopt;
}

std::string_view Primitive::name() const {
  std::size_t i = static_cast<std::size_t>(value_);
  return i < kPrimitiveNames.size() ? kPrimitiveNames[i] : std::string_view("?");
}

std::optional<Primitive> Type::primitive() const {
  if (tag_ != Tag::Primitive) return std::nullopt;
  return prim_;
}

const Type* Type::series_element() const {
  return tag_ == Tag::Series ? static_cast<const Type*>(box_.get()) : nullptr;
}
const Type* Type::array_element() const {
  return tag_ == Tag::Array ? static_cast<const Type*>(box_.get()) : nullptr;
}
const Type* Type::optional_inner() const {
  return tag_ == Tag::Optional ? static_cast<const Type*>(box_.get()) : nullptr;
}
const Type* Type::map_key() const {
  return tag_ == Tag::Map ? &static_cast<const MapPair*>(box_.get())->key : nullptr;
}
const Type* Type::map_value() const {
  return tag_ == Tag::Map ? &static_cast<const MapPair*>(box_.get())->value : nullptr;
}
const Fields* Type::fields() const {
  return tag_ == Tag::Struct || tag_ == Tag::Object ? static_cast<const Fields*>(box_.get())
                                                    : nullptr;
}
const EnumInfo* Type::enum_info() const {
  return tag_ == Tag::Enum ? static_cast<const EnumInfo*>(box_.get()) : nullptr;
}
const Signature* Type::signature() const {
  return tag_ == Tag::Function ? static_cast<const Signature*>(box_.get()) : nullptr;
}

Type Type::unwrap_series() const {
  const Type* inner = series_element();
  return inner ? *inner : *this;
}

Type Type::unwrap_optional() const {
  const Type* inner = optional_inner();
  return inner ? *inner : *this;
}

Type Type::element() const {
  if (const Type* t = series_element()) return *t;
  if (const Type* t = array_element()) return *t;
  if (const Type* t = map_value()) return *t;
  return *this;
}

std::string Type::to_string() const {
  std::string out;
  write(out, *this);
  return out;
}

bool operator==(const Type& a, const Type& b) {
  if (a.tag_ != b.tag_) return false;
  if (a.tag_ == Tag::Primitive) return a.prim_ == b.prim_;
  if (a.box_ == b.box_) return true;
  switch (a.tag_) {
    case Tag::Series:
    case Tag::Array:
    case Tag::Optional:
      return *static_cast<const Type*>(a.box_.get()) == *static_cast<const Type*>(b.box_.get());
    case Tag::Map:
      return *a.map_key() == *b.map_key() && *a.map_value() == *b.map_value();
    case Tag::Struct:
    case Tag::Object:
      return *a.fields() == *b.fields();
    case Tag::Enum:
      return *a.enum_info() == *b.enum_info();
    case Tag::Function:
      return *a.signature() == *b.signature();
    case Tag::Primitive:
      break;
  }
  return false;
}

std::ostream& operator<<(std::ostream& out, const Type& type) {
  return out << type.to_string();
}

Type series(Type element) {
  return TypeFactory::make(Tag::Series, std::make_shared<const Type>(std::move(element)));
}

Type array(Type element) {
  return TypeFactory::make(Tag::Array, std::make_shared<const Type>(std::move(element)));
}

Type map(Type key, Type value) {
  return TypeFactory::make(
      Tag::Map, std::make_shared<const MapPair>(MapPair{std::move(key), std::move(value)}));
}

Type optional(Type inner) {
  if (inner.tag() == Tag::Optional) return inner;
  return TypeFactory::make(Tag::Optional, std::make_shared<const Type>(std::move(inner)));
}

std::shared_ptr<const Fields> fields(std::string_view name, const FieldPairs& pairs) {
  auto out = std::make_shared<Fields>();
  out->name = std::string(name);
  // Inserting in the given order lets a later pair of the same name replace an earlier one.
  for (const auto& [field, type] : pairs) out->fields.insert_or_assign(field, type);
  return out;
}

Type structure(std::string_view name, const FieldPairs& pairs) {
  return structure(fields(name, pairs));
}

Type structure(std::shared_ptr<const Fields> fields) {
  if (!fields) fields = std::make_shared<const Fields>();
  return TypeFactory::make(Tag::Struct, std::move(fields));
}

Type object(std::string_view name, const FieldPairs& pairs) {
  return object(fields(name, pairs));
}

Type object(std::shared_ptr<const Fields> fields) {
  if (!fields) fields = std::make_shared<const Fields>();
  return TypeFactory::make(Tag::Object, std::move(fields));
}

Type enumeration(std::string_view name, std::vector<std::string> cases) {
  return TypeFactory::make(
      Tag::Enum, std::make_shared<const EnumInfo>(EnumInfo{std::string(name), std::move(cases)}));
}

Type function(std::vector<Parameter> params, Type result) {
  return TypeFactory::make(Tag::Function, std::make_shared<const Signature>(
                                              Signature{std::move(params), std::move(result), {}}));
}

Type function_rest(std::vector<Parameter> params, Type rest, Type result) {
  return TypeFactory::make(Tag::Function,
                           std::make_shared<const Signature>(
                               Signature{std::move(params), std::move(result), std::move(rest)}));
}

Parameter p(std::string_view name, Type type) {
  return Parameter{std::string(name), std::move(type), false, false};
}
Parameter opt(std::string_view name, Type type) {
  return Parameter{std::string(name), std::move(type), true, false};
}
Parameter named(std::string_view name, Type type) {
  return Parameter{std::string(name), std::move(type), false, true};
}
Parameter named_opt(std::string_view name, Type type) {
  return Parameter{std::string(name), std::move(type), true, true};
}

bool widens_to(Primitive from, Primitive to) {
  if (from == to) return true;
  switch (from) {
    case Primitive::Int:
      return to == Primitive::Num || to == Primitive::Duration || to == Primitive::Price ||
             to == Primitive::Lots;
    case Primitive::Num:
      return to == Primitive::Duration || to == Primitive::Price || to == Primitive::Lots;
    case Primitive::Duration:
    case Primitive::Price:
    case Primitive::Lots:
      return to == Primitive::Num;
    default:
      return false;
  }
}

bool assignable(const Type& source_in, const Type& target_in) {
  // Steps that continue with a new pair loop here instead of recursing; only maps and
  // functions recurse for their side conditions.
  const Type* source = &source_in;
  const Type* target = &target_in;
  for (;;) {
    if (*source == *target) return true;
    if (target->is(Primitive::Any)) return true;
    if (source->is(Primitive::Any) || source->is(Primitive::Never)) return true;
    if (const Type* t = target->optional_inner()) {
      if (const Type* s = source->optional_inner()) source = s;
      target = t;
      continue;
    }
    if (source->tag() == Tag::Optional) return false;
    if (const Type* t = target->series_element()) {
      if (const Type* s = source->series_element()) source = s;
      target = t;
      continue;
    }
    switch (source->tag()) {
      case Tag::Primitive:
        return target->is_primitive() && widens_to(*source->primitive(), *target->primitive());
      case Tag::Series:
        return false;
      case Tag::Array:
        if (target->tag() != Tag::Array) return false;
        source = source->array_element();
        target = target->array_element();
        continue;
      case Tag::Map:
        if (target->tag() != Tag::Map) return false;
        if (!assignable(*source->map_key(), *target->map_key())) return false;
        source = source->map_value();
        target = target->map_value();
        continue;
      case Tag::Struct:
      case Tag::Object:
        return target->tag() == source->tag() && target->fields()->name == source->fields()->name;
      case Tag::Enum:
        return target->tag() == Tag::Enum && target->enum_info()->name == source->enum_info()->name;
      case Tag::Function: {
        const Signature* t = target->signature();
        if (!t) return false;
        const Signature* s = source->signature();
        if (s->params.size() > t->params.size()) return false;
        if (!assignable(s->result, t->result)) return false;
        for (std::size_t i = 0; i < s->params.size(); ++i) {
          if (!assignable(t->params[i].type, s->params[i].type)) return false;
        }
        return true;
      }
      case Tag::Optional:
        return false;  // handled above
    }
    return false;
  }
}

Type common(const Type& a, const Type& b) {
  if (assignable(a, b)) return b;
  if (assignable(b, a)) return a;
  if (a.is_primitive() && b.is_primitive() && is_numeric(*a.primitive()) &&
      is_numeric(*b.primitive())) {
    return Primitive::Num;
  }
  return Primitive::Any;
}

Type lift(const Type& a, const Type& b, const Type& result) {
  if (a.tag() == Tag::Series || b.tag() == Tag::Series) return series(result);
  return result;
}

}  // namespace kelo_core::types
