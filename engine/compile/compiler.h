// The compiler: checks one parsed Kelo program and emits its bytecode image, input
// schema and diagnostics. The work is split by concern over several files (frame,
// names, expressions, calls, statements, loops, control blocks, program pass, inputs,
// handlers); they all operate on this one state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "compile/compiler_codes.h"
#include "compile/emit.h"
#include "compile/inputs.h"
#include "compile/manifest.h"
#include "core/ast.h"
#include "core/diag.h"
#include "core/types.h"
#include "stdlib/hosts.h"
#include "stdlib/registry.h"
#include "vm/bytecode.h"

namespace kelo_compile {

namespace ast = kelo_core::ast;
namespace ty = kelo_core::types;
using kelo_core::diag::Diagnostics;
using kelo_core::diag::Span;
using kelo_core::types::Type;

struct CompileOutput {
  bc::Image image;
  inputs::InputSchema schema;
  manifest::Manifest manifest;
  Diagnostics diagnostics;
};

struct CompileOptions {
  // Seconds since 1970 stamped into the manifest; the system clock when empty.
  std::function<std::int64_t()> now_seconds;
};

// The longest source compiled, in bytes of UTF-8; a longer one gets one error (KELO3000)
// and is not read.
inline constexpr std::size_t kMaxSourceBytes = std::size_t{4} << 20;

// Parses and compiles one source file. Never fails: every finding, including a broken
// invariant of the compiler itself, ends up in the diagnostics.
CompileOutput compile(std::string_view source, std::string_view file_name,
                      const CompileOptions& options = {});

// The manifest's clock: the options' one, else the system clock.
std::int64_t now_seconds(const CompileOptions& options);

// Compiles an already parsed program with the given diagnostics list.
CompileOutput compile_parsed(const ast::Program& program, Diagnostics diagnostics,
                             const CompileOptions& options = {});

namespace compiler {

// Result type of arithmetic on two operands.
Type numeric_result(const Type& a, const Type& b);
// Whether a place of this written type holds its whole numbers as Nums: num, price, lots.
bool holds_number(const Type& declared);

// The owner of "owner#member" paths for values of a type (series, array, map or a
// primitive's name); none for other types.
std::optional<std::string> owner_name(const Type& type);
// The field names of a struct or object type, joined by ", ".
std::string joined_field_names(const ty::Fields& fields);

// A call argument as the binding rules see it (a view into the tree, or a synthesised
// first argument of a pipe).
struct Arg {
  const std::string* name = nullptr;
  const ast::Expr* value = nullptr;
  Span span;
};

class Compiler {
 public:
  Compiler(Diagnostics& diagnostics, const kelo_std::Registry& registry);

  // ---- frame ----
  std::size_t emit(bc::Op op, const Span& span) { return fn().emit(op, span.start); }
  std::uint32_t constant(bc::Constant value);
  // A Text or Name constant, looked up before one is made.
  std::uint32_t text_constant(bc::ConstantKind kind, std::string_view text);
  std::size_t push_text(std::string_view text, const Span& span);
  template <std::size_t N, class... Args>
  void error(const kelo_core::diag::Message<N>& message, const Span& span, const Args&... args) {
    diagnostics_.error(message, span, args...);
  }
  template <std::size_t N, class... Args>
  void warning(const kelo_core::diag::Message<N>& message, const Span& span, const Args&... args) {
    diagnostics_.warning(message, span, args...);
  }
  FnState& fn() {
    if (frames_.empty()) [[unlikely]]
      no_frame();
    return frames_.back();
  }
  bc::Image finish() &&;

  // ---- names ----
  std::uint16_t declare_global(const std::string& name, Type type, bool is_mutable);
  std::optional<std::uint16_t> resolve_upvalue(std::string_view name);
  struct Captured {
    std::uint16_t index = 0;
    Type type;
  };
  // A local of any enclosing function, captured through the functions between.
  std::optional<Captured> capture_from_outer(std::string_view name);
  Type resolve_type(const ast::TypeRef& ref);
  std::uint32_t name_constant(std::string_view name);
  void expect_assignable(const Type& found, const Type& expected, const Span& span,
                         std::string_view context);
  // The same with a context that is built only when there is something to report.
  template <class Context>
  requires std::is_invocable_r_v<std::string, Context>
  void expect_assignable(const Type& found, const Type& expected, const Span& span,
                         Context&& context) {
    if (mismatch(found, expected)) expect_assignable(found, expected, span, context());
  }
  static bool mismatch(const Type& found, const Type& expected);
  std::optional<std::uint16_t> global_index(std::string_view name) const;
  // The static type of the global of that name; null when there is none.
  const Type* global_type(std::string_view name) const;
  std::uint16_t declare_local(const std::string& name, Type type, bool is_mutable,
                              bool written = false);
  std::uint16_t host_id(std::string_view path) const;

  // ---- expressions ----
  Type compile_expr(const ast::Expr& expr);
  Type compile_assign(ast::AssignOp op, const ast::Expr& target, const ast::Expr& value,
                      const Span& span);
  Type compile_block_value(const ast::Block& block);
  // An expression for a place whose written type is `declared`: where that is num, price or
  // lots, a whole number becomes a Num (an Int literal is folded; none stays none).
  Type compile_number_value(const ast::Expr& expr, const Type& declared);
  void check_numeric_pair(const Type& left, const Type& right, const Span& left_span,
                          const Span& right_span);

  // ---- calls and functions ----
  Type compile_call(const ast::Expr& callee, const std::vector<Arg>& args, const Span& span);
  Type compile_host_call(const std::string& path, const ty::Signature& signature,
                         const std::vector<Arg>& args, std::uint8_t receivers, const Span& span);
  std::uint16_t compile_function(const std::string& name, const std::vector<ast::Parameter>& params,
                                 const ast::FnBody& body, const std::optional<Type>& result,
                                 const Span& span);
  // The signature of a registry function, held by the registry; null for anything else.
  const ty::Signature* signature_for(std::string_view path) const;
  std::optional<Type> type_for_path(std::string_view path) const;
  std::optional<Type> look_up_path(std::string_view path) const;
  std::optional<std::string> namespace_path(const ast::Expr& expr);

  // ---- statements ----
  void compile_stmt(const ast::Stmt& stmt);
  void compile_block(const ast::Block& block);
  void compile_if(const ast::IfStmt& stmt);
  void compile_condition(const ast::Expr& expr);

  // ---- loops and control blocks ----
  void end_loop();
  void compile_arm_body(const ast::MatchArm& arm);

  // ---- program ----
  void compile_program(const ast::Program& program);
  void push_input_default(const inputs::InputValue& value, const Span& span);

  const std::vector<inputs::InputGroupSpec>& input_groups() const { return input_groups_; }
  const std::vector<inputs::InputSpec>& input_specs() const { return inputs_; }

 private:
  struct FunctionInfo {
    std::uint16_t index = 0;
    const std::vector<ast::Parameter>* params = nullptr;  // in the tree, which outlives us
    Type result;
  };
  using FieldList = std::vector<std::pair<std::string, Type>>;

  // A declared function of the program, or null.
  const FunctionInfo* function_info(const std::string& name) const;

  [[noreturn]] static void no_frame();
  // The registry's global and the host function of a name or path, each looked up once
  // per compile: a program names the same few built-ins on nearly every line.
  const kelo_std::Entry* registry_global(std::string_view name) const;
  const kelo_std::hosts::HostFn* host(std::string_view path) const;
  std::uint32_t append_constant(bc::Constant value);

  // expressions
  Type compile_identifier(const std::string& name, const Span& span);
  Type compile_unary(const ast::ExprKind::Unary& unary, const Span& span, bool as_condition,
                     bool all_bars);
  // A compound assignment's operation: target op value.
  Type compile_binary(ast::BinaryOp op, const ast::Expr& left, const ast::Expr& right,
                      const Span& span);
  // A Binary expression and the chain of Binary left operands below it (a left spine of
  // any length), compiled in a loop from the operand at its foot upwards.
  Type compile_binary_chain(const ast::Expr& top, bool as_condition, bool all_bars);
  // One operation whose left operand is compiled (type `l`): the right operand and the op.
  Type finish_binary(ast::BinaryOp op, const Type& l, const ast::Expr& left, const ast::Expr& right,
                     const Span& span, bool as_condition, bool all_bars);
  Type compile_index(const ast::ExprKind::Index& index, const Span& span);
  Type compile_member(const ast::ExprKind::Member& member, const Span& span);
  Type compile_member_of(const Type& object_type, const std::string& member, const Span& span,
                         const Type& chooser);
  Type compile_match_value(const ast::ExprKind::Match& match, const Span& span);
  Type compile_lambda(const ast::ExprKind::Lambda& lambda, const Span& span);
  Type compile_pipe(const ast::ExprKind::Pipe& pipe, const Span& span);
  Type struct_type(const std::string& name) const;

  // calls
  Type compile_struct_construction(const std::string& name, const FieldList& fields,
                                   const std::vector<Arg>& args, const Span& span);
  Type compile_declared_call(const FunctionInfo& info, const std::vector<Arg>& args,
                             const Span& span);
  // Parameter i's default, compiled as in the function's own scope: the earlier parameters
  // are the values kept in `kept` (hidden locals of the caller), nothing of the caller shows.
  Type compile_default(const std::vector<ast::Parameter>& params, std::size_t i,
                       const std::vector<std::uint16_t>& kept);
  Type compile_callee_value_call(const Type& callee_type, const std::vector<Arg>& args,
                                 const Span& span);
  Type compile_method_call(const ast::ExprKind::Member& member, const std::vector<Arg>& args,
                           const Span& span);
  std::string namespace_members(std::string_view ns, bool functions_only, std::size_t limit) const;
  const ty::Fields* namespace_fields(std::string_view ns) const;
  bool is_shadowed(std::string_view name);
  std::optional<std::uint16_t> capture(std::size_t at, std::string_view name, bool through);

  // statements
  void compile_var(const ast::VarDecl& decl);
  void compile_fn_stmt(const ast::FnDecl& decl);
  void compile_while(const ast::Stmt::While& stmt);
  void compile_for(const ast::Stmt::For& stmt);
  void compile_break(const Span& span);
  void compile_continue(const Span& span);
  void close_tries_to(const LoopContext& loop, const Span& span);
  void compile_match_stmt(const ast::Stmt::Match& stmt);
  void compile_once(const ast::Stmt::Once& stmt);
  void compile_every(const ast::Stmt::Every& stmt);
  void compile_at_new_bar(const ast::Stmt::AtNewBar& stmt);
  void compile_try(const ast::Stmt::Try& stmt);
  std::uint16_t hidden_global(const std::string& name, Type type);
  void emit_jump_back(bc::Opcode op, std::size_t target, const Span& span);

  // program pass steps
  // A global's initial value, with all_bars_ raised when the global may hold a series.
  Type compile_global_value(const ast::VarDecl& decl, const Type& declared);
  void declare_inputs(const ast::Program& program);
  void declare_input(const ast::InputItem::Input& input);
  void declare_input_group(const ast::InputItem::Group& group);
  void build_input_initialiser(const ast::Program& program);
  void compile_plot(const ast::Declaration::Plot& plot);
  void compile_panel(const ast::Declaration::Panel& panel);
  void check_handlers(const ast::Program& program);
  // Hints for method calls in function bodies: each untyped global's initial value type.
  void hint_global_types(const ast::Program& program);
  // Sets this throw-away compiler up to compile on behalf of `outer`, which it reads from
  // and never writes to: a trial of the hints, whose findings and code are dropped.
  void read_through(const Compiler& outer);
  // The top-level function whose body compiles next (null after the last).
  void begin_hinted_function(const ast::FnDecl* decl);
  Type receiver_type(const ast::ExprKind::Member& site, const Type& compiled);
  void record_member_hints();
  void set_global_type(const std::string& name, const Type& type);
  std::uint16_t append_function(bc::Function function);
  // One of `block` and `expr` is the body.
  std::uint16_t compile_function_body(const std::string& name,
                                      const std::vector<ast::Parameter>& params,
                                      const ast::Block* block, const ast::Expr* expr,
                                      const std::optional<Type>& result);

  bc::Image image_;
  // First pool index per constant, so pooling stays linear in program size: texts and
  // names by their text, the rest by kind and payload bits.
  struct ScalarKey {
    std::uint64_t bits = 0;
    bc::ConstantKind kind = bc::ConstantKind::Int;
    friend bool operator==(const ScalarKey&, const ScalarKey&) = default;
  };
  struct ScalarKeyHash {
    std::size_t operator()(const ScalarKey& key) const {
      return std::hash<std::uint64_t>{}(key.bits ^
                                        (std::uint64_t{static_cast<std::uint8_t>(key.kind)} << 56));
    }
  };
  std::unordered_map<ScalarKey, std::uint32_t, ScalarKeyHash> scalar_index_;
  TextMap<std::uint32_t> text_index_;
  TextMap<std::uint32_t> name_index_;
  // First global slot per name.
  TextMap<std::uint16_t> global_first_;
  std::vector<FnState> frames_;
  std::vector<std::string> global_names_;
  std::vector<inputs::InputGroupSpec> input_groups_;
  std::vector<inputs::InputSpec> inputs_;
  std::optional<std::string> current_group_;
  Diagnostics& diagnostics_;
  const kelo_std::Registry& registry_;
  const kelo_std::hosts::HostTable& hosts_;
  TextMap<Type> global_types_;
  // A trial compile reads the globals of the compile it runs for through this, adding its
  // own on top, rather than copying them (see read_through).
  const Compiler* outer_ = nullptr;
  std::unordered_map<std::string, FieldList> structs_;
  std::unordered_map<std::string, std::vector<std::string>> enums_;
  std::unordered_map<std::string, FunctionInfo> functions_;
  mutable TextMap<const kelo_std::Entry*> registry_globals_;
  mutable TextMap<const kelo_std::hosts::HostFn*> hosts_by_path_;
  mutable TextMap<std::optional<Type>> path_types_;
  ast::ProgramKind kind_ = ast::ProgramKind::Script;
  // Untyped globals' initial value types while function bodies compile (hint_global_types).
  std::unordered_map<std::string, Type> global_hints_;
  const ast::FnDecl* hinted_fn_ = nullptr;  // the function compiling, while hints exist
  bool hinted_read_ = false;                // it has read a hinted global
  // Receiver types by member site, from a compile of hinted_fn_ with the hinted types.
  std::optional<std::unordered_map<const void*, Type>> member_hints_;
  // In that compile: where the receiver types go.
  std::unordered_map<const void*, Type>* member_record_ = nullptr;
  // Globals whose written type is num, price or lots (inputs too): assignments convert.
  std::unordered_set<std::string> number_globals_;
  // The frame compiling a default argument: nothing is captured from around it.
  std::optional<std::size_t> isolated_frame_;
  // The next expression is the condition of if, guard or while (or an operand of its !,
  // && and ||): it reads series at the current bar.
  bool condition_ = false;
  // The links of the binary chains being compiled, innermost last (compile_binary_chain).
  struct SpineLink {
    const ast::ExprKind::Binary* binary;
    const Span* span;
    bool as_condition;
  };
  std::vector<SpineLink> spine_stack_;
  // The next expression is a global's initial value (or a part of it that flows into the
  // value: an operand of its operators or of a choice), computed once for every bar: a
  // choice by a series condition between plain numbers builds the series bar by bar.
  bool all_bars_ = false;
};

}  // namespace compiler
}  // namespace kelo_compile
