// Event handlers against the program kind; plots and panels.
#include "compile/compiler.h"
#include "compile/inputs.h"

namespace kelo_compile::compiler {

using bc::Op;
using bc::Opcode;
using P = ty::Primitive;

namespace {

std::string_view kind_name(ast::ProgramKind kind) {
  switch (kind) {
    case ast::ProgramKind::Bot: return "bot";
    case ast::ProgramKind::Indicator: return "indicator";
    case ast::ProgramKind::Library: return "library";
    case ast::ProgramKind::Script: return "script";
  }
  return "script";
}

std::vector<std::string_view> events_of(ast::ProgramKind kind) {
  switch (kind) {
    case ast::ProgramKind::Bot:
      return {"onInit",  "onDeinit", "onTick",   "onBar",    "onTimer",
              "onTrade", "onFilled", "onClosed", "onWebhook"};
    case ast::ProgramKind::Indicator: return {"onInit", "onDeinit", "onCalculate", "onChartEvent"};
    case ast::ProgramKind::Library: return {};
    case ast::ProgramKind::Script: return {"onStart", "onInit", "onDeinit"};
  }
  return {};
}

// Text of a plot property given as a text literal or a bare name.
std::optional<std::string> word_of(const ast::Expr& e) {
  if (const auto* t = e.kind.as<ast::ExprKind::Text>()) return t->value;
  if (const auto* id = e.kind.as<ast::ExprKind::Identifier>()) return id->name;
  return std::nullopt;
}

}  // namespace

void Compiler::check_handlers(const ast::Program& program) {
  const auto received = events_of(kind_);
  for (const auto& decl : program.declarations) {
    const auto* f = decl.as<ast::FnDecl>();
    if (!f) continue;
    const std::string& name = f->name;
    if (name.size() >= 2 && name.compare(0, 2, "on") == 0 &&
        bc::event_from_handler(name) != bc::EventKind::None) {
      bool ok = false;
      for (auto e : received) ok = ok || e == name;
      if (!ok) {
        std::string list;
        for (auto e : received) {
          if (!list.empty()) list += ", ";
          list += e;
        }
        error(codes::kNotReceived, f->span, kind_name(kind_), name, list);
      }
    }
    if (name == "onInit" && f->return_type && f->return_type->name != "status") {
      error(codes::kOnInitStatus, f->span);
    }
  }
}

void Compiler::compile_plot(const ast::Declaration::Plot& plot) {
  if (kind_ != ast::ProgramKind::Indicator) {
    error(codes::kPlotOutsideIndicator, plot.span);
  }
  bc::PlotDef def;
  def.function = compile_function_body("<plot>", {}, nullptr, &plot.value, std::nullopt);
  def.title = plot.name ? *plot.name : "Plot " + std::to_string(image_.plots.size() + 1);
  for (const auto& prop : plot.properties) {
    if (prop.name == "title" || prop.name == "style" || prop.name == "panel") {
      auto word = word_of(prop.value);
      if (!word) continue;
      (prop.name == "title" ? def.title : prop.name == "style" ? def.style : def.panel) = *word;
    } else if (prop.name == "color") {
      if (const auto* c = prop.value.kind.as<ast::ExprKind::Color>()) def.color = c->value;
    } else if (prop.name == "width") {
      if (auto w = program::number_of(prop.value)) def.width = *w;
    }
  }
  image_.plots.push_back(std::move(def));
}

void Compiler::compile_panel(const ast::Declaration::Panel& panel) {
  const std::uint16_t index =
      compile_function_body("<panel>", {}, &panel.body, nullptr, std::nullopt);
  image_.panels.push_back(bc::PanelDef{panel.title, index});
}

}  // namespace kelo_compile::compiler
