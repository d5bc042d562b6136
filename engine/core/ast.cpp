// Debug text of syntax-tree nodes. The shape follows the usual `Name { field: value }`
// convention because parts of it reach users: an input group's non-text hint is shown
// as the debug text of its expression kind, e.g. `Int(3)` or `Identifier("fast")`.
#include "core/ast.h"

#include <array>
#include <charconv>
#include <cmath>
#include <vector>

namespace kelo_core::ast {

NodeArena::~NodeArena() {
  for (void* block : blocks_) ::operator delete(block);
  current_ = outer_;
}

void NodeArena::grow(std::size_t size) {
  const std::size_t bytes = size > kBlock ? size : kBlock;
  blocks_.reserve(blocks_.size() + 1);
  next_ = static_cast<char*>(::operator new(bytes));
  blocks_.push_back(next_);
  end_ = next_ + bytes;
}
namespace {

constexpr std::array<std::string_view, 27> kExprKindNames = {
    "Int",      "Num",    "Text",       "Bool",     "None",  "Now",       "Time",
    "Duration", "Color",  "Identifier", "EnumCase", "Array", "Map",       "Object",
    "Unary",    "Binary", "Assign",     "Ternary",  "Range", "Call",      "Member",
    "Index",    "Lambda", "If",         "Match",    "Pipe",  "BlockValue"};

constexpr std::array<std::string_view, 18> kStmtKindNames = {
    "Block", "Var",   "Fn",    "Struct",   "Enum", "Expr",  "Return",   "If",    "While",
    "For",   "Match", "Break", "Continue", "Once", "Every", "AtNewBar", "Guard", "Try"};

constexpr std::array<std::string_view, 7> kDeclarationNames = {"Var",  "Fn",     "Struct", "Enum",
                                                               "Plot", "Buffer", "Panel"};

constexpr std::array<std::string_view, 4> kProgramKindNames = {"Bot", "Indicator", "Library",
                                                               "Script"};
constexpr std::array<std::string_view, 3> kMutabilityNames = {"Let", "Var", "Const"};
constexpr std::array<std::string_view, 2> kUnaryNames = {"Neg", "Not"};
constexpr std::array<std::string_view, 15> kBinaryNames = {"Add", "Sub", "Mul", "Div", "Rem",
                                                           "Pow", "Eq",  "Ne",  "Lt",  "Le",
                                                           "Gt",  "Ge",  "And", "Or",  "Coalesce"};
constexpr std::array<std::string_view, 6> kAssignNames = {"Assign", "Add", "Sub",
                                                          "Mul",    "Div", "Rem"};

class Printer {
 public:
  std::string out;

  // Writes `Name { a: x, b: y }`, one call per field, then end().
  class Fields {
   public:
    Fields(Printer& p, std::string_view name) : p_(p) { p_.out += name; }
    template <class T>
    Fields& operator()(std::string_view name, const T& value) {
      p_.out += first_ ? " { " : ", ";
      first_ = false;
      p_.out += name;
      p_.out += ": ";
      p_.put(value);
      return *this;
    }
    void end() { p_.out += first_ ? "" : " }"; }

   private:
    Printer& p_;
    bool first_ = true;
  };

  template <class T>
  void tuple(std::string_view name, const T& payload) {
    out += name;
    out += '(';
    put(payload);
    out += ')';
  }

  void put(const std::string& text) {
    out += '"';
    for (unsigned char c : text) {
      switch (c) {
        case '"':
          out += "\\\"";
          break;
        case '\\':
          out += "\\\\";
          break;
        case '\n':
          out += "\\n";
          break;
        case '\r':
          out += "\\r";
          break;
        case '\t':
          out += "\\t";
          break;
        case '\0':
          out += "\\0";
          break;
        default:
          if (c < 0x20 || c == 0x7f) {
            static constexpr char kHex[] = "0123456789abcdef";
            out += "\\u{";
            if (c >= 0x10) out += kHex[c >> 4];
            out += kHex[c & 0xf];
            out += '}';
          } else {
            out += static_cast<char>(c);
          }
      }
    }
    out += '"';
  }
  void put(bool value) { out += value ? "true" : "false"; }
  void put(std::int64_t value) { out += std::to_string(value); }
  void put(std::uint32_t value) { out += std::to_string(value); }
  void put(double value) {
    if (std::isnan(value)) {
      out += "NaN";
      return;
    }
    if (std::isinf(value)) {
      out += value < 0 ? "-inf" : "inf";
      return;
    }
    char buf[64];
    double magnitude = std::fabs(value);
    bool scientific = magnitude != 0 && (magnitude < 1e-4 || magnitude >= 1e16);
    auto res = std::to_chars(buf, buf + sizeof buf, value,
                             scientific ? std::chars_format::scientific : std::chars_format::fixed);
    std::string text(buf, res.ptr);
    if (scientific) {
      // "1.5e+20" / "1e-07" -> "1.5e20" / "1e-7"
      auto e = text.find('e');
      std::string mantissa = text.substr(0, e);
      std::string exponent = text.substr(e + 1);
      bool negative = exponent[0] == '-';
      std::size_t digits = exponent.find_first_not_of("+-0");
      text = mantissa + "e" + (negative ? "-" : "") +
             (digits == std::string::npos ? "0" : exponent.substr(digits));
    } else if (text.find('.') == std::string::npos) {
      text += ".0";
    }
    out += text;
  }
  void put(const diag::Position& p) {
    Fields(*this, "Position")("offset", p.offset)("line", p.line)("column", p.column).end();
  }
  void put(const Span& s) { Fields(*this, "Span")("start", s.start)("end", s.end).end(); }
  void put(ProgramKind k) { out += kProgramKindNames[static_cast<std::size_t>(k)]; }
  void put(Mutability m) { out += kMutabilityNames[static_cast<std::size_t>(m)]; }
  void put(UnaryOp op) { out += kUnaryNames[static_cast<std::size_t>(op)]; }
  void put(BinaryOp op) { out += kBinaryNames[static_cast<std::size_t>(op)]; }
  void put(AssignOp op) { out += kAssignNames[static_cast<std::size_t>(op)]; }

  template <class T>
  void put(const std::vector<T>& items) {
    out += '[';
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (i) out += ", ";
      put(items[i]);
    }
    out += ']';
  }
  template <class T>
  void put(const std::optional<T>& value) {
    if (value) {
      tuple("Some", *value);
    } else {
      out += "None";
    }
  }
  template <class T>
  void put(const Box<T>& boxed) {
    put(*boxed);
  }

  void put(const TypeRef& t) {
    Fields(*this, "TypeRef")("name", t.name)("args", t.args)("optional", t.optional)("span", t.span)
        .end();
  }

  void put(const ExprKind& kind) {
    using K = ExprKind;
    std::string_view name = kExprKindNames[kind.tag()];
    std::visit(
        [&](const auto& k) {
          using T = std::decay_t<decltype(k)>;
          if constexpr (std::is_same_v<T, K::None> || std::is_same_v<T, K::Now>) {
            out += name;
          } else if constexpr (std::is_same_v<T, K::Identifier> || std::is_same_v<T, K::EnumCase>) {
            tuple(name, k.name);
          } else if constexpr (std::is_same_v<T, K::Int> || std::is_same_v<T, K::Num> ||
                               std::is_same_v<T, K::Text> || std::is_same_v<T, K::Bool> ||
                               std::is_same_v<T, K::Time> || std::is_same_v<T, K::Duration> ||
                               std::is_same_v<T, K::Color>) {
            tuple(name, k.value);
          } else if constexpr (std::is_same_v<T, K::Array>) {
            tuple(name, k.items);
          } else if constexpr (std::is_same_v<T, K::Map>) {
            tuple(name, k.entries);
          } else if constexpr (std::is_same_v<T, K::Object>) {
            tuple(name, k.properties);
          } else if constexpr (std::is_same_v<T, K::BlockValue>) {
            tuple(name, k.block);
          } else if constexpr (std::is_same_v<T, K::Unary>) {
            Fields(*this, name)("op", k.op)("operand", k.operand).end();
          } else if constexpr (std::is_same_v<T, K::Binary>) {
            binary_fields(k);
          } else if constexpr (std::is_same_v<T, K::Assign>) {
            Fields(*this, name)("op", k.op)("target", k.target)("value", k.value).end();
          } else if constexpr (std::is_same_v<T, K::Ternary> || std::is_same_v<T, K::If>) {
            Fields(*this, name)("condition", k.condition)("then", k.then)("otherwise", k.otherwise)
                .end();
          } else if constexpr (std::is_same_v<T, K::Range>) {
            Fields(*this, name)("from", k.from)("to", k.to)("inclusive", k.inclusive).end();
          } else if constexpr (std::is_same_v<T, K::Call>) {
            Fields(*this, name)("callee", k.callee)("args", k.args).end();
          } else if constexpr (std::is_same_v<T, K::Member>) {
            Fields(*this, name)("object", k.object)("property", k.property).end();
          } else if constexpr (std::is_same_v<T, K::Index>) {
            Fields(*this, name)("object", k.object)("index", k.index).end();
          } else if constexpr (std::is_same_v<T, K::Lambda>) {
            Fields(*this, name)("params", k.params)("body", k.body).end();
          } else if constexpr (std::is_same_v<T, K::Match>) {
            Fields(*this, name)("subject", k.subject)("arms", k.arms).end();
          } else {
            static_assert(std::is_same_v<T, K::Pipe>);
            Fields(*this, name)("left", k.left)("right", k.right).end();
          }
        },
        kind.node);
  }
  // A chain of binary operators is a left spine of any length (the parser folds it in a
  // loop): the openings down the spine are written first, then the operand at its foot,
  // then the closings back up, so that no call nests per operand.
  void put(const Expr& e) {
    std::vector<const Expr*> spine;
    const Expr* at = &e;
    while (const auto* binary = at->kind.as<ExprKind::Binary>()) {
      out += "Expr { kind: Binary { op: ";
      put(binary->op);
      out += ", left: ";
      spine.push_back(at);
      at = binary->left.get();
    }
    Fields(*this, "Expr")("kind", at->kind)("span", at->span).end();
    for (auto it = spine.rbegin(); it != spine.rend(); ++it) {
      out += ", right: ";
      put(*(*it)->kind.as<ExprKind::Binary>()->right);
      out += " }, span: ";
      put((*it)->span);
      out += " }";
    }
  }
  // `Binary { op: .., left: .., right: .. }`; the left operand's own spine is walked by
  // put(const Expr&).
  void binary_fields(const ExprKind::Binary& k) {
    out += "Binary { op: ";
    put(k.op);
    out += ", left: ";
    put(*k.left);
    out += ", right: ";
    put(*k.right);
    out += " }";
  }
  void put(const Parameter& p) {
    Fields(*this, "Parameter")("name", p.name)("type_ref", p.type_ref)("default", p.default_value)(
        "span", p.span)
        .end();
  }
  void put(const MapEntry& m) { Fields(*this, "MapEntry")("key", m.key)("value", m.value).end(); }
  void put(const ObjectProperty& p) {
    Fields(*this, "ObjectProperty")("name", p.name)("value", p.value)("span", p.span).end();
  }
  void put(const Argument& a) {
    Fields(*this, "Argument")("name", a.name)("value", a.value)("span", a.span).end();
  }
  void put(const Block& b) {
    Fields(*this, "Block")("statements", b.statements)("span", b.span).end();
  }
  void put(const FnBody& body) {
    if (auto* e = body.as<Expr>()) {
      tuple("Expr", *e);
    } else {
      tuple("Block", *body.as<Block>());
    }
  }
  void put(const MatchArm& a) {
    Fields(*this, "MatchArm")("pattern", a.pattern)("body", a.body)("span", a.span).end();
  }
  void put(const FnDecl& d) {
    Fields(*this, "FnDecl")("name", d.name)("params", d.params)("return_type", d.return_type)(
        "body", d.body)("exported", d.exported)("span", d.span)
        .end();
  }
  void put(const VarDecl& d) {
    Fields(*this, "VarDecl")("mutability", d.mutability)("name", d.name)("type_ref", d.type_ref)(
        "init", d.init)("exported", d.exported)("span", d.span)
        .end();
  }
  void put(const StructField& f) {
    Fields(*this, "StructField")("name", f.name)("type_ref", f.type_ref)("span", f.span).end();
  }
  void put(const StructDecl& d) {
    Fields(*this, "StructDecl")("name", d.name)("fields", d.fields)("exported", d.exported)("span",
                                                                                            d.span)
        .end();
  }
  void put(const EnumCaseName& c) {
    out += '(';
    put(c.name);
    out += ", ";
    put(c.span);
    out += ')';
  }
  void put(const EnumDecl& d) {
    Fields(*this, "EnumDecl")("name", d.name)("cases", d.cases)("exported", d.exported)("span",
                                                                                        d.span)
        .end();
  }
  void put(const ElseBranch& b) {
    if (auto* nested = b.as<Box<IfStmt>>()) {
      tuple("If", *nested);
    } else {
      tuple("Block", *b.as<Block>());
    }
  }
  void put(const IfStmt& s) {
    Fields(*this, "IfStmt")("condition", s.condition)("then", s.then)("otherwise", s.otherwise)(
        "span", s.span)
        .end();
  }
  void put(const Stmt& stmt) {
    using S = Stmt;
    std::string_view name = kStmtKindNames[stmt.tag()];
    std::visit(
        [&](const auto& s) {
          using T = std::decay_t<decltype(s)>;
          if constexpr (std::is_same_v<T, S::Break> || std::is_same_v<T, S::Continue>) {
            tuple(name, s.span);
          } else if constexpr (std::is_same_v<T, S::Return>) {
            Fields(*this, name)("value", s.value)("span", s.span).end();
          } else if constexpr (std::is_same_v<T, S::While>) {
            Fields(*this, name)("condition", s.condition)("body", s.body)("span", s.span).end();
          } else if constexpr (std::is_same_v<T, S::For>) {
            Fields(*this, name)("names", s.names)("iterable", s.iterable)("body", s.body)("span",
                                                                                          s.span)
                .end();
          } else if constexpr (std::is_same_v<T, S::Match>) {
            Fields(*this, name)("subject", s.subject)("arms", s.arms)("span", s.span).end();
          } else if constexpr (std::is_same_v<T, S::Once>) {
            Fields(*this, name)("body", s.body)("id", s.id)("span", s.span).end();
          } else if constexpr (std::is_same_v<T, S::Every>) {
            Fields(*this, name)("interval", s.interval)("body", s.body)("id", s.id)("span", s.span)
                .end();
          } else if constexpr (std::is_same_v<T, S::AtNewBar>) {
            Fields(*this, name)("body", s.body)("span", s.span).end();
          } else if constexpr (std::is_same_v<T, S::Guard>) {
            Fields(*this, name)("condition", s.condition)("otherwise", s.otherwise)("span", s.span)
                .end();
          } else if constexpr (std::is_same_v<T, S::Try>) {
            Fields(*this, name)("body", s.body)("error_name", s.error_name)("handler", s.handler)(
                "span", s.span)
                .end();
          } else {
            tuple(name, s);  // Block, Var, Fn, Struct, Enum, Expr, If
          }
        },
        stmt.node);
  }
  void put(const MetaEntry& m) {
    Fields(*this, "MetaEntry")("name", m.name)("values", m.values)("span", m.span).end();
  }
  void put(const ProgramHeader& h) {
    Fields(*this, "ProgramHeader")("kind", h.kind)("name", h.name)("meta", h.meta).end();
  }
  void put(const ImportName& n) {
    out += '(';
    put(n.name);
    out += ", ";
    put(n.alias);
    out += ')';
  }
  void put(const ImportDecl& d) {
    Fields(*this, "ImportDecl")("path", d.path)("names", d.names)("alias", d.alias)("span", d.span)
        .end();
  }
  void put(const InputItem& item) {
    if (auto* g = item.as<InputItem::Group>()) {
      Fields(*this, "Group")("label", g->label)("properties", g->properties)("span", g->span).end();
    } else {
      const auto& i = *item.as<InputItem::Input>();
      Fields(*this, "Input")("type_ref", i.type_ref)("name", i.name)("default", i.default_value)(
          "settings", i.settings)("span", i.span)
          .end();
    }
  }
  void put(const Declaration& decl) {
    using D = Declaration;
    std::string_view name = kDeclarationNames[decl.tag()];
    std::visit(
        [&](const auto& d) {
          using T = std::decay_t<decltype(d)>;
          if constexpr (std::is_same_v<T, D::Plot>) {
            Fields(*this, name)("name", d.name)("value", d.value)("properties", d.properties)(
                "span", d.span)
                .end();
          } else if constexpr (std::is_same_v<T, D::Buffer>) {
            Fields(*this, name)("name", d.name)("span", d.span).end();
          } else if constexpr (std::is_same_v<T, D::Panel>) {
            Fields(*this, name)("title", d.title)("body", d.body)("span", d.span).end();
          } else {
            tuple(name, d);
          }
        },
        decl.node);
  }
  void put(const Program& p) {
    Fields(*this, "Program")("header", p.header)("permissions", p.permissions)(
        "imports", p.imports)("inputs", p.inputs)("declarations", p.declarations)("span", p.span)
        .end();
  }
};

template <class T>
std::string render(const T& value) {
  Printer p;
  p.put(value);
  return std::move(p.out);
}

}  // namespace

std::string debug(const Span& span) {
  return render(span);
}
std::string debug(ProgramKind kind) {
  return render(kind);
}
std::string debug(Mutability mutability) {
  return render(mutability);
}
std::string debug(UnaryOp op) {
  return render(op);
}
std::string debug(BinaryOp op) {
  return render(op);
}
std::string debug(AssignOp op) {
  return render(op);
}
std::string debug(const TypeRef& type_ref) {
  return render(type_ref);
}
std::string debug(const ExprKind& kind) {
  return render(kind);
}
std::string debug(const Expr& expr) {
  return render(expr);
}
std::string debug(const Parameter& parameter) {
  return render(parameter);
}
std::string debug(const MapEntry& entry) {
  return render(entry);
}
std::string debug(const ObjectProperty& property) {
  return render(property);
}
std::string debug(const Argument& argument) {
  return render(argument);
}
std::string debug(const Block& block) {
  return render(block);
}
std::string debug(const FnBody& body) {
  return render(body);
}
std::string debug(const MatchArm& arm) {
  return render(arm);
}
std::string debug(const FnDecl& decl) {
  return render(decl);
}
std::string debug(const VarDecl& decl) {
  return render(decl);
}
std::string debug(const StructDecl& decl) {
  return render(decl);
}
std::string debug(const EnumDecl& decl) {
  return render(decl);
}
std::string debug(const IfStmt& stmt) {
  return render(stmt);
}
std::string debug(const Stmt& stmt) {
  return render(stmt);
}
std::string debug(const MetaEntry& entry) {
  return render(entry);
}
std::string debug(const ProgramHeader& header) {
  return render(header);
}
std::string debug(const ImportDecl& decl) {
  return render(decl);
}
std::string debug(const InputItem& item) {
  return render(item);
}
std::string debug(const Declaration& decl) {
  return render(decl);
}
std::string debug(const Program& program) {
  return render(program);
}

std::string_view kind_name(const ExprKind& kind) {
  return kExprKindNames[kind.tag()];
}
std::string_view kind_name(const Stmt& stmt) {
  return kStmtKindNames[stmt.tag()];
}

}  // namespace kelo_core::ast
