// The program pass: header, settings, permissions, declaration order, handlers, plots,
// and whole programs end to end.
#include <gtest/gtest.h>

#include "compile/compile_test_support.h"

namespace kelo_compile {
namespace {

using testing::compile_fixed;
using testing::diagnostics_text;
using testing::messages;
using testing::ops;

std::vector<std::string> function_names(const CompileOutput& out) {
  std::vector<std::string> names;
  for (const auto& f : out.image.functions) names.push_back(f.name);
  return names;
}

TEST(ProgramPass, FunctionIndexOrder) {
  const auto out = compile_fixed(
      "bot \"B\"\nfn a() { let f = () => 1 }\nfn onBar() { }\nplot close\n");
  const std::vector<std::string> names = {"a", "onBar", "<lambda>", "<inputs>", "<main>", "<plot>"};
  EXPECT_EQ(function_names(out), names);
  const std::vector<bc::EventEntry> events = {{bc::EventKind::OnBar, 1}};
  EXPECT_EQ(out.image.events, events);
  EXPECT_EQ(out.image.main, 4);
  EXPECT_EQ(out.image.input_initialiser, 3);
  ASSERT_EQ(out.image.plots.size(), 1u);
  EXPECT_EQ(out.image.plots[0].title, "Plot 1");
  EXPECT_EQ(out.image.plots[0].function, 5);
  EXPECT_EQ(out.image.plots[0].width, 1.4);
  EXPECT_EQ(out.image.plots[0].color, 0x3D7BF5FFu);
  EXPECT_EQ(out.image.plots[0].style, "line");
  EXPECT_EQ(messages(out), "KELO3038 plot belongs in an indicator. A bot draws with draw.* instead.");
  EXPECT_EQ(ops(out, "a"), "Closure 2; SetLocal 0; Pop; ReturnNothing");
}

TEST(ProgramPass, HeaderSettingsAndPermissions) {
  struct Row {
    const char* source;
    const char* expected;
  };
  const Row rows[] = {
      {"script \"S\" {\n  Panel overlay\n  Id \"x\"\n  minbars 3\n  panel overlay\n  scale 2\n"
       "  precision 4\n}\n",
       "KELO3031 'Panel' is not a known program setting and will be ignored @2:3\n"
       "KELO3031 'Id' is not a known program setting and will be ignored @3:3\n"
       "KELO3031 'minbars' is not a known program setting and will be ignored @4:3"},
      {"script \"S\"\npermissions {\n  trade\n  maxOrdersPerMinute 5\n  readsOtherSymbols\n}\n",
       "KELO3032 'trade' is not a known permission @3:3"},
      {"permissions {\n  trade\n}\n",
       "KELO3030 A file starts with bot, indicator, library or script, then its name @1:1\n"
       "KELO3032 'trade' is not a known permission @2:3"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(diagnostics_text(compile_fixed(row.source)), row.expected) << row.source;
  }
}

TEST(ProgramPass, GlobalsDeclaredTwice) {
  struct Row {
    const char* source;
    const char* expected;
  };
  const Row rows[] = {
      {"script \"S\"\ninput int len = 14\nlet len = 3\n", "KELO3037 'len' is declared twice @3:1"},
      {"script \"S\"\nbuffer b\nvar b = 1\n", "KELO3037 'b' is declared twice @3:1"},
      {"script \"S\"\nlet x = 1\nvar x = 2\n", "KELO3037 'x' is declared twice @3:1"},
      {"script \"S\"\nlet price: int = \"x\"\n",
       "KELO3001 'price': expected int but found text @2:18"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(diagnostics_text(compile_fixed(row.source)), row.expected) << row.source;
  }
  // The second initial value still goes into the first global's slot.
  const auto out = compile_fixed("script \"S\"\nlet x = 1\nvar x = 2\n");
  EXPECT_EQ(ops(out, "<main>"),
            "Const Int(1); SetGlobal 0; Pop; Const Int(2); SetGlobal 0; Pop; Halt");
  EXPECT_EQ(out.image.global_count, 1);
}

TEST(ProgramPass, UntypedGlobalsTakeTheirValueType) {
  // Function bodies see `any` (the value's type only chooses their method calls); main
  // and the code after main see the initial value's type.
  const auto out = compile_fixed(
      "indicator \"I\"\nlet n = 5\nlet s = \"x\"\nfn f() { let a: text = n }\n"
      "plot s - 1 { title: \"N\" }\n");
  EXPECT_EQ(diagnostics_text(out), "KELO3005 Arithmetic needs numbers, found text @5:6");
  const auto typed = compile_fixed("script \"S\"\nlet n = 5\nlet m: text = n\n");
  EXPECT_EQ(messages(typed), "KELO3001 'm': expected text but found int");
}

TEST(Handlers, CheckedAgainstTheProgramKind) {
  struct Row {
    const char* source;
    const char* expected;
  };
  const Row rows[] = {
      {"indicator \"I\"\nfn onTick() {}\nfn onCalculate() {}\n",
       "KELO3039 A indicator does not receive onTick. It receives: onInit, onDeinit, "
       "onCalculate, onChartEvent @2:1"},
      {"library \"L\"\nfn onInit() {}\n",
       "KELO3039 A library does not receive onInit. It receives:  @2:1"},
      {"bot \"B\"\nfn onInit() -> bool { return true }\nfn onBar() {}\n",
       "KELO3040 onInit returns status. Use status.ok or status.failed(reason). @2:1"},
      {"bot \"B\"\nfn onInit() -> status { return status.ok }\n",
       "KELO3041 This bot has no onTick, onBar, onTimer or onWebhook, so it will never act @1:1"},
      {"bot \"B\"\nfn onInit() {}\nfn onBar() {}\n", ""},
      {"indicator \"I\"\nfn onInit() {}\n",
       "KELO3042 This indicator has no plot and no onCalculate, so it will draw nothing @1:1"},
      {"script \"S\"\nfn onStart() {}\nfn onInit() {}\nfn onDeinit() {}\n", ""},
      {"script \"S\"\nfn onStartup() {}\nfn OnTick() {}\nfn on() {}\n", ""},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(diagnostics_text(compile_fixed(row.source)), row.expected) << row.source;
  }
  // A library still lists the handler; two handlers of one name share the later slot.
  auto out = compile_fixed("library \"L\"\nfn onInit() {}\n");
  EXPECT_EQ(out.image.event(bc::EventKind::OnInit), 0);
  out = compile_fixed("bot \"B\"\nfn onTick() {}\nfn onTick() { 1 }\n");
  const std::vector<bc::EventEntry> events = {{bc::EventKind::OnTick, 1},
                                              {bc::EventKind::OnTick, 1}};
  EXPECT_EQ(out.image.events, events);
  EXPECT_EQ(ops(out, "onTick"), "Const Int(1); Pop; ReturnNothing");
}

TEST(Plots, PropertiesAndTitles) {
  const auto out = compile_fixed(
      "indicator \"I\"\nplot close\nplot open { width: \"wide\", color: 5, thickness: 3 }\n"
      "plot named = high { title: \"H\" }\nplot low { style: histogram, panel: \"lower\", "
      "width: 2.5, color: #ff0000 }\n");
  EXPECT_EQ(messages(out), "");
  ASSERT_EQ(out.image.plots.size(), 4u);
  EXPECT_EQ(out.image.plots[0].title, "Plot 1");
  EXPECT_EQ(out.image.plots[1].title, "Plot 2");
  EXPECT_EQ(out.image.plots[1].width, 1.4);
  EXPECT_EQ(out.image.plots[1].color, 0x3D7BF5FFu);
  EXPECT_EQ(out.image.plots[2].title, "H");
  EXPECT_EQ(out.image.plots[3].title, "Plot 4");
  EXPECT_EQ(out.image.plots[3].style, "histogram");
  EXPECT_EQ(out.image.plots[3].panel, "lower");
  EXPECT_EQ(out.image.plots[3].width, 2.5);
  EXPECT_EQ(out.image.plots[3].color, 0xFF0000FFu);
}

TEST(Panels, CompileIntoPanelFunctions) {
  const auto out = compile_fixed("indicator \"I\"\nplot close\npanel \"Stats\" { let a = 1 }\n");
  EXPECT_EQ(messages(out), "");
  ASSERT_EQ(out.image.panels.size(), 1u);
  EXPECT_EQ(out.image.panels[0].title, "Stats");
  EXPECT_EQ(out.image.functions[out.image.panels[0].function].name, "<panel>");
  EXPECT_EQ(ops(out, "<panel>"), "Const Int(1); SetLocal 0; Pop; ReturnNothing");
}

TEST(EndToEnd, GoldenCrossSample) {
  const char* source =
      "bot \"Golden Cross\" {\n"
      "  version     \"1.0.0\"\n"
      "  author      \"Wexo\"\n"
      "  description \"Buys when a fast EMA crosses above a slow one.\"\n"
      "  timeframes  M15, H1\n"
      "}\n"
      "\n"
      "input group \"Signal\"\n"
      "input int fast = 20 { label: \"Fast EMA\", min: 2, max: 200 }\n"
      "input int slow = 60 { label: \"Slow EMA\", min: 5, max: 400 }\n"
      "\n"
      "input group \"Risk\"\n"
      "input lots volume   = 0.10 { min: 0.01, max: 10, step: 0.01 }\n"
      "input int  stopPips = 45   { label: \"Stop loss (pips)\", min: 5, max: 500 }\n"
      "input int  takePips = 110  { label: \"Take profit (pips)\", min: 5, max: 900 }\n"
      "\n"
      "let quick  = ema(close, fast)\n"
      "let steady = ema(close, slow)\n"
      "let signal = crossesOver(quick, steady)\n"
      "\n"
      "fn onInit() -> status {\n"
      "  log.info(\"Golden Cross ready on \" + symbol.name)\n"
      "  return status.ok\n"
      "}\n"
      "\n"
      "fn onBar() {\n"
      "  guard positions.count() == 0 else { return }\n"
      "  if !signal[0] { return }\n"
      "\n"
      "  trade.buy(volume,\n"
      "    sl: symbol.ask - stopPips * symbol.pip,\n"
      "    tp: symbol.ask + takePips * symbol.pip,\n"
      "    comment: \"cross up\")\n"
      "}";
  const auto out = compile_fixed(source);
  EXPECT_EQ(diagnostics_text(out), "");
  ASSERT_EQ(out.schema.groups.size(), 2u);
  EXPECT_EQ(out.schema.groups[0].id, "signal");
  EXPECT_EQ(out.schema.groups[1].id, "risk");
  ASSERT_EQ(out.schema.inputs.size(), 5u);
  for (std::uint16_t i = 0; i < 5; ++i) EXPECT_EQ(out.schema.inputs[i].global, i);
  const std::vector<std::string> globals = {"fast",  "slow",  "volume", "stopPips",
                                            "takePips", "quick", "steady", "signal"};
  EXPECT_EQ(out.image.global_names, globals);
  EXPECT_EQ(out.image.global_count, 8);
  const std::vector<std::string> names = {"onInit", "onBar", "<inputs>", "<main>"};
  EXPECT_EQ(function_names(out), names);
  const std::vector<bc::EventEntry> events = {{bc::EventKind::OnInit, 0},
                                              {bc::EventKind::OnBar, 1}};
  EXPECT_EQ(out.image.events, events);
  EXPECT_EQ(out.manifest.id, "wexo.golden-cross");
  const std::vector<std::string> timeframes = {"M15", "H1"};
  EXPECT_EQ(out.manifest.timeframes, timeframes);
  const std::vector<std::string> manifest_events = {"onBar", "onInit"};
  EXPECT_EQ(out.manifest.events, manifest_events);
}

TEST(EndToEnd, Templates) {
  const char* sources[] = {
      "bot \"New Bot\" {\n  version \"1.0.0\"\n  author  \"Wexo\"\n}\n\n"
      "input lots volume = 0.10 { min: 0.01, step: 0.01 }\n\nfn onBar() {\n"
      "  guard positions.count() == 0 else { return }\n}",
      "indicator \"New Indicator\" { panel: overlay }\n\n"
      "input int length = 21 { label: \"Length\", min: 2, max: 400 }\n\n"
      "plot ema(close, length) { title: \"EMA\", color: #3d7bf5 }",
      "library \"Helpers\" { version \"1.0.0\" }\n\n"
      "pub fn positionSize(percent: num, stopPips: int) -> lots {\n"
      "  let riskMoney = account.equity * percent / 100\n"
      "  let perPip = symbol.tickValue * (symbol.pip / symbol.tickSize)\n"
      "  return lots(riskMoney / (stopPips * perPip))\n}",
  };
  for (const char* source : sources) {
    EXPECT_EQ(diagnostics_text(compile_fixed(source)), "") << source;
  }
}

}  // namespace
}  // namespace kelo_compile
