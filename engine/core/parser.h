// Recursive-descent parser from tokens to the syntax tree. Syntax errors never stop
// the parse: each is reported once (KELO2001-2008), the construct in hand is dropped,
// and parsing resumes at the next statement.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/ast.h"
#include "core/diag.h"
#include "core/token.h"
#include "core/token_stream.h"

namespace kelo_core::parser {

// Lexes and parses one source file. Never fails: a file with errors still yields a
// partial Program; callers decide with `diagnostics.has_errors()`.
ast::Program parse(std::string_view source, diag::Diagnostics& diagnostics);

// Nesting deeper than this (brackets, blocks, prefix operators, `**`, pipes, member,
// call and index chains) is reported instead of recursing further, so hostile input
// cannot exhaust the stack. A chain of left-associative binary operators (a + b + c) is
// not nesting: the parser folds it in a loop, however long, and every stage that walks
// the tree follows such a left spine (ExprKind::Binary's `left`) without recursing once
// per operand. Every other path through a tree the parser returns is shallow enough to
// walk recursively.
inline constexpr int kMaxDepth = 256;

class Parser {
 public:
  // An Eof token is added to `tokens` when they lack one.
  Parser(std::vector<token::Token> tokens, diag::Diagnostics& diagnostics);
  // Reports into `diagnostics`; the stream's lexer reports into its own list.
  Parser(TokenStream tokens, diag::Diagnostics& diagnostics);

  ast::Program parse_source_file();

 private:
  struct Name {
    std::string text;
    diag::Span span;
  };

  // Raises the nesting depth for one scope; `ok()` is false past kMaxDepth.
  class DepthGuard {
   public:
    explicit DepthGuard(Parser& p) : p_(p) { ++p_.depth_; }
    ~DepthGuard() { --p_.depth_; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
    bool ok() const { return p_.depth_ <= kMaxDepth; }

   private:
    Parser& p_;
  };

  // Counts the folds of a loop (a |> f |> g, a.b().c, 2 ** 3 ** 2) as nesting, since
  // each one deepens the tree along a path that is walked recursively; the depth is
  // restored when the loop ends. Left-associative binary operators are not counted.
  class FoldCounter {
   public:
    explicit FoldCounter(Parser& p) : p_(p), saved_(p.depth_) {}
    ~FoldCounter() { p_.depth_ = saved_; }
    FoldCounter(const FoldCounter&) = delete;
    FoldCounter& operator=(const FoldCounter&) = delete;
    bool step() { return ++p_.depth_ <= kMaxDepth; }

   private:
    Parser& p_;
    int saved_;
  };

  // Sets no_trailing_block for one scope and restores it afterwards.
  class TrailingBlockScope {
   public:
    TrailingBlockScope(Parser& p, int value) : p_(p), saved_(p.no_trailing_block_) {
      p_.no_trailing_block_ = value;
    }
    ~TrailingBlockScope() { p_.no_trailing_block_ = saved_; }
    TrailingBlockScope(const TrailingBlockScope&) = delete;
    TrailingBlockScope& operator=(const TrailingBlockScope&) = delete;

   private:
    Parser& p_;
    int saved_;
  };

  // Token access. The list always ends with Eof and nothing moves past it.
  const token::Token& cur() const { return *cur_; }
  const token::Token& peek(std::size_t ahead) const;
  bool at_eof() const { return cur().kind == token::TokenKind::Eof; }
  bool at_newline() const { return cur().kind == token::TokenKind::Newline; }
  // Inline comparison of short token texts; these run for nearly every token.
  static bool same(const std::string& text, std::string_view t) {
    if (text.size() != t.size()) return false;
    for (std::size_t i = 0; i < t.size(); ++i) {
      if (text[i] != t[i]) return false;
    }
    return true;
  }
  static bool is(const token::Token& tok, token::TokenKind kind, std::string_view t) {
    return tok.kind == kind && same(tok.text, t);
  }
  // A keyword, operator or punctuation text written in the parser. It is looked up in
  // the token tables at compile time, so tokens are matched by kind and code alone.
  template <token::TokenKind K>
  struct Fixed {
    consteval Fixed(const char* t) : text(t), code(token::fixed_code(K, t)) {}  // NOLINT: implicit
    std::string_view text;
    std::uint8_t code;
  };
  template <token::TokenKind K>
  static bool is(const token::Token& tok, Fixed<K> f) {
    return tok.kind == K && token::code_of(tok) == f.code;
  }
  static bool is_op(const token::Token& tok, Fixed<token::TokenKind::Operator> f) {
    return is(tok, f);
  }
  static bool is_punct(const token::Token& tok, Fixed<token::TokenKind::Punct> f) {
    return is(tok, f);
  }
  bool at_punct(Fixed<token::TokenKind::Punct> t) const { return is(cur(), t); }
  bool at_op(Fixed<token::TokenKind::Operator> t) const { return is(cur(), t); }
  bool at_keyword(Fixed<token::TokenKind::Keyword> t) const { return is(cur(), t); }
  // Inline with skip_newlines: every grammar rule calls them, from every parser file.
  token::Token& advance() {
    token::Token& t = *cur_;
    if (t.kind != token::TokenKind::Eof) {
      last_end_ = t.span.end;
      ++pos_;
      if (pos_ % TokenStream::kChunk == 0) tokens_.release_before(pos_);
      cur_ = &tokens_.at_mut(pos_);
    }
    return t;
  }
  diag::Position start() const { return cur().span.start; }
  // From `from` to the end of the last consumed token.
  diag::Span span_from(diag::Position from) const;

  // Shared routines; each failing one reports and returns failure.
  template <std::size_t N, class... Args>
  void error(const diag::Message<N>& message, diag::Span span, const Args&... args) {
    diagnostics_.error(message, span, args...);
  }
  // At the current token.
  template <std::size_t N, class... Args>
  void error_here(const diag::Message<N>& message, const Args&... args) {
    diagnostics_.error(message, cur().span, args...);
  }
  token::Token* expect_kind(std::string_view description);
  template <token::TokenKind K>
  token::Token* expect(Fixed<K> f) {
    return is(cur(), f) ? &advance() : expect_failed(f.text);
  }
  token::Token* expect_failed(std::string_view text);  // reports KELO2001; returns null
  std::optional<Name> expect_name();
  bool end_statement();
  void skip_newlines() {
    while (at_newline()) advance();
  }
  void recover();
  bool depth_error();             // reports KELO2007 at the current token; returns false
  bool at_statement_end() const;  // newline, end of file, `;` or `}`

  // File and declarations.
  bool parse_item(ast::Program& program);
  bool parse_header(ast::Program& program);
  bool parse_permissions(ast::Program& program);
  bool parse_import(ast::Program& program);
  bool parse_input(ast::Program& program);
  std::optional<std::vector<ast::MetaEntry>> parse_meta_block();
  bool entry_follows_comma() const;
  std::optional<ast::FnDecl> parse_fn_decl(bool exported);
  std::optional<std::vector<ast::Parameter>> parse_parameter_list();
  std::optional<ast::VarDecl> parse_var_decl(bool exported);
  std::optional<ast::TypeRef> parse_type_ref();
  std::optional<ast::StructDecl> parse_struct_decl(bool exported);
  std::optional<ast::EnumDecl> parse_enum_decl(bool exported);
  std::optional<ast::Declaration> parse_plot();
  std::optional<ast::Declaration> parse_buffer();
  std::optional<ast::Declaration> parse_panel();

  // Statements and blocks. A statement is appended to `out` on success.
  std::optional<ast::Block> parse_block();
  bool parse_statement(std::vector<ast::Stmt>& out);
  bool parse_block_statement(std::vector<ast::Stmt>& out);
  bool parse_declaration_statement(std::vector<ast::Stmt>& out);
  bool parse_if_statement(std::vector<ast::Stmt>& out);
  bool parse_while(std::vector<ast::Stmt>& out);
  bool parse_for(std::vector<ast::Stmt>& out);
  bool parse_match_statement(std::vector<ast::Stmt>& out);
  bool parse_return(std::vector<ast::Stmt>& out);
  bool parse_jump(std::vector<ast::Stmt>& out);
  bool parse_once(std::vector<ast::Stmt>& out);
  bool parse_every(std::vector<ast::Stmt>& out);
  bool parse_at_new_bar(std::vector<ast::Stmt>& out);
  bool parse_guard(std::vector<ast::Stmt>& out);
  bool parse_try(std::vector<ast::Stmt>& out);
  bool parse_expression_statement(std::vector<ast::Stmt>& out);
  std::optional<ast::IfStmt> parse_if();
  bool parse_else(ast::IfStmt& stmt, diag::Position from);
  std::optional<std::vector<ast::MatchArm>> parse_match_arms();
  // A condition or subject: a full expression with no_trailing_block raised, so the
  // `{` that follows opens the body rather than a trailing block.
  std::optional<ast::Expr> parse_without_trailing_block();

  // Expressions. The recursive spine (assignment, range, binary, unary, postfix,
  // primary) keeps its frames small: everything but the common path lives in
  // out-of-line helpers, so deep nesting costs little stack per level.
  std::optional<ast::Expr> parse_assignment();
  bool finish_assignment(ast::Expr& left);
  bool finish_pipe(ast::Expr& left);
  bool finish_ternary(ast::Expr& condition);
  bool finish_assign(ast::Expr& target, ast::AssignOp op);
  std::optional<ast::Expr> parse_range();
  bool finish_range(ast::Expr& from);
  std::optional<ast::Expr> parse_binary(int min);
  bool finish_binary(ast::Expr& left, int min);
  void fold_binary(ast::Expr& left, ast::BinaryOp op, ast::Expr&& right);
  std::optional<ast::Expr> parse_unary();
  std::optional<ast::Expr> parse_prefix();
  std::optional<ast::Expr> parse_postfix();
  bool finish_postfix(ast::Expr& expr);
  bool postfix_call(ast::Expr& expr);
  bool postfix_member(ast::Expr& expr);
  bool postfix_index(ast::Expr& expr);
  bool postfix_trailing_block(ast::Expr& expr);
  bool at_postfix(const ast::Expr& expr) const;
  std::optional<ast::Expr> parse_primary();
  std::optional<ast::Expr> parse_literal();
  std::optional<ast::Expr> parse_keyword_primary();
  std::optional<ast::Expr> parse_enum_case();
  std::optional<ast::Expr> parse_object_literal();
  std::optional<ast::Expr> parse_match_expression();
  std::optional<ast::Expr> parse_parenthesised();
  std::optional<ast::Expr> parse_array_or_map();
  std::optional<std::vector<ast::ObjectProperty>> parse_object_properties();
  std::optional<ast::Expr> parse_if_expression();
  std::optional<ast::Expr> parse_block_value();
  std::optional<ast::Expr> parse_lambda();
  std::optional<ast::FnBody> parse_arrow_body();
  bool parse_call_arguments(std::vector<ast::Argument>& args);
  bool is_lambda_start() const;
  std::optional<ast::Expr> fail_expression();  // KELO2007 at the current token
  std::optional<ast::Expr> fail_depth();       // the same, for nesting past kMaxDepth

  // Filled as the parse reads ahead, hence mutable in the lookahead.
  mutable TokenStream tokens_;
  token::Token* cur_ = nullptr;
  // Statements of the blocks being parsed, innermost last (see parse_block).
  std::vector<ast::Stmt> statement_stack_;
  // Arguments of the calls being parsed, innermost last (see parse_call_arguments).
  std::vector<ast::Argument> argument_stack_;
  std::size_t pos_ = 0;
  // The end of the last token consumed; before any, the end of the first token.
  diag::Position last_end_;
  diag::Diagnostics& diagnostics_;
  int no_trailing_block_ = 0;
  std::uint32_t block_ids_ = 0;
  int depth_ = 0;
};

}  // namespace kelo_core::parser
