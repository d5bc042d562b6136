// Lex + parse + compile of generated programs, to keep checking linear in program size.
#include <benchmark/benchmark.h>

#include <string>

#include "compile/compiler.h"
#include "core/parser.h"

namespace {

// About `lines` lines of globals, functions, loops, conditions, texts and host calls.
std::string generated_program(int lines) {
  std::string src = "bot \"Generated\" {\n  version \"1.0.0\"\n}\n";
  int i = 0;
  int written = 3;
  while (written < lines) {
    const std::string n = std::to_string(i);
    src += "let g" + n + " = ema(close, " + std::to_string(i % 50 + 2) + ")\n";
    src += "fn f" + n + "(a, b = 2) {\n";
    src += "  let x = a * " + n + " + b\n";
    src += "  var s = 0\n";
    src += "  for v in [1, 2, 3] { s += v }\n";
    src += "  if x > " + n + " && close > open { s = s + 1 } else { s -= 1 }\n";
    src += "  let t = \"label " + n + "\" + text(s)\n";
    src += "  return s + x + g" + n + "[0]\n";
    src += "}\n";
    written += 9;
    ++i;
  }
  src += "fn onBar() {\n  let r = f0(1)\n}\n";
  return src;
}

void BM_Check(benchmark::State& state) {
  const std::string source = generated_program(static_cast<int>(state.range(0)));
  kelo_compile::CompileOptions options;
  options.now_seconds = [] { return std::int64_t{0}; };
  for (auto _ : state) {
    auto out = kelo_compile::compile(source, "bench.kelo", options);
    if (out.diagnostics.has_errors()) state.SkipWithError("the generated program has errors");
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(source.size()));
}
BENCHMARK(BM_Check)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// The compile alone, on an already parsed tree.
void BM_CompileParsed(benchmark::State& state) {
  const std::string source = generated_program(static_cast<int>(state.range(0)));
  kelo_core::diag::Diagnostics parse_diagnostics("bench.kelo");
  const auto program = kelo_core::parser::parse(source, parse_diagnostics);
  kelo_compile::CompileOptions options;
  options.now_seconds = [] { return std::int64_t{0}; };
  for (auto _ : state) {
    auto out = kelo_compile::compile_parsed(program, kelo_core::diag::Diagnostics("bench.kelo"),
                                            options);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_CompileParsed)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_Parse(benchmark::State& state) {
  const std::string source = generated_program(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    kelo_core::diag::Diagnostics diagnostics("bench.kelo");
    auto program = kelo_core::parser::parse(source, diagnostics);
    benchmark::DoNotOptimize(program);
  }
}
BENCHMARK(BM_Parse)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
