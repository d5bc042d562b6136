// The program's identity, metadata, handlers, permissions and fixed limits.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/ast.h"
#include "json/json.h"
#include "vm/bytecode.h"

namespace kelo_compile::manifest {

struct Manifest {
  std::string kind = "bot";
  std::string id;
  std::string name;
  std::string version = "1.0.0";
  std::string author;
  std::string description;
  std::string icon;
  std::string website;
  std::string built_at;
  std::vector<std::string> timeframes;
  std::vector<std::string> symbols{"*"};
  std::int64_t min_bars = 0;
  std::vector<std::string> tags;
  std::vector<std::string> events;
  std::vector<std::string> network;
  std::int64_t max_orders_per_minute = 0;
  bool ai = false;
  bool notify = false;
  bool email = false;
  bool reads_other_symbols = false;
  std::int64_t steps = 2000000;
  std::int64_t heap_mb = 32;
  std::int64_t wall_ms = 5000;

  kelo_json::Json to_json() const;
};

// Reads the program's settings and permissions; `now_seconds` is the build time.
Manifest build(const kelo_core::ast::Program& program, const kelo_vm::bytecode::Image& image,
               std::int64_t now_seconds);

// Lower-cased letters and digits joined by "-"; may be empty.
std::string slug(std::string_view text);
std::optional<std::string> text_of(const kelo_core::ast::Expr& expr);
std::vector<std::string> texts_of(const std::vector<kelo_core::ast::Expr>& values);
// "YYYY-MM-DDTHH:MM:SSZ" of seconds since 1970 (negative clamps to 1970).
std::string utc_timestamp(std::int64_t seconds);

}  // namespace kelo_compile::manifest
