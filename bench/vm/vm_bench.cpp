// The interpreter against Lua 5.4 on the same six programs: kelo/<name>.kelo compiled
// once and its `bench` function run by a Vm with the standard built-ins, and
// lua/<name>.lua run by `lua5.4` as a whole process. Both print or return one number,
// which must agree (else the benchmark reports an error).
//
// Times are CPU times, so that other work on the machine disturbs them less: the Kelo
// run's thread time, and the Lua process's user and system time less that of an empty
// script (the interpreter's start-up). The reported time is the Kelo run's. Counters:
// kelo_ms and lua_ms per run, ratio = Kelo time / Lua time, ops = instructions per
// second.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "builtins/standard_builtins.h"
#include "compile/compiler.h"
#include "vm/host.h"
#include "vm/interpreter.h"

extern char** environ;

namespace {

using namespace kelo_vm;

double thread_seconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

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

// Runs `lua5.4 script` and reads the number it prints; the time is the process's CPU time.
LuaRun run_lua(const std::string& script) {
  LuaRun run;
  int out[2];
  if (::pipe(out) != 0) return run;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::string program = "lua5.4";
  char* argv[] = {program.data(), const_cast<char*>(script.c_str()), nullptr};
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, "lua5.4", &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  std::string text;
  if (spawned == 0) {
    char buffer[256];
    ssize_t got = 0;
    while ((got = ::read(out[0], buffer, sizeof buffer)) > 0)
      text.append(buffer, static_cast<size_t>(got));
  }
  ::close(out[0]);
  if (spawned != 0) return run;
  int status = 0;
  rusage usage{};
  if (::wait4(pid, &status, 0, &usage) != pid) return run;
  auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec);
  };
  run.seconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return run;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (end != text.c_str()) run.result = v;
  return run;
}

// Start-up of the interpreter: the fastest of a few empty runs.
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
  builtins::StandardBuiltins builtins;
  QuietHost host;
  VmOptions options;
  options.budget = ~uint64_t{0};
  Vm vm(image, builtins, options);
  const std::string script = dir + "/lua/" + name + ".lua";
  const double startup = lua_startup();

  double kelo_total = 0, lua_total = 0;
  uint64_t ops = 0;
  for (auto _ : state) {
    const double start = thread_seconds();
    Result<Value> r = vm.run(*bench, {}, host);
    const double kelo = thread_seconds() - start;
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
