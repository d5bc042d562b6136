// Throughput of the language front end on a generated 10,000-line program that mixes
// the header, inputs, declarations, functions, loops, matches and expressions.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "core/diag.h"
#include "core/lexer.h"
#include "core/parser.h"

// Every allocation of the process is counted, so each run can report how many the
// front end made per token.
namespace {
std::atomic<std::uint64_t> g_allocations{0};

void* counted_alloc(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t size) { return counted_alloc(size); }
void* operator new[](std::size_t size) { return counted_alloc(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

std::string generate_program(int target_lines) {
  std::string out =
      "bot \"Bench\" {\n  version \"1.0.0\"\n  timeframes M15, H1\n}\n\n"
      "permissions { network \"api.example.com\" }\n"
      "import \"lib/risk.kelolib\" as risk\n\n"
      "input group \"Signal\"\n"
      "input int fast = 20 { label: \"Fast EMA\", min: 2, max: 200 }\n"
      "input lots volume = 0.10 { min: 0.01, step: 0.01 }\n\n";
  int lines = 12;
  for (int i = 0; lines < target_lines; ++i) {
    std::string n = std::to_string(i);
    out += "let quick" + n + " = ema(close, fast + " + n + ") * 1.5 - 2 ** 3 / (4 % 3)\n";
    out += "struct Point" + n + " {\n  x: num\n  y: array<int>?\n}\n";
    out += "enum Side" + n + " { buy, sell, flat }\n";
    out += "fn step" + n + "(a: num, b: int = 2) -> num {\n";
    out += "  var total = 0\n";
    out += "  for i in 0..=b {\n    total += a * i + #3d7bf5 / 255\n  }\n";
    out += "  while total > 100 && !done(\"x" + n + "\") { total -= 10 }\n";
    out +=
        "  if total > 50 { log.info(\"big\", total) } else if total < 0 { return 0 } else {"
        " total = total ?? 1 }\n";
    out += "  let picked = match .buy {\n    .buy => [1, 2, 3]\n    _ => [k: 1]\n  }\n";
    out += "  let f = (x, y) => x * y + 2024.03.01 12:30 - now\n";
    out += "  onTimer.every(5s) { total = total |> clamp(0, 10) }\n";
    out += "  guard total >= 0 else { return -1 }\n";
    out += "  try { risk.check(total, limit: 3) } catch e { log.warn(e) }\n";
    out += "  once { log.info(\"first\") }\n";
    out += "  return total > 10 ? f(total, 2) : -total\n}\n\n";
    lines += 27;
  }
  return out;
}

const std::string& program() {
  static const std::string text = generate_program(10000);
  return text;
}

std::size_t token_count() {
  static const std::size_t count = [] {
    kelo_core::diag::Diagnostics diagnostics("bench.kelo");
    return kelo_core::lexer::lex(program(), diagnostics).size();
  }();
  return count;
}

// Allocations per token and per run since `before`, over `runs` runs.
void report_allocations(benchmark::State& state, std::uint64_t before) {
  const double runs = static_cast<double>(state.iterations());
  const double made = static_cast<double>(g_allocations.load() - before);
  state.counters["tokens"] = static_cast<double>(token_count());
  state.counters["allocs/token"] = made / runs / static_cast<double>(token_count());
}

void BM_LexAndParse(benchmark::State& state) {
  const std::string& source = program();
  token_count();
  const std::uint64_t before = g_allocations.load();
  for (auto _ : state) {
    kelo_core::diag::Diagnostics diagnostics("bench.kelo");
    auto tree = kelo_core::parser::parse(source, diagnostics);
    if (diagnostics.has_errors()) state.SkipWithError(diagnostics.render_all().c_str());
    benchmark::DoNotOptimize(tree);
  }
  report_allocations(state, before);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(source.size()));
}
BENCHMARK(BM_LexAndParse)->Unit(benchmark::kMillisecond);

void BM_LexOnly(benchmark::State& state) {
  const std::string& source = program();
  token_count();
  const std::uint64_t before = g_allocations.load();
  for (auto _ : state) {
    kelo_core::diag::Diagnostics diagnostics("bench.kelo");
    auto tokens = kelo_core::lexer::lex(source, diagnostics);
    benchmark::DoNotOptimize(tokens);
  }
  report_allocations(state, before);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(source.size()));
}
BENCHMARK(BM_LexOnly)->Unit(benchmark::kMillisecond);

void BM_ParseOnly(benchmark::State& state) {
  const std::string& source = program();
  kelo_core::diag::Diagnostics lexed("bench.kelo");
  const auto tokens = kelo_core::lexer::lex(source, lexed);
  token_count();
  std::uint64_t copying = 0;
  const std::uint64_t before = g_allocations.load();
  for (auto _ : state) {
    state.PauseTiming();
    const std::uint64_t start = g_allocations.load();
    auto copy = tokens;
    copying += g_allocations.load() - start;
    state.ResumeTiming();
    kelo_core::diag::Diagnostics diagnostics("bench.kelo");
    kelo_core::parser::Parser parser(std::move(copy), diagnostics);
    auto tree = parser.parse_source_file();
    benchmark::DoNotOptimize(tree);
  }
  report_allocations(state, before + copying);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(source.size()));
}
BENCHMARK(BM_ParseOnly)->Unit(benchmark::kMillisecond);

}  // namespace
