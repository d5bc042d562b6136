// Grammar of a whole file: program header, settings and permissions blocks, imports,
// inputs and the top-level declarations with their parameter lists and type references.
#include <utility>

#include "core/parser.h"
#include "core/parser_codes.h"

namespace kelo_core::parser {

using token::Token;
using token::TokenKind;

bool Parser::parse_item(ast::Program& program) {
  const Token& t = cur();
  if (t.kind == TokenKind::Keyword) {
    const std::string& k = t.text;
    if (same(k, "bot") || same(k, "indicator") || same(k, "library") || same(k, "script")) {
      return parse_header(program);
    }
    if (same(k, "permissions")) return parse_permissions(program);
    if (same(k, "import")) return parse_import(program);
    if (same(k, "input")) return parse_input(program);
  }

  bool exported = false;
  if (at_keyword("pub")) {
    advance();
    exported = true;
  }
  if (cur().kind == TokenKind::Keyword) {
    const std::string& k = cur().text;
    if (same(k, "fn")) {
      auto d = parse_fn_decl(exported);
      if (!d) return false;
      program.declarations.emplace_back(std::move(*d));
      return true;
    }
    if (same(k, "let") || same(k, "var") || same(k, "const")) {
      auto d = parse_var_decl(exported);
      if (!d) return false;
      program.declarations.emplace_back(std::move(*d));
      return true;
    }
    if (same(k, "struct")) {
      auto d = parse_struct_decl(exported);
      if (!d) return false;
      program.declarations.emplace_back(std::move(*d));
      return true;
    }
    if (same(k, "enum")) {
      auto d = parse_enum_decl(exported);
      if (!d) return false;
      program.declarations.emplace_back(std::move(*d));
      return true;
    }
    std::optional<ast::Declaration> d;
    if (same(k, "plot")) {
      d = parse_plot();
    } else if (same(k, "buffer")) {
      d = parse_buffer();
    } else if (same(k, "panel")) {
      d = parse_panel();
    } else {
      error_here(codes::kExpectedDeclaration, cur().label());
      return false;
    }
    if (!d) return false;
    program.declarations.push_back(std::move(*d));
    return true;
  }
  error_here(codes::kExpectedDeclaration, cur().label());
  return false;
}

bool Parser::parse_header(ast::Program& program) {
  const Token& keyword = advance();
  diag::Span keyword_span = keyword.span;
  ast::ProgramKind kind = same(keyword.text, "bot")         ? ast::ProgramKind::Bot
                          : same(keyword.text, "indicator") ? ast::ProgramKind::Indicator
                          : same(keyword.text, "library")   ? ast::ProgramKind::Library
                                                            : ast::ProgramKind::Script;
  Token* name = expect_kind("a program name");
  if (!name) return false;
  ast::ProgramHeader header{kind, std::move(name->text), {}};
  if (at_punct("{")) {
    auto meta = parse_meta_block();
    if (!meta) return false;
    header.meta = std::move(*meta);
  }
  if (!end_statement()) return false;
  if (program.header) {
    // Parsed in full so the rest of the line is consumed; the first header stays.
    error(codes::kSecondProgram, keyword_span);
  } else {
    program.header = std::move(header);
  }
  return true;
}

bool Parser::parse_permissions(ast::Program& program) {
  diag::Span keyword_span = advance().span;
  auto entries = parse_meta_block();
  if (!entries) return false;
  if (!end_statement()) return false;
  if (program.permissions) {
    error(codes::kSecondPermissions, keyword_span);
  } else {
    program.permissions = std::move(*entries);
  }
  return true;
}

bool Parser::parse_import(ast::Program& program) {
  diag::Position from = start();
  advance();
  ast::ImportDecl decl;
  if (at_punct("{")) {
    advance();
    skip_newlines();
    while (!at_punct("}") && !at_eof()) {
      auto name = expect_name();
      if (!name) return false;
      ast::ImportName entry{std::move(name->text), std::nullopt};
      if (at_keyword("as")) {
        advance();
        auto alias = expect_name();
        if (!alias) return false;
        entry.alias = std::move(alias->text);
      }
      decl.names.push_back(std::move(entry));
      if (!at_punct(",")) break;
      advance();
      skip_newlines();
    }
    if (!expect<TokenKind::Punct>("}")) return false;
    if (!is(cur(), TokenKind::Identifier, "from")) {
      error_here(codes::kExpectedFrom);
      return false;
    }
    advance();
  }
  Token* path = expect_kind("an import path");
  if (!path) return false;
  decl.path = std::move(path->text);
  if (at_keyword("as")) {
    advance();
    auto alias = expect_name();
    if (!alias) return false;
    decl.alias = std::move(alias->text);
  }
  decl.span = span_from(from);
  if (!end_statement()) return false;
  program.imports.push_back(std::move(decl));
  return true;
}

bool Parser::parse_input(ast::Program& program) {
  diag::Position from = start();
  advance();
  if (at_keyword("group")) {
    advance();
    Token* label = expect_kind("a group label");
    if (!label) return false;
    ast::InputItem::Group group{std::move(label->text), {}, {}};
    if (at_punct("{")) {
      auto properties = parse_object_properties();
      if (!properties) return false;
      group.properties = std::move(*properties);
    }
    group.span = span_from(from);
    if (!end_statement()) return false;
    program.inputs.emplace_back(std::move(group));
    return true;
  }

  auto type_ref = parse_type_ref();
  if (!type_ref) return false;
  auto name = expect_name();
  if (!name) return false;
  ast::InputItem::Input input{std::move(*type_ref), std::move(name->text), std::nullopt, {}, {}};
  if (at_op("=")) {
    advance();
    // Raised so that `= close { label: "S" }` keeps the braces as the settings.
    auto value = parse_without_trailing_block();
    if (!value) return false;
    input.default_value = std::move(*value);
  }
  if (at_punct("{")) {
    auto settings = parse_object_properties();
    if (!settings) return false;
    input.settings = std::move(*settings);
  }
  input.span = span_from(from);
  if (!end_statement()) return false;
  program.inputs.emplace_back(std::move(input));
  return true;
}

// At a comma of a settings entry: whether a name and ':' follow it (newlines between
// allowed), starting the next entry; any other comma goes on with the values.
bool Parser::entry_follows_comma() const {
  std::size_t ahead = 1;
  while (peek(ahead).kind == TokenKind::Newline) ++ahead;
  const Token& name = peek(ahead);
  return (name.kind == TokenKind::Identifier || name.kind == TokenKind::Keyword) &&
         is_op(peek(ahead + 1), ":");
}

std::optional<std::vector<ast::MetaEntry>> Parser::parse_meta_block() {
  if (!expect<TokenKind::Punct>("{")) return std::nullopt;
  skip_newlines();
  std::vector<ast::MetaEntry> entries;
  while (!at_punct("}") && !at_eof()) {
    auto name = expect_name();
    if (!name) return std::nullopt;
    ast::MetaEntry entry{std::move(name->text), {}, {}};
    if (at_op(":")) advance();  // `{ panel: overlay }` reads as `{ panel overlay }`
    bool next_entry = false;  // `{ panel: overlay, precision: 5 }`: the comma ends the entry
    if (!at_statement_end()) {
      auto value = parse_assignment();
      if (!value) return std::nullopt;
      entry.values.push_back(std::move(*value));
      while (at_punct(",")) {
        if (entry_follows_comma()) {
          next_entry = true;
          break;
        }
        advance();
        skip_newlines();
        value = parse_assignment();
        if (!value) return std::nullopt;
        entry.values.push_back(std::move(*value));
      }
    }
    entry.span = span_from(name->span.start);
    if (next_entry) {
      advance();
      skip_newlines();
    } else if (!end_statement()) {
      return std::nullopt;
    }
    entries.push_back(std::move(entry));
    skip_newlines();
  }
  if (!expect<TokenKind::Punct>("}")) return std::nullopt;
  return entries;
}

std::optional<ast::FnDecl> Parser::parse_fn_decl(bool exported) {
  diag::Position from = start();
  advance();
  auto name = expect_name();
  if (!name) return std::nullopt;
  auto params = parse_parameter_list();
  if (!params) return std::nullopt;
  std::optional<ast::TypeRef> return_type;
  if (at_op("->")) {
    advance();
    return_type = parse_type_ref();
    if (!return_type) return std::nullopt;
  }
  std::optional<ast::FnBody> body;
  if (at_op("=>")) {
    advance();
    auto value = parse_assignment();
    if (!value) return std::nullopt;
    body.emplace(std::move(*value));
  } else {
    auto block = parse_block();
    if (!block) return std::nullopt;
    body.emplace(std::move(*block));
  }
  ast::FnDecl decl{std::move(name->text), std::move(*params), std::move(return_type),
                   std::move(*body),      exported,           span_from(from)};
  if (!end_statement()) return std::nullopt;
  return decl;
}

std::optional<std::vector<ast::Parameter>> Parser::parse_parameter_list() {
  if (!expect<TokenKind::Punct>("(")) return std::nullopt;
  skip_newlines();
  std::vector<ast::Parameter> params;
  while (!at_punct(")") && !at_eof()) {
    auto name = expect_name();
    if (!name) return std::nullopt;
    ast::Parameter param{std::move(name->text), std::nullopt, std::nullopt, {}};
    if (at_op(":")) {
      advance();
      param.type_ref = parse_type_ref();
      if (!param.type_ref) return std::nullopt;
    }
    if (at_op("=")) {
      advance();
      param.default_value = parse_assignment();
      if (!param.default_value) return std::nullopt;
    }
    param.span = span_from(name->span.start);
    params.push_back(std::move(param));
    if (!at_punct(",")) break;
    advance();
    skip_newlines();
  }
  if (!expect<TokenKind::Punct>(")")) return std::nullopt;
  return params;
}

std::optional<ast::VarDecl> Parser::parse_var_decl(bool exported) {
  diag::Position from = start();
  const std::string& keyword = advance().text;
  ast::Mutability mutability = keyword == "let"   ? ast::Mutability::Let
                               : keyword == "var" ? ast::Mutability::Var
                                                  : ast::Mutability::Const;
  auto name = expect_name();
  if (!name) return std::nullopt;
  std::optional<ast::TypeRef> type_ref;
  if (at_op(":")) {
    advance();
    type_ref = parse_type_ref();
    if (!type_ref) return std::nullopt;
  }
  if (!expect<TokenKind::Operator>("=")) return std::nullopt;
  auto init = parse_assignment();
  if (!init) return std::nullopt;
  ast::VarDecl decl{mutability, std::move(name->text), std::move(type_ref), std::move(*init),
                    exported,   span_from(from)};
  if (!end_statement()) return std::nullopt;
  return decl;
}

std::optional<ast::TypeRef> Parser::parse_type_ref() {
  DepthGuard guard(*this);
  if (!guard.ok()) {
    error_here(codes::kExpectedName, cur().label());
    return std::nullopt;
  }
  auto name = expect_name();
  if (!name) return std::nullopt;
  ast::TypeRef type{std::move(name->text), {}, false, {}};
  if (at_op("<")) {
    advance();
    while (true) {
      auto arg = parse_type_ref();
      if (!arg) return std::nullopt;
      type.args.push_back(std::move(*arg));
      if (!at_punct(",")) break;
      advance();
    }
    if (!expect<TokenKind::Operator>(">")) return std::nullopt;
  }
  if (at_op("?")) {
    advance();
    type.optional = true;
  }
  type.span = span_from(name->span.start);
  return type;
}

std::optional<ast::StructDecl> Parser::parse_struct_decl(bool exported) {
  diag::Position from = start();
  advance();
  auto name = expect_name();
  if (!name) return std::nullopt;
  if (!expect<TokenKind::Punct>("{")) return std::nullopt;
  skip_newlines();
  std::vector<ast::StructField> fields;
  while (!at_punct("}") && !at_eof()) {
    auto field = expect_name();
    if (!field) return std::nullopt;
    if (!expect<TokenKind::Operator>(":")) return std::nullopt;
    auto type = parse_type_ref();
    if (!type) return std::nullopt;
    fields.push_back({std::move(field->text), std::move(*type), span_from(field->span.start)});
    if (at_punct(",")) {
      advance();
    } else if (!end_statement()) {
      return std::nullopt;
    }
    skip_newlines();
  }
  if (!expect<TokenKind::Punct>("}")) return std::nullopt;
  ast::StructDecl decl{std::move(name->text), std::move(fields), exported, span_from(from)};
  if (!end_statement()) return std::nullopt;
  return decl;
}

std::optional<ast::EnumDecl> Parser::parse_enum_decl(bool exported) {
  diag::Position from = start();
  advance();
  auto name = expect_name();
  if (!name) return std::nullopt;
  if (!expect<TokenKind::Punct>("{")) return std::nullopt;
  skip_newlines();
  std::vector<ast::EnumCaseName> cases;
  while (!at_punct("}") && !at_eof()) {
    auto c = expect_name();
    if (!c) return std::nullopt;
    cases.push_back({std::move(c->text), c->span});
    if (at_punct(",")) advance();
    skip_newlines();
  }
  if (!expect<TokenKind::Punct>("}")) return std::nullopt;
  ast::EnumDecl decl{std::move(name->text), std::move(cases), exported, span_from(from)};
  if (!end_statement()) return std::nullopt;
  return decl;
}

std::optional<ast::Declaration> Parser::parse_plot() {
  diag::Position from = start();
  advance();
  std::optional<std::string> name;
  if (cur().kind == TokenKind::Identifier && is_op(peek(1), "=")) {
    name = std::move(advance().text);
    advance();
  }
  auto value = parse_without_trailing_block();
  if (!value) return std::nullopt;
  std::vector<ast::ObjectProperty> properties;
  if (at_punct("{")) {
    auto parsed = parse_object_properties();
    if (!parsed) return std::nullopt;
    properties = std::move(*parsed);
  }
  ast::Declaration::Plot plot{std::move(name), std::move(*value), std::move(properties),
                              span_from(from)};
  if (!end_statement()) return std::nullopt;
  return ast::Declaration(std::move(plot));
}

std::optional<ast::Declaration> Parser::parse_buffer() {
  diag::Position from = start();
  advance();
  auto name = expect_name();
  if (!name) return std::nullopt;
  ast::Declaration::Buffer buffer{std::move(name->text), span_from(from)};
  if (!end_statement()) return std::nullopt;
  return ast::Declaration(std::move(buffer));
}

std::optional<ast::Declaration> Parser::parse_panel() {
  diag::Position from = start();
  advance();
  Token* title = expect_kind("a panel title");
  if (!title) return std::nullopt;
  std::string text = std::move(title->text);
  auto body = parse_block();
  if (!body) return std::nullopt;
  ast::Declaration::Panel panel{std::move(text), std::move(*body), span_from(from)};
  if (!end_statement()) return std::nullopt;
  return ast::Declaration(std::move(panel));
}

}  // namespace kelo_core::parser
