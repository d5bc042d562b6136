#include <gtest/gtest.h>

#include <string>

#include "core/parser_test_support.h"

namespace kelo_core::parser {
namespace {

using testing::compact;
using testing::messages;
using testing::parse_text;

std::string entries(const std::vector<ast::MetaEntry>& meta) {
  std::string out;
  for (const auto& e : meta) {
    out += out.empty() ? "" : "; ";
    out += e.name;
    for (const auto& v : e.values) out += " " + compact(v);
  }
  return out;
}

std::string properties(const std::vector<ast::ObjectProperty>& props) {
  std::string out;
  for (const auto& p : props) out += (out.empty() ? "" : ", ") + p.name + ":" + compact(p.value);
  return out;
}

TEST(ParserFile, DiagnosticMessages) {
  struct Row {
    const char* behaviour;
    const char* source;
    const char* expected;
  };
  const Row rows[] = {
      {"program name must be a text", "bot 5",
       "KELO2001 1:5 Expected a program name but found '5'"},
      {"group label must be a text", "input group 5",
       "KELO2001 1:13 Expected a group label but found '5'"},
      {"import path must be a text", "import 5",
       "KELO2001 1:8 Expected an import path but found '5'"},
      {"panel title must be a text", "panel x",
       "KELO2001 1:7 Expected a panel title but found 'x'"},
      {"second header", "bot \"A\"\nindicator \"B\"",
       "KELO2004 2:1 A file declares exactly one program"},
      {"second permissions block", "permissions { a }\npermissions { b }",
       "KELO2005 2:1 Only one permissions block per file"},
      {"named import needs from", "import { a, b as c } \"p\"",
       "KELO2008 1:22 Expected 'from' after a named import list"},
      {"top-level if", "if x { }\nlet y = 1", "KELO2006 1:1 Expected a declaration but found 'if'"},
      {"top-level expression", "foo()", "KELO2006 1:1 Expected a declaration but found 'foo'"},
      {"pub before something else", "pub pub fn f() => 1",
       "KELO2006 1:5 Expected a declaration but found 'pub'"},
      {"variable without a value", "let x\n", "KELO2001 1:6 Expected '=' but found end of line"},
      {"buffer needs a name", "buffer 5", "KELO2002 1:8 Expected a name but found '5'"},
      {"settings entry followed by a comma", "bot \"X\" { name, }",
       "KELO2007 1:15 Expected an expression but found ','"},
      {"settings entries need separators", "bot \"X\" { a 1 b 2 }",
       "KELO2003 1:15 Unexpected 'b' after statement"},
      {"struct field needs a type", "struct P { x }", "KELO2001 1:14 Expected ':' but found '}'"},
      {"type argument list needs a closing angle", "let x: array<int = 1",
       "KELO2001 1:18 Expected '>' but found '='"},
      {"stray closing brace", "}", "KELO2006 1:1 Expected a declaration but found '}'"},
      {"end of file in a parameter list", "fn f(a,",
       "KELO2001 1:8 Expected ')' but found end of file"},
  };
  for (const Row& row : rows) {
    auto parsed = parse_text(row.source);
    ASSERT_FALSE(parsed.diagnostics.items.empty()) << row.behaviour;
    // Only the first: recovery stops at a closing brace, which may report again.
    diag::Diagnostics first;
    first.items.push_back(parsed.diagnostics.items.front());
    EXPECT_EQ(messages(first), row.expected) << row.behaviour << ": " << row.source;
  }
}

TEST(ParserFile, RecoveryStopsAtAClosingBrace) {
  auto parsed = parse_text("if x { }\nlet y = 1\n");
  EXPECT_EQ(messages(parsed.diagnostics),
            "KELO2006 1:1 Expected a declaration but found 'if' | "
            "KELO2006 1:8 Expected a declaration but found '}'");
  EXPECT_EQ(parsed.program.declarations.size(), 1u);
}

TEST(ParserFile, EmptyFiles) {
  for (const char* source : {"", "\n\n\n", "// only a comment\n"}) {
    auto parsed = parse_text(source);
    EXPECT_TRUE(parsed.diagnostics.items.empty()) << source;
    EXPECT_FALSE(parsed.program.header.has_value());
    EXPECT_FALSE(parsed.program.permissions.has_value());
    EXPECT_TRUE(parsed.program.declarations.empty());
  }
}

TEST(ParserFile, HeaderAndSettings) {
  auto parsed = parse_text(
      "bot \"Golden\" {\n  version \"1.0\"\n  timeframes M15, H1\n  hedging\n  magic: 42; x "
      "1\n}\n");
  ASSERT_TRUE(parsed.diagnostics.items.empty()) << messages(parsed.diagnostics);
  ASSERT_TRUE(parsed.program.header.has_value());
  const auto& h = *parsed.program.header;
  EXPECT_EQ(h.kind, ast::ProgramKind::Bot);
  EXPECT_EQ(h.name, "Golden");
  EXPECT_EQ(entries(h.meta), "version \"1.0\"; timeframes M15 H1; hedging; magic 42; x 1");
  EXPECT_EQ(h.meta[1].span.start.line, 3u);
  EXPECT_EQ(h.meta[1].span.end.column, 21u);
}

TEST(ParserFile, HeaderKindsAndColonSettings) {
  struct Row {
    const char* source;
    ast::ProgramKind kind;
    const char* meta;
  };
  const Row rows[] = {
      {"bot \"a\"", ast::ProgramKind::Bot, ""},
      {"indicator \"a\" { panel: overlay }", ast::ProgramKind::Indicator, "panel overlay"},
      {"library \"a\" { version \"1.0.0\" }", ast::ProgramKind::Library, "version \"1.0.0\""},
      {"script \"a\" {}", ast::ProgramKind::Script, ""},
      {"indicator \"a\" { levels: 30, 70\n panel: }", ast::ProgramKind::Indicator,
       "levels 30 70; panel"},
      // A comma before a name and ':' starts the next entry on the same line.
      {"indicator \"a\" { panel: overlay, precision: 5 }", ast::ProgramKind::Indicator,
       "panel overlay; precision 5"},
      {"bot \"a\" { version: \"1.0.0\", author: \"Desk\", timeframes: M15, H1 }",
       ast::ProgramKind::Bot, "version \"1.0.0\"; author \"Desk\"; timeframes M15 H1"},
      {"bot \"a\" { levels: 30, 70,\n  panel: lower }", ast::ProgramKind::Bot,
       "levels 30 70; panel lower"},
  };
  for (const Row& row : rows) {
    auto parsed = parse_text(row.source);
    ASSERT_TRUE(parsed.diagnostics.items.empty()) << row.source << messages(parsed.diagnostics);
    EXPECT_EQ(parsed.program.header->kind, row.kind) << row.source;
    EXPECT_EQ(entries(parsed.program.header->meta), row.meta) << row.source;
  }
}

TEST(ParserFile, SecondHeaderIsDroppedAndTheFirstKept) {
  auto parsed = parse_text("bot \"A\"\nindicator \"B\" { panel overlay }\nlet x = 1\n");
  EXPECT_EQ(parsed.diagnostics.items.size(), 1u);
  EXPECT_EQ(parsed.program.header->kind, ast::ProgramKind::Bot);
  EXPECT_EQ(parsed.program.header->name, "A");
  EXPECT_EQ(parsed.program.declarations.size(), 1u);
}

TEST(ParserFile, Permissions) {
  auto none = parse_text("let x = 1");
  EXPECT_FALSE(none.program.permissions.has_value());
  auto empty = parse_text("permissions {}");
  ASSERT_TRUE(empty.program.permissions.has_value());
  EXPECT_TRUE(empty.program.permissions->empty());
  auto two = parse_text("permissions {\n  network \"api.x.com\"\n  files\n}\npermissions { b }\n");
  ASSERT_TRUE(two.program.permissions.has_value());
  EXPECT_EQ(entries(*two.program.permissions), "network \"api.x.com\"; files");
}

TEST(ParserFile, Imports) {
  auto parsed = parse_text(
      "import \"lib/risk.kelolib\" as risk\nimport { a, b as c,\n d } from \"p\"\n"
      "import { } from \"q\" as q\n");
  ASSERT_TRUE(parsed.diagnostics.items.empty()) << messages(parsed.diagnostics);
  const auto& imports = parsed.program.imports;
  ASSERT_EQ(imports.size(), 3u);
  EXPECT_EQ(imports[0].path, "lib/risk.kelolib");
  EXPECT_TRUE(imports[0].names.empty());
  EXPECT_EQ(imports[0].alias, "risk");
  EXPECT_EQ(imports[1].path, "p");
  ASSERT_EQ(imports[1].names.size(), 3u);
  EXPECT_EQ(imports[1].names[0].name, "a");
  EXPECT_FALSE(imports[1].names[0].alias.has_value());
  EXPECT_EQ(imports[1].names[1].name, "b");
  EXPECT_EQ(imports[1].names[1].alias, "c");
  EXPECT_EQ(imports[1].names[2].name, "d");
  EXPECT_FALSE(imports[1].alias.has_value());
  EXPECT_EQ(imports[2].alias, "q");
}

TEST(ParserFile, Inputs) {
  auto parsed = parse_text(
      "input group \"Risk\" { advanced: true, hint: 3 }\n"
      "input int fast = 9 { min: 1, max: 50 }\n"
      "input source s = close { label: \"S\" }\n"
      "input color c = red\n"
      "input group \"Plain\"\n"
      "input array<text>? names\n");
  ASSERT_TRUE(parsed.diagnostics.items.empty()) << messages(parsed.diagnostics);
  const auto& inputs = parsed.program.inputs;
  ASSERT_EQ(inputs.size(), 6u);
  const auto* group = inputs[0].as<ast::InputItem::Group>();
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->label, "Risk");
  EXPECT_EQ(properties(group->properties), "advanced:true, hint:3");

  const auto* fast = inputs[1].as<ast::InputItem::Input>();
  ASSERT_NE(fast, nullptr);
  EXPECT_EQ(fast->type_ref.name, "int");
  EXPECT_EQ(fast->name, "fast");
  EXPECT_EQ(compact(*fast->default_value), "9");
  EXPECT_EQ(properties(fast->settings), "min:1, max:50");
  EXPECT_EQ(fast->span.start.line, 2u);
  EXPECT_EQ(fast->span.end.column, 39u);

  // The braces after a name default are the settings, not a trailing block.
  const auto* source = inputs[2].as<ast::InputItem::Input>();
  EXPECT_EQ(compact(*source->default_value), "close");
  EXPECT_EQ(properties(source->settings), "label:\"S\"");

  EXPECT_EQ(compact(*inputs[3].as<ast::InputItem::Input>()->default_value), "red");
  EXPECT_TRUE(inputs[4].as<ast::InputItem::Group>()->properties.empty());
  const auto* names = inputs[5].as<ast::InputItem::Input>();
  EXPECT_FALSE(names->default_value.has_value());
  EXPECT_EQ(names->type_ref.name, "array");
  ASSERT_EQ(names->type_ref.args.size(), 1u);
  EXPECT_EQ(names->type_ref.args[0].name, "text");
  EXPECT_TRUE(names->type_ref.optional);
}

TEST(ParserFile, DeclarationsAndExport) {
  auto parsed = parse_text(
      "pub fn f(a, b: int = 2, c: map<text, num>?,) -> bool { return true }\n"
      "fn g() => 1\n"
      "pub let x = 1\n"
      "var y: array<int> = []\n"
      "pub const z = 3\n"
      "pub struct P {\n  x: num\n  y: int?, z: array<num>\n}\n"
      "enum Side { buy, sell\n  flat }\n"
      "pub enum E { a }\n"
      "buffer trail\n"
      "panel \"Stats\" { label(x) }\n");
  ASSERT_TRUE(parsed.diagnostics.items.empty()) << messages(parsed.diagnostics);
  const auto& d = parsed.program.declarations;
  ASSERT_EQ(d.size(), 10u);

  const auto& f = *d[0].as<ast::FnDecl>();
  EXPECT_TRUE(f.exported);
  ASSERT_EQ(f.params.size(), 3u);
  EXPECT_FALSE(f.params[0].type_ref.has_value());
  EXPECT_EQ(f.params[1].type_ref->name, "int");
  EXPECT_EQ(compact(*f.params[1].default_value), "2");
  EXPECT_EQ(f.params[2].type_ref->args.size(), 2u);
  EXPECT_TRUE(f.params[2].type_ref->optional);
  EXPECT_EQ(f.return_type->name, "bool");
  EXPECT_EQ(compact(f.body), "{return true}");
  EXPECT_FALSE(d[1].as<ast::FnDecl>()->exported);
  EXPECT_EQ(compact(d[1].as<ast::FnDecl>()->body), "1");

  EXPECT_TRUE(d[2].as<ast::VarDecl>()->exported);
  EXPECT_EQ(d[2].as<ast::VarDecl>()->mutability, ast::Mutability::Let);
  EXPECT_FALSE(d[3].as<ast::VarDecl>()->exported);
  EXPECT_EQ(d[3].as<ast::VarDecl>()->mutability, ast::Mutability::Var);
  EXPECT_EQ(d[3].as<ast::VarDecl>()->type_ref->args[0].name, "int");
  EXPECT_EQ(d[4].as<ast::VarDecl>()->mutability, ast::Mutability::Const);

  const auto& p = *d[5].as<ast::StructDecl>();
  EXPECT_TRUE(p.exported);
  ASSERT_EQ(p.fields.size(), 3u);
  EXPECT_EQ(p.fields[1].name, "y");
  EXPECT_TRUE(p.fields[1].type_ref.optional);
  EXPECT_EQ(p.fields[2].type_ref.args[0].name, "num");

  const auto& side = *d[6].as<ast::EnumDecl>();
  EXPECT_FALSE(side.exported);
  ASSERT_EQ(side.cases.size(), 3u);
  EXPECT_EQ(side.cases[2].name, "flat");
  EXPECT_EQ(side.cases[2].span.start.line, 11u);
  EXPECT_TRUE(d[7].as<ast::EnumDecl>()->exported);

  EXPECT_EQ(d[8].as<ast::Declaration::Buffer>()->name, "trail");
  const auto& panel = *d[9].as<ast::Declaration::Panel>();
  EXPECT_EQ(panel.title, "Stats");
  EXPECT_EQ(compact(panel.body), "{(call label x)}");
}

TEST(ParserFile, Plots) {
  auto parsed = parse_text(
      "plot close\n"
      "plot fast = sma(close, 9) { color: red, title: \"Fast\" }\n"
      "plot ema(close, length) { title: \"EMA\" }\n"
      "plot onBar\n");
  ASSERT_TRUE(parsed.diagnostics.items.empty()) << messages(parsed.diagnostics);
  const auto& d = parsed.program.declarations;
  ASSERT_EQ(d.size(), 4u);
  const auto* bare = d[0].as<ast::Declaration::Plot>();
  EXPECT_FALSE(bare->name.has_value());
  EXPECT_EQ(compact(bare->value), "close");
  const auto* named = d[1].as<ast::Declaration::Plot>();
  EXPECT_EQ(named->name, "fast");
  EXPECT_EQ(compact(named->value), "(call sma close 9)");
  EXPECT_EQ(properties(named->properties), "color:red, title:\"Fast\"");
  EXPECT_EQ(properties(d[2].as<ast::Declaration::Plot>()->properties), "title:\"EMA\"");
  EXPECT_EQ(compact(d[3].as<ast::Declaration::Plot>()->value), "onBar");
}

TEST(ParserFile, RecoveryResumesAfterTheLine) {
  auto parsed = parse_text("if x > 1 then\nlet y = 1\nfoo bar; let z = 2\n");
  EXPECT_EQ(messages(parsed.diagnostics),
            "KELO2006 1:1 Expected a declaration but found 'if' | "
            "KELO2006 3:1 Expected a declaration but found 'foo'");
  ASSERT_EQ(parsed.program.declarations.size(), 2u);
  EXPECT_EQ(parsed.program.declarations[1].as<ast::VarDecl>()->name, "z");
}

TEST(ParserFile, ProgramSpanCoversTheFile) {
  // Starts at the first token: the leading line feed makes none.
  auto parsed = parse_text("\nlet a = 1\n");
  EXPECT_EQ(parsed.program.span.start.offset, 1u);
  EXPECT_EQ(parsed.program.span.end.offset, 11u);
  EXPECT_EQ(parsed.program.span.end.line, 3u);
  auto empty = parse_text("");
  EXPECT_EQ(empty.program.span.start.offset, 0u);
  EXPECT_EQ(empty.program.span.end.offset, 0u);
}

TEST(ParserFile, TemplatesAndSampleParseCleanly) {
  const char* sources[] = {
      "bot \"New Bot\" {\n  version \"1.0.0\"\n  author  \"Wexo\"\n}\n\n"
      "input lots volume = 0.10 { min: 0.01, step: 0.01 }\n\n"
      "fn onBar() {\n  guard positions.count() == 0 else { return }\n}",

      "indicator \"New Indicator\" { panel: overlay }\n\n"
      "input int length = 21 { label: \"Length\", min: 2, max: 400 }\n\n"
      "plot ema(close, length) { title: \"EMA\", color: #3d7bf5 }",

      "library \"Helpers\" { version \"1.0.0\" }\n\n"
      "pub fn positionSize(percent: num, stopPips: int) -> lots {\n"
      "  let riskMoney = account.equity * percent / 100\n"
      "  let perPip = symbol.tickValue * (symbol.pip / symbol.tickSize)\n"
      "  return lots(riskMoney / (stopPips * perPip))\n}",

      "bot \"Golden Cross\" {\n  version     \"1.0.0\"\n  author      \"Wexo\"\n"
      "  description \"Buys when a fast EMA crosses above a slow one.\"\n"
      "  timeframes  M15, H1\n}\n\n"
      "input group \"Signal\"\n"
      "input int fast = 20 { label: \"Fast EMA\", min: 2, max: 200 }\n"
      "input int slow = 60 { label: \"Slow EMA\", min: 5, max: 400 }\n\n"
      "input group \"Risk\"\n"
      "input lots volume   = 0.10 { min: 0.01, max: 10, step: 0.01 }\n"
      "input int  stopPips = 45   { label: \"Stop loss (pips)\", min: 5, max: 500 }\n"
      "input int  takePips = 110  { label: \"Take profit (pips)\", min: 5, max: 900 }\n\n"
      "let quick  = ema(close, fast)\nlet steady = ema(close, slow)\n"
      "let signal = crossesOver(quick, steady)\n\n"
      "fn onInit() -> status {\n  log.info(\"Golden Cross ready on \" + symbol.name)\n"
      "  return status.ok\n}\n\n"
      "fn onBar() {\n  guard positions.count() == 0 else { return }\n"
      "  if !signal[0] { return }\n\n  trade.buy(volume,\n"
      "    sl: symbol.ask - stopPips * symbol.pip,\n"
      "    tp: symbol.ask + takePips * symbol.pip,\n    comment: \"cross up\")\n}",
  };
  for (const char* source : sources) {
    auto parsed = parse_text(source);
    EXPECT_EQ(messages(parsed.diagnostics), "") << source;
    EXPECT_TRUE(parsed.program.header.has_value());
  }
  auto sample = parse_text(sources[3]);
  EXPECT_EQ(sample.program.inputs.size(), 7u);
  EXPECT_EQ(sample.program.declarations.size(), 5u);
  EXPECT_EQ(testing::compact_body(sample.program),
            "{(call (. log info) (+ \"Golden Cross ready on \" (. symbol name))); "
            "return (. status ok)}");
}

}  // namespace
}  // namespace kelo_core::parser
