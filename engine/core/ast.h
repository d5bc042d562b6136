// Syntax tree of one Kelo source file. Every node owns its children; copying a node
// copies the whole subtree, so the tree behaves as a plain value. The parser builds
// it once and the compiler only reads it.
//
// Sum types (ExprKind, Stmt, Declaration, InputItem, FnBody, ElseBranch) keep their
// alternatives in a `node` variant whose index is the kind's one-byte tag; use
// `is<K>()`, `as<K>()` or std::visit on `node`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "core/diag.h"

namespace kelo_core::ast {

using diag::Span;

// Where the nodes of trees that end with one scope come from: large blocks, given back
// whole when the scope ends, instead of one allocation and one release per node (a
// 10,000-line program has some 35,000). While one exists on a thread, every node made
// on that thread is taken from it, so it may only cover trees that never outlive it:
// compile() parses, compiles and drops its own tree under one.
class NodeArena {
 public:
  NodeArena() : outer_(current_) { current_ = this; }
  ~NodeArena();
  NodeArena(const NodeArena&) = delete;
  NodeArena& operator=(const NodeArena&) = delete;

  // The thread's innermost arena, or null.
  static NodeArena* current() { return current_; }

  void* allocate(std::size_t size) {
    size = (size + kAlign - 1) & ~(kAlign - 1);
    if (static_cast<std::size_t>(end_ - next_) < size) grow(size);
    void* at = next_;
    next_ += size;
    return at;
  }

 private:
  static constexpr std::size_t kAlign = alignof(std::max_align_t);
  static constexpr std::size_t kBlock = std::size_t{64} << 10;

  void grow(std::size_t size);

  static inline thread_local NodeArena* current_ = nullptr;
  NodeArena* outer_;
  std::vector<void*> blocks_;
  char* next_ = nullptr;
  char* end_ = nullptr;
};

template <class T>
class Box;
struct Expr;

// The link of a left spine inside a node, which a box takes out before it frees the node
// and fills after it copies the node, so that freeing or copying a chain of any length
// nests no calls: a Binary expression's left operand (see Expr below); none for every
// other node. Found by argument-dependent lookup.
template <class T>
requires(!std::is_same_v<std::remove_const_t<T>, Expr>)  // an Expr takes the one below
    Box<T>
*spine_link(T&) {
  return nullptr;
}
inline Box<Expr>* spine_link(Expr& expr);

// Owning pointer with value semantics: copies deep-copy the pointee. Used where a
// node contains a node of its own kind. Never null except after being moved from.
template <class T>
class Box {
 public:
  // Two overloads rather than one by value: a by-value parameter costs one more move
  // of the node per box, and the parser makes one box for every operand.
  Box(const T& value) : bits_(make(value)) {}        // NOLINT: implicit on purpose
  Box(T&& value) : bits_(make(std::move(value))) {}  // NOLINT: implicit on purpose
  // The node, then the spine hanging from it (spine_link), one link at a time.
  Box(const Box& other) : bits_(0) {
    if (other.bits_ == 0 || &other == skipped_) return;
    bits_ = copy_without_link(*other);
    try {
      const T* from = other.get();
      T* to = get();
      while (const Box* from_link = spine_link(const_cast<T&>(*from))) {
        if (from_link->bits_ == 0) break;
        Box* to_link = spine_link(*to);
        to_link->bits_ = copy_without_link(**from_link);
        from = from_link->get();
        to = to_link->get();
      }
    } catch (...) {
      drop();
      throw;
    }
  }
  Box(Box&& other) noexcept : bits_(std::exchange(other.bits_, 0)) {}
  Box& operator=(const Box& other) {
    if (this != &other) {
      Box copy(other);
      std::swap(bits_, copy.bits_);
    }
    return *this;
  }
  // The source is taken first: it may live inside the node this box lets go of.
  Box& operator=(Box&& other) noexcept {
    const std::uintptr_t taken = std::exchange(other.bits_, 0);
    drop();
    bits_ = taken;
    return *this;
  }
  ~Box() { drop(); }

  T& operator*() { return *get(); }
  const T& operator*() const { return *get(); }
  T* operator->() { return get(); }
  const T* operator->() const { return get(); }
  T* get() { return reinterpret_cast<T*>(bits_ & ~kInArena); }
  const T* get() const { return reinterpret_cast<const T*>(bits_ & ~kInArena); }

 private:
  // The node's address, with the low bit set when an arena holds its memory.
  static constexpr std::uintptr_t kInArena = 1;

  // A copy of the node whose spine link is left empty: while the node is copied, the
  // copy of that one box (skipped_) makes nothing.
  static std::uintptr_t copy_without_link(const T& node) {
    struct Skip {
      const Box* saved;
      ~Skip() { skipped_ = saved; }
    } skip{std::exchange(skipped_, spine_link(const_cast<T&>(node)))};
    return make(node);
  }

  template <class U>
  static std::uintptr_t make(U&& value) {
    if (NodeArena* arena = NodeArena::current()) {
      T* node = ::new (arena->allocate(sizeof(T))) T(std::forward<U>(value));
      return reinterpret_cast<std::uintptr_t>(node) | kInArena;
    }
    return reinterpret_cast<std::uintptr_t>(new T(std::forward<U>(value)));
  }
  // Frees the node. A spine of two links or more (a + b + c) is freed one link at a
  // time (drop_spine), so that freeing a chain of any length nests no calls.
  void drop() noexcept {
    if (bits_ == 0) return;
    if (Box* link = spine_link(*get());
        link != nullptr && link->bits_ != 0 && spine_link(*link->get()) != nullptr) [[unlikely]] {
      drop_spine();
      return;
    }
    destroy(std::exchange(bits_, 0));
  }
  [[gnu::noinline]] void drop_spine() noexcept {
    std::uintptr_t bits = std::exchange(bits_, 0);
    while (bits != 0) {
      Box* link = spine_link(*reinterpret_cast<T*>(bits & ~kInArena));
      const std::uintptr_t next = link != nullptr ? std::exchange(link->bits_, 0) : 0;
      destroy(bits);
      bits = next;
    }
  }
  static void destroy(std::uintptr_t bits) noexcept {
    T* node = reinterpret_cast<T*>(bits & ~kInArena);
    if ((bits & kInArena) != 0) {
      node->~T();
    } else {
      delete node;
    }
  }

  std::uintptr_t bits_;
  static inline thread_local const Box* skipped_ = nullptr;
};

namespace detail {
template <class K, class Variant>
struct IsAlternative : std::false_type {};
template <class K, class... Ts>
struct IsAlternative<K, std::variant<Ts...>> : std::disjunction<std::is_same<K, Ts>...> {};
}  // namespace detail

// Implicit constructor from any alternative plus tag/is/as accessors over `node`.
#define KELO_AST_SUM_TYPE(Self)                                                  \
  template <class K>                                                             \
    requires detail::IsAlternative<std::remove_cvref_t<K>, decltype(node)>::value \
  Self(K&& kind) : node(std::forward<K>(kind)) {} /* NOLINT: implicit */         \
  std::uint8_t tag() const { return static_cast<std::uint8_t>(node.index()); }   \
  template <class K>                                                             \
  bool is() const { return std::holds_alternative<K>(node); }                    \
  template <class K>                                                             \
  const K* as() const { return std::get_if<K>(&node); }                          \
  template <class K>                                                             \
  K* as() { return std::get_if<K>(&node); }

enum class ProgramKind : std::uint8_t { Bot, Indicator, Library, Script };
enum class Mutability : std::uint8_t { Let, Var, Const };
enum class UnaryOp : std::uint8_t { Neg, Not };
enum class BinaryOp : std::uint8_t {
  Add, Sub, Mul, Div, Rem, Pow, Eq, Ne, Lt, Le, Gt, Ge, And, Or, Coalesce
};
enum class AssignOp : std::uint8_t { Assign, Add, Sub, Mul, Div, Rem };

// A written type: `name<args...>?`. Arguments are kept as written.
struct TypeRef {
  std::string name;
  std::vector<TypeRef> args;
  bool optional = false;
  Span span;
};

struct Parameter;
struct MapEntry;
struct ObjectProperty;
struct Argument;
struct MatchArm;
struct FnBody;
struct Block;
struct Stmt;
struct IfStmt;

struct ExprKind {
  struct Int { std::int64_t value; };
  struct Num { double value; };
  struct Text { std::string value; };
  struct Bool { bool value; };
  struct None {};
  struct Now {};
  struct Time { std::int64_t value; };
  struct Duration { double value; };  // milliseconds
  struct Color { std::uint32_t value; };  // 0xRRGGBBAA
  struct Identifier { std::string name; };
  struct EnumCase { std::string name; };  // `.name`
  struct Array { std::vector<Expr> items; };
  struct Map { std::vector<MapEntry> entries; };
  struct Object { std::vector<ObjectProperty> properties; };
  struct Unary { UnaryOp op; Box<Expr> operand; };
  struct Binary { BinaryOp op; Box<Expr> left; Box<Expr> right; };
  struct Assign { AssignOp op; Box<Expr> target; Box<Expr> value; };
  struct Ternary { Box<Expr> condition; Box<Expr> then; Box<Expr> otherwise; };
  struct Range { Box<Expr> from; Box<Expr> to; bool inclusive; };
  struct Call { Box<Expr> callee; std::vector<Argument> args; };
  struct Member { Box<Expr> object; std::string property; };
  struct Index { Box<Expr> object; Box<Expr> index; };
  struct Lambda { std::vector<Parameter> params; Box<FnBody> body; };
  struct If { Box<Expr> condition; Box<Expr> then; Box<Expr> otherwise; };
  struct Match { Box<Expr> subject; std::vector<MatchArm> arms; };
  struct Pipe { Box<Expr> left; Box<Expr> right; };
  // A block used as a value whose contents are not a single expression statement.
  struct BlockValue { Box<Block> block; };

  std::variant<Int, Num, Text, Bool, None, Now, Time, Duration, Color, Identifier, EnumCase,
               Array, Map, Object, Unary, Binary, Assign, Ternary, Range, Call, Member, Index,
               Lambda, If, Match, Pipe, BlockValue>
      node;

  KELO_AST_SUM_TYPE(ExprKind)
};

struct Expr {
  ExprKind kind;
  Span span;
};

inline Box<Expr>* spine_link(Expr& expr) {
  auto* binary = expr.kind.as<ExprKind::Binary>();
  return binary != nullptr ? &binary->left : nullptr;
}

// A declared parameter of a function or lambda (not the type model's parameter).
struct Parameter {
  std::string name;
  std::optional<TypeRef> type_ref;
  std::optional<Expr> default_value;
  Span span;
};

struct MapEntry {
  Expr key;
  Expr value;
};

struct ObjectProperty {
  std::string name;
  Expr value;
  Span span;
};

// A call argument; `name` is present for `name: value`.
struct Argument {
  std::optional<std::string> name;
  Expr value;
  Span span;
};

struct Block {
  std::vector<Stmt> statements;
  Span span;
};

// Body of a function, lambda or match arm: the expression after `=>`, or a block.
struct FnBody {
  std::variant<Expr, Block> node;

  KELO_AST_SUM_TYPE(FnBody)
};

// `pattern` is absent for the wildcard `_`.
struct MatchArm {
  std::optional<Expr> pattern;
  FnBody body;
  Span span;
};

struct FnDecl {
  std::string name;
  std::vector<Parameter> params;
  std::optional<TypeRef> return_type;
  FnBody body;
  bool exported = false;
  Span span;
};

struct VarDecl {
  Mutability mutability = Mutability::Let;
  std::string name;
  std::optional<TypeRef> type_ref;
  Expr init;
  bool exported = false;
  Span span;
};

struct StructField {
  std::string name;
  TypeRef type_ref;
  Span span;
};

struct StructDecl {
  std::string name;
  std::vector<StructField> fields;
  bool exported = false;
  Span span;
};

struct EnumCaseName {
  std::string name;
  Span span;
};

struct EnumDecl {
  std::string name;
  std::vector<EnumCaseName> cases;
  bool exported = false;
  Span span;
};

// `else if` nests another IfStmt; a plain `else` holds its block.
struct ElseBranch {
  std::variant<Box<IfStmt>, Block> node;

  KELO_AST_SUM_TYPE(ElseBranch)
};

struct IfStmt {
  Expr condition;
  Block then;
  std::optional<ElseBranch> otherwise;
  Span span;
};

struct Stmt {
  struct Return { std::optional<Expr> value; Span span; };
  struct While { Expr condition; Block body; Span span; };
  struct For { std::vector<std::string> names; Expr iterable; Block body; Span span; };
  struct Match { Expr subject; std::vector<MatchArm> arms; Span span; };
  struct Break { Span span; };
  struct Continue { Span span; };
  struct Once { Block body; std::uint32_t id; Span span; };
  struct Every { Expr interval; Block body; std::uint32_t id; Span span; };
  struct AtNewBar { Block body; Span span; };
  struct Guard { Expr condition; Block otherwise; Span span; };
  struct Try { Block body; std::optional<std::string> error_name; Block handler; Span span; };

  std::variant<Block, VarDecl, FnDecl, StructDecl, EnumDecl, Expr, Return, IfStmt, While, For,
               Match, Break, Continue, Once, Every, AtNewBar, Guard, Try>
      node;

  KELO_AST_SUM_TYPE(Stmt)
};

// One line of a settings or permissions block: a name and its values.
struct MetaEntry {
  std::string name;
  std::vector<Expr> values;
  Span span;
};

struct ProgramHeader {
  ProgramKind kind = ProgramKind::Script;
  std::string name;
  std::vector<MetaEntry> meta;
};

struct ImportName {
  std::string name;
  std::optional<std::string> alias;
};

// `names` is empty for a whole-module import.
struct ImportDecl {
  std::string path;
  std::vector<ImportName> names;
  std::optional<std::string> alias;
  Span span;
};

struct InputItem {
  struct Group {
    std::string label;
    std::vector<ObjectProperty> properties;
    Span span;
  };
  struct Input {
    TypeRef type_ref;
    std::string name;
    std::optional<Expr> default_value;
    std::vector<ObjectProperty> settings;
    Span span;
  };

  std::variant<Group, Input> node;

  KELO_AST_SUM_TYPE(InputItem)
};

struct Declaration {
  struct Plot {
    std::optional<std::string> name;
    Expr value;
    std::vector<ObjectProperty> properties;
    Span span;
  };
  struct Buffer {
    std::string name;
    Span span;
  };
  struct Panel {
    std::string title;
    Block body;
    Span span;
  };

  std::variant<VarDecl, FnDecl, StructDecl, EnumDecl, Plot, Buffer, Panel> node;

  KELO_AST_SUM_TYPE(Declaration)
};

struct Program {
  std::optional<ProgramHeader> header;
  // Absent when the file has no permissions block; an empty block gives an empty list.
  std::optional<std::vector<MetaEntry>> permissions;
  std::vector<ImportDecl> imports;
  std::vector<InputItem> inputs;
  std::vector<Declaration> declarations;
  Span span;
};

#undef KELO_AST_SUM_TYPE

// Debug text of a node: its type or kind name followed by its fields in declaration
// order, in the shape `Name { field: value, ... }`, with tuple kinds as `Name(payload)`
// (for example `Int(3)` and `Identifier("fast")`). Texts are quoted and escaped,
// optional values print as `Some(...)` or `None`, lists as `[a, b]`.
std::string debug(const Span& span);
std::string debug(ProgramKind kind);
std::string debug(Mutability mutability);
std::string debug(UnaryOp op);
std::string debug(BinaryOp op);
std::string debug(AssignOp op);
std::string debug(const TypeRef& type_ref);
std::string debug(const ExprKind& kind);
std::string debug(const Expr& expr);
std::string debug(const Parameter& parameter);
std::string debug(const MapEntry& entry);
std::string debug(const ObjectProperty& property);
std::string debug(const Argument& argument);
std::string debug(const Block& block);
std::string debug(const FnBody& body);
std::string debug(const MatchArm& arm);
std::string debug(const FnDecl& decl);
std::string debug(const VarDecl& decl);
std::string debug(const StructDecl& decl);
std::string debug(const EnumDecl& decl);
std::string debug(const IfStmt& stmt);
std::string debug(const Stmt& stmt);
std::string debug(const MetaEntry& entry);
std::string debug(const ProgramHeader& header);
std::string debug(const ImportDecl& decl);
std::string debug(const InputItem& item);
std::string debug(const Declaration& decl);
std::string debug(const Program& program);

// Name of the kind in `node`, e.g. "Binary" or "Return".
std::string_view kind_name(const ExprKind& kind);
std::string_view kind_name(const Stmt& stmt);

}  // namespace kelo_core::ast
