#include "builtins/methods.h"

#include "vm/interpreter.h"

namespace kelo_vm::builtins {
namespace {

struct Split {
  std::string_view type;
  std::string_view method;
};

std::optional<Split> split_name(std::string_view name) {
  const std::size_t hash = name.find('#');
  if (hash == std::string_view::npos) return std::nullopt;
  return Split{name.substr(0, hash), name.substr(hash + 1)};
}

}  // namespace

std::vector<std::string> method_names() {
  const std::pair<std::string_view, std::span<const methods::Entry>> tables[] = {
      {"text", methods::text_table()},     {"time", methods::time_table()},
      {"series", methods::series_table()}, {"array", methods::array_table()},
      {"map", methods::map_table()}};
  std::vector<std::string> names;
  for (const auto& [type, table] : tables)
    for (const methods::Entry& e : table) names.push_back(std::string(type) + "#" + std::string(e.name));
  return names;
}

BuiltinFn resolve_method(std::string_view name) {
  const auto s = split_name(name);
  if (!s) return nullptr;
  if (s->type == "text") return methods::text_method(s->method);
  if (s->type == "time") return methods::time_method(s->method);
  if (s->type == "series") return methods::series_method(s->method);
  if (s->type == "array") return methods::array_method(s->method);
  if (s->type == "map") return methods::map_method(s->method);
  return nullptr;
}

std::optional<Result<Value>> method_call(std::string_view name, std::span<const Value> args,
                                         host::Host& host, Vm& vm) {
  const BuiltinFn fn = resolve_method(name);
  if (!fn) return std::nullopt;
  // Series and map methods leave other receivers to the host.
  const auto s = split_name(name);
  const Tag receiver = args.empty() ? Tag::Nothing : args[0].tag();
  if (s->type == "series" && receiver != Tag::Series) return std::nullopt;
  if (s->type == "map" && receiver != Tag::Map) return std::nullopt;
  BuiltinCall call{vm, host, name, 0, args};
  return fn(call);
}

}  // namespace kelo_vm::builtins
