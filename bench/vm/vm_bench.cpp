// The interpreter against Lua 5.4 on the same six programs: kelo/<name>.kelo compiled
// once and its `bench` function run by a Vm with the standard built-ins, and
// lua/<name>.lua run by `lua5.4` as a whole process. Both print or return one number,
// which must agree (else the benchmark reports an error).
//
// The reported time is the Kelo run's. Counters: kelo_ms and lua_ms (per run; Lua's with
// its start-up, measured on an empty script, taken off), ratio = Kelo time / Lua time,
// and ops = instructions per second.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "compile/compiler.h"
#include "vm/host.h"
#include "vm/interpreter.h"
#include "vm/series_builtins.h"

namespace {

using namespace kelo_vm;
using Clock = std::chrono::steady_clock;

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// A host with no bars: the programs only compute.
class QuietHost : public host::Host {
 public:
  uint8_t capability() override { return 0; }
  const host::Bars& bars() override { return bars_; }
  size_t bar_index() override { return 0; }
  bool is_new_bar() override { return false; }
  const host::SymbolSpec& symbol() override { return spec_; }
  int64_t now() override { return 0; }
  Result<Value> call(std::string_view name, std::span<const Value>) override {
    return RuntimeError{"no host call expected: " + std::string(name), 0};
  }
  void log(std::string_view, std::string_view) override {}

 private:
  host::Bars bars_;
  host::SymbolSpec spec_;
};

struct LuaRun {
  double seconds = 0;
  std::optional<double> result;  // the number the script printed
};

// Runs `lua5.4 script` through the shell and reads the number it prints.
LuaRun run_lua(const std::string& script) {
  const std::string command = "lua5.4 '" + script + "' 2>/dev/null";
  LuaRun run;
  const auto start = Clock::now();
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return run;
  std::string out;
  char buffer[256];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
  const int status = ::pclose(pipe);
  run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (status != 0) return run;
  char* end = nullptr;
  const double v = std::strtod(out.c_str(), &end);
  if (end != out.c_str()) run.result = v;
  return run;
}

// Start-up of the interpreter and the shell: the fastest of a few empty runs.
double lua_startup() {
  static const double startup = [] {
    double best = 1e9;
    for (int i = 0; i < 5; ++i)
      best = std::min(best, run_lua(KELO_BENCH_VM_DIR "/lua/empty.lua").seconds);
    return best;
  }();
  return startup;
}

bool same_number(double a, double b) {
  return std::fabs(a - b) <= 1e-12 * std::max(std::fabs(a), std::fabs(b));
}

void VsLua(benchmark::State& state, const char* name) {
  const std::string dir = KELO_BENCH_VM_DIR;
  const std::string source = read_file(dir + "/kelo/" + name + ".kelo");
  kelo_compile::CompileOutput out = kelo_compile::compile(source, std::string(name) + ".kelo");
  if (source.empty() || out.diagnostics.has_errors()) {
    state.SkipWithError("the Kelo program does not compile");
    return;
  }
  auto image = std::make_shared<const bytecode::Image>(std::move(out.image));
  std::optional<uint16_t> bench;
  for (size_t i = 0; i < image->functions.size(); ++i)
    if (image->functions[i].name == "bench") bench = static_cast<uint16_t>(i);
  if (!bench) {
    state.SkipWithError("the Kelo program has no bench function");
    return;
  }
  StandardBuiltins builtins;
  QuietHost host;
  VmOptions options;
  options.budget = ~uint64_t{0};
  Vm vm(image, builtins, options);
  const std::string script = dir + "/lua/" + name + ".lua";
  const double startup = lua_startup();

  double kelo_total = 0, lua_total = 0;
  uint64_t ops = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    Result<Value> r = vm.run(*bench, {}, host);
    const double kelo = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(kelo);
    ops += vm.steps();
    const LuaRun lua = run_lua(script);
    const auto kelo_number = r.ok() ? numeric_view(r.value()) : std::nullopt;
    if (!kelo_number || !lua.result || !same_number(*kelo_number, *lua.result)) {
      state.SkipWithError(r.ok() ? "Kelo and Lua disagree (or lua5.4 is missing)"
                                 : ("Kelo failed: " + r.error().message).c_str());
      return;
    }
    kelo_total += kelo;
    lua_total += std::max(lua.seconds - startup, 1e-6);
  }
  const auto runs = static_cast<double>(state.iterations());
  state.counters["kelo_ms"] = 1e3 * kelo_total / runs;
  state.counters["lua_ms"] = 1e3 * lua_total / runs;
  state.counters["ratio"] = kelo_total / lua_total;
  state.counters["ops"] = benchmark::Counter(static_cast<double>(ops) / kelo_total);
}

#define KELO_VS_LUA(name) \
  BENCHMARK_CAPTURE(VsLua, name, #name)->UseManualTime()->Unit(benchmark::kMillisecond)

KELO_VS_LUA(loop);
KELO_VS_LUA(fib);
KELO_VS_LUA(closures);
KELO_VS_LUA(array);
KELO_VS_LUA(text);
KELO_VS_LUA(map);

}  // namespace
