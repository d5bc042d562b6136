// The manifest: read from the settings and permissions of the tree and the image's events.
#include "compile/manifest.h"

#include <algorithm>
#include <cstdio>

#include "compile/slug.h"
#include "core/numeric.h"

namespace kelo_compile::manifest {

namespace ast = kelo_core::ast;
using kelo_json::Json;

namespace {

// Int or Num literal, a leading minus included; truncated toward zero, saturating.
std::int64_t whole_number(const std::vector<ast::Expr>& values) {
  if (values.empty()) return 0;
  const ast::Expr* e = &values.front();
  bool negative = false;
  if (const auto* u = e->kind.as<ast::ExprKind::Unary>(); u && u->op == ast::UnaryOp::Neg) {
    negative = true;
    e = u->operand.get();
  }
  double value = 0;
  if (const auto* i = e->kind.as<ast::ExprKind::Int>()) {
    return negative ? kelo_core::numeric::wrapping_negate(i->value) : i->value;
  } else if (const auto* n = e->kind.as<ast::ExprKind::Num>()) {
    value = n->value;
  } else {
    return 0;
  }
  return kelo_core::numeric::saturating_i64(negative ? -value : value);
}

bool flag(const std::vector<ast::Expr>& values) {
  if (values.empty()) return true;
  const ast::Expr& e = values.front();
  if (const auto* id = e.kind.as<ast::ExprKind::Identifier>()) return id->name != "no";
  if (const auto* b = e.kind.as<ast::ExprKind::Bool>()) return b->value;
  return true;
}

std::string joined(const std::vector<ast::Expr>& values) {
  std::string out;
  for (const auto& t : texts_of(values)) out += t;
  return out;
}

}  // namespace

std::string slug(std::string_view text) { return kelo_compile::slug(text); }

std::optional<std::string> text_of(const ast::Expr& expr) {
  using E = ast::ExprKind;
  if (const auto* v = expr.kind.as<E::Int>()) return std::to_string(v->value);
  if (const auto* v = expr.kind.as<E::Num>()) return kelo_json::format_number(v->value);
  if (const auto* v = expr.kind.as<E::Text>()) return v->value;
  if (const auto* v = expr.kind.as<E::Bool>()) return std::string(v->value ? "true" : "false");
  if (const auto* v = expr.kind.as<E::Identifier>()) return v->name;
  return std::nullopt;
}

std::vector<std::string> texts_of(const std::vector<ast::Expr>& values) {
  std::vector<std::string> out;
  for (const auto& value : values) {
    if (const auto* arr = value.kind.as<ast::ExprKind::Array>()) {
      for (const auto& item : arr->items) {
        if (auto t = text_of(item)) out.push_back(std::move(*t));
      }
    } else if (auto t = text_of(value)) {
      out.push_back(std::move(*t));
    }
  }
  return out;
}

std::string utc_timestamp(std::int64_t seconds) {
  if (seconds < 0) seconds = 0;
  const std::int64_t days = seconds / 86400;
  const std::int64_t rem = seconds % 86400;
  // Days to a proleptic Gregorian civil date.
  const std::int64_t z = days + 719468;
  const std::int64_t era = z / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
  const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lldZ",
                static_cast<long long>(year), static_cast<long long>(month),
                static_cast<long long>(day), static_cast<long long>(rem / 3600),
                static_cast<long long>(rem % 3600 / 60), static_cast<long long>(rem % 60));
  return buf;
}

Manifest build(const ast::Program& program, const kelo_vm::bytecode::Image& image,
               std::int64_t now_seconds) {
  Manifest m;
  std::string id_setting;
  if (program.header) {
    switch (program.header->kind) {
      case ast::ProgramKind::Bot: m.kind = "bot"; break;
      case ast::ProgramKind::Indicator: m.kind = "indicator"; break;
      case ast::ProgramKind::Library: m.kind = "library"; break;
      case ast::ProgramKind::Script: m.kind = "script"; break;
    }
    m.name = program.header->name;
    for (const auto& entry : program.header->meta) {
      const std::string& n = entry.name;
      if (n == "id") id_setting = joined(entry.values);
      else if (n == "version") m.version = joined(entry.values);
      else if (n == "author") m.author = joined(entry.values);
      else if (n == "description") m.description = joined(entry.values);
      else if (n == "icon") m.icon = joined(entry.values);
      else if (n == "website") m.website = joined(entry.values);
      else if (n == "timeframes") m.timeframes = texts_of(entry.values);
      else if (n == "symbols") m.symbols = texts_of(entry.values);
      else if (n == "tags") m.tags = texts_of(entry.values);
      else if (n == "minBars") m.min_bars = whole_number(entry.values);
    }
  }
  if (program.permissions) {
    for (const auto& entry : *program.permissions) {
      const std::string& n = entry.name;
      if (n == "ai") m.ai = flag(entry.values);
      else if (n == "notify") m.notify = flag(entry.values);
      else if (n == "email") m.email = flag(entry.values);
      else if (n == "readsOtherSymbols") m.reads_other_symbols = flag(entry.values);
      else if (n == "network") m.network = texts_of(entry.values);
      else if (n == "maxOrdersPerMinute") {
        m.max_orders_per_minute = std::clamp<std::int64_t>(whole_number(entry.values), 0, 60);
      }
    }
  }
  if (!id_setting.empty()) {
    m.id = id_setting;
  } else {
    const std::string a = slug(m.author);
    m.id = (a.empty() ? std::string("kelo") : a) + "." + slug(m.name);
  }
  m.built_at = utc_timestamp(now_seconds);
  for (const auto& e : image.events) {
    m.events.emplace_back(kelo_vm::bytecode::event_handler_name(e.kind));
  }
  std::sort(m.events.begin(), m.events.end());
  return m;
}

Json Manifest::to_json() const {
  Json out = Json::object();
  out.set("kind", kind);
  out.set("id", id);
  out.set("name", name);
  out.set("version", version);
  out.set("author", author);
  out.set("description", description);
  out.set("icon", icon);
  out.set("website", website);
  out.set("keloVersion", "1.0.0");
  out.set("compiler", "keloc 1.0.0");
  out.set("builtAt", built_at);
  out.set("timeframes", Json::texts(timeframes));
  out.set("symbols", Json::texts(symbols));
  out.set("minBars", min_bars);
  out.set("tags", Json::texts(tags));
  out.set("events", Json::texts(events));
  Json permissions = Json::object();
  permissions.set("network", Json::texts(network));
  permissions.set("ai", ai);
  permissions.set("notify", notify);
  permissions.set("email", email);
  permissions.set("maxOrdersPerMinute", max_orders_per_minute);
  permissions.set("readsOtherSymbols", reads_other_symbols);
  out.set("permissions", std::move(permissions));
  Json limits = Json::object();
  limits.set("steps", steps);
  limits.set("heapMb", heap_mb);
  limits.set("wallMs", wall_ms);
  out.set("limits", std::move(limits));
  return out;
}

}  // namespace kelo_compile::manifest
