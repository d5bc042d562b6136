// The program pass: header, settings and permissions, declaration order, "<main>".
#include <algorithm>

#include "compile/compiler.h"

namespace kelo_compile::compiler {

using bc::Op;
using bc::Opcode;
using P = ty::Primitive;

namespace {

constexpr std::string_view kSettings[] = {
    "id",      "version", "author", "description", "website", "timeframes", "symbols",
    "minBars", "icon",    "tags",   "panel",       "scale",   "precision"};
constexpr std::string_view kPermissions[] = {
    "network", "ai", "notify", "email", "maxOrdersPerMinute", "readsOtherSymbols"};

template <std::size_t N>
bool known(const std::string_view (&list)[N], std::string_view name) {
  return std::find(std::begin(list), std::end(list), name) != std::end(list);
}

// A global declared without a type, or as a series, holds the series that a choice by a
// series condition between plain numbers builds over every bar (Compiler::all_bars_); one
// declared with a plain type keeps the plain choice.
bool may_hold_series(const ast::VarDecl& decl, const Type& declared) {
  return !decl.type_ref || declared.tag() == ty::Tag::Series;
}

}  // namespace

void Compiler::compile_program(const ast::Program& program) {
  // 1-3: header, setting names, permission names.
  if (!program.header) {
    error(codes::kNoHeader, program.span);
  } else {
    kind_ = program.header->kind;
    image_.name = program.header->name;
    for (const auto& entry : program.header->meta) {
      if (!known(kSettings, entry.name)) {
        warning(codes::kUnknownSetting, entry.span, entry.name);
      }
    }
  }
  if (program.permissions) {
    for (const auto& entry : *program.permissions) {
      if (!known(kPermissions, entry.name)) {
        warning(codes::kUnknownPermission, entry.span, entry.name);
      }
    }
  }

  // 4: struct and enum tables.
  for (const auto& decl : program.declarations) {
    if (const auto* s = decl.as<ast::StructDecl>()) {
      FieldList fields;
      for (const auto& f : s->fields) fields.emplace_back(f.name, resolve_type(f.type_ref));
      structs_.insert_or_assign(s->name, std::move(fields));
    } else if (const auto* e = decl.as<ast::EnumDecl>()) {
      std::vector<std::string> cases;
      for (const auto& c : e->cases) cases.push_back(c.name);
      enums_.insert_or_assign(e->name, std::move(cases));
    }
  }

  // 5: inputs.
  declare_inputs(program);

  // 6: buffers and global variables.
  for (const auto& decl : program.declarations) {
    if (const auto* b = decl.as<ast::Declaration::Buffer>()) {
      image_.buffers.push_back(b->name);
      declare_global(b->name, ty::series(P::Num), true);
    } else if (const auto* v = decl.as<ast::VarDecl>()) {
      if (global_index(v->name)) {
        error(codes::kDeclaredTwice, v->span, v->name);
        continue;
      }
      const Type type = v->type_ref ? resolve_type(*v->type_ref) : Type(P::Any);
      if (holds_number(type)) number_globals_.insert(v->name);
      declare_global(v->name, type, v->mutability == ast::Mutability::Var);
    }
  }

  // 7: a reserved slot per declared function.
  for (const auto& decl : program.declarations) {
    const auto* f = decl.as<ast::FnDecl>();
    if (!f) continue;
    const auto index = append_function(bc::Function{});
    functions_.insert_or_assign(
        f->name, FunctionInfo{index, &f->params,
                              f->return_type ? resolve_type(*f->return_type) : Type(P::Any)});
  }

  // Untyped globals stay `any` for the bodies below, their initial values' types serving
  // only to choose the members of method calls; step 10 types them as it compiles "<main>".
  hint_global_types(program);

  // 8: bodies, each moved into its slot; handlers become events.
  for (const auto& decl : program.declarations) {
    const auto* f = decl.as<ast::FnDecl>();
    if (!f) continue;
    const FunctionInfo info = functions_.at(f->name);
    begin_hinted_function(f);
    const std::uint16_t compiled =
        compile_function(f->name, f->params, f->body, info.result, f->span);
    if (compiled + 1u != image_.functions.size()) {
      throw InternalError("a compiled function is not the last one");
    }
    image_.functions[info.index] = std::move(image_.functions.back());
    image_.functions.pop_back();
    const bc::EventKind kind = bc::event_from_handler(f->name);
    if (kind != bc::EventKind::None) image_.events.push_back({kind, info.index});
  }

  begin_hinted_function(nullptr);
  global_hints_.clear();

  // 9: the input initialiser.
  build_input_initialiser(program);

  // 10: "<main>" runs the global initialisers.
  for (const auto& decl : program.declarations) {
    const auto* v = decl.as<ast::VarDecl>();
    if (!v) continue;
    const auto slot = global_index(v->name);
    if (!slot) continue;
    const Type* written = global_type(v->name);
    const Type declared = written ? *written : Type(P::Any);
    const Type t = compile_global_value(*v, declared);
    if (declared.is(P::Any)) {
      set_global_type(v->name, t);
    } else {
      expect_assignable(t, declared, v->init.span, [&] { return "'" + v->name + "'"; });
    }
    emit(Op::with_b(Opcode::SetGlobal, *slot), v->span);
    emit(Op::plain(Opcode::Pop), v->span);
  }
  emit(Op::plain(Opcode::Halt), program.span);
  if (frames_.size() != 1) throw InternalError("a frame left open after the main function");
  {
    FnState main_frame = std::move(frames_.back());
    frames_.pop_back();
    image_.main = append_function(std::move(main_frame).finish());
  }

  // 11: plots and panels, above a placeholder frame.
  frames_.emplace_back("<unused>");
  for (const auto& decl : program.declarations) {
    if (const auto* plot = decl.as<ast::Declaration::Plot>()) compile_plot(*plot);
  }
  for (const auto& decl : program.declarations) {
    if (const auto* panel = decl.as<ast::Declaration::Panel>()) compile_panel(*panel);
  }

  // 12: handlers against the program kind.
  check_handlers(program);

  // 13: programs that can never do anything.
  using E = bc::EventKind;
  if (kind_ == ast::ProgramKind::Bot && !image_.event(E::OnTick) && !image_.event(E::OnBar) &&
      !image_.event(E::OnTimer) && !image_.event(E::OnWebhook)) {
    warning(codes::kBotNeverActs, program.span);
  }
  if (kind_ == ast::ProgramKind::Indicator && image_.plots.empty() &&
      !image_.event(E::OnCalculate)) {
    warning(codes::kIndicatorDrawsNothing, program.span);
  }
}

Type Compiler::compile_global_value(const ast::VarDecl& decl, const Type& declared) {
  all_bars_ = may_hold_series(decl, declared);
  const Type t =
      decl.type_ref ? compile_number_value(decl.init, declared) : compile_expr(decl.init);
  all_bars_ = false;
  return t;
}

void Compiler::set_global_type(const std::string& name, const Type& type) {
  global_types_.insert_or_assign(name, type);
  if (auto* symbol = frames_.front().scopes.lookup_mut(name)) symbol->type = type;
}

// A function body reads a global declared without a type; without its value's type a
// method call on it (`xs.len()`, `name.upper()`) could not choose the built-in member.
// The initial values are compiled as step 10 does, by a throw-away compiler that reads
// the declarations of this one, so nothing is emitted, pooled or reported twice. The types
// found are only hints: the global stays `any` for every check.
void Compiler::hint_global_types(const ast::Program& program) {
  Diagnostics discarded;
  Compiler trial(discarded, registry_);
  trial.read_through(*this);
  try {
    for (const auto& decl : program.declarations) {
      const auto* v = decl.as<ast::VarDecl>();
      if (!v || !trial.global_index(v->name)) continue;
      // As may_hold_series: the type of a global declared with one is not kept below.
      trial.all_bars_ = !v->type_ref;
      const Type t = trial.compile_expr(v->init);
      const Type* known = trial.global_type(v->name);
      if (known == nullptr || known->is(P::Any)) {
        trial.set_global_type(v->name, t);
      }
    }
  } catch (const std::exception&) {
    // The real pass meets the same failure and reports it; what is typed so far stands.
  }
  for (const auto& decl : program.declarations) {
    const auto* v = decl.as<ast::VarDecl>();
    if (!v) continue;
    const Type* mine = global_type(v->name);
    const Type* theirs = trial.global_type(v->name);
    if (mine == nullptr || !mine->is(P::Any) || theirs == nullptr || theirs->is(P::Any)) {
      continue;
    }
    global_hints_.insert_or_assign(v->name, *theirs);
  }
}

void Compiler::read_through(const Compiler& outer) {
  structs_ = outer.structs_;
  enums_ = outer.enums_;
  // The declared functions and the globals are read through; only the globals' count is
  // this compiler's own, for the slots of globals it declares itself.
  outer_ = &outer;
  global_names_.resize(outer.global_names_.size());
  frames_.front().scopes = outer.frames_.front().scopes;
  kind_ = outer.kind_;
}

void Compiler::begin_hinted_function(const ast::FnDecl* decl) {
  hinted_fn_ = global_hints_.empty() ? nullptr : decl;
  hinted_read_ = false;
  member_hints_.reset();
}

// The type that chooses the member at a member site: the receiver's own when it has the
// member; otherwise, once the function has read a hinted global, the receiver type that a
// compile with the hinted types gives there, so members are chosen as those types choose.
Type Compiler::receiver_type(const ast::ExprKind::Member& site, const Type& compiled) {
  if (member_record_) {
    member_record_->insert_or_assign(&site, compiled);
    return compiled;
  }
  if (!hinted_fn_ || !hinted_read_) return compiled;
  if (auto owner = owner_name(compiled); owner && type_for_path(*owner + "#" + site.property)) {
    return compiled;
  }
  if (compiled.unwrap_optional().fields()) return compiled;
  if (!member_hints_) record_member_hints();
  auto it = member_hints_->find(&site);
  return it != member_hints_->end() ? it->second : compiled;
}

void Compiler::record_member_hints() {
  member_hints_.emplace();
  Diagnostics discarded;
  Compiler trial(discarded, registry_);
  trial.read_through(*this);
  for (const auto& [name, type] : global_hints_) trial.set_global_type(name, type);
  trial.member_record_ = &*member_hints_;
  const FunctionInfo info = functions_.at(hinted_fn_->name);
  try {
    trial.compile_function(hinted_fn_->name, hinted_fn_->params, hinted_fn_->body, info.result,
                           hinted_fn_->span);
  } catch (const std::exception&) {
    // The real pass meets the same failure; the members recorded so far stand.
  }
}

}  // namespace kelo_compile::compiler
