// Checking a large program, as the application does on every pause in typing, against
// `luac5.4 -p` (Lua's parser and code generator, no run) on a Lua file of the same shape.
//
// The Kelo bot and the Lua file are generated block for block: the same inputs, globals,
// functions, loops, conditions, texts and calls, about 10,000 lines each. kelo_check and
// kelo_inputs are timed through the exported interface on the benchmark's thread (CPU
// time); luac runs as a whole process in the same benchmark run, and its user and system
// time less that of `luac5.4 -p` on an empty file (the process start) is its time.
// Counters: kelo_ms and luac_ms per run, and ratio = Kelo time per byte / luac time per
// byte. The stages (lex and parse, compile) are timed alone below for finding where the
// time goes.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "compile/compiler.h"
#include "core/parser.h"
#include "kelo.h"

extern char** environ;

namespace {

constexpr int kLines = 10000;

struct Programs {
  std::string kelo;
  std::string lua;
};

// One block of each language per function, about twelve lines; every fifth block
// declares an input.
Programs generated_programs(int lines) {
  Programs p;
  p.kelo =
      "bot \"Generated\" {\n  version \"1.0.0\"\n  timeframes M15, H1\n}\n\n"
      "input group \"Signal\"\n";
  p.lua = "-- Generated\nlocal version = \"1.0.0\"\ninputs = {}\n\n\n\n";
  int written = 6;
  for (int i = 0; written < lines; ++i) {
    const std::string n = std::to_string(i);
    const std::string k = std::to_string(i % 50 + 2);
    if (i % 5 == 0) {
      p.kelo +=
          "input int len" + n + " = " + k + " { label: \"Length " + n + "\", min: 1, max: 500 }\n";
      p.kelo += "let g" + n + " = ema(close, len" + n + ")\n";
      p.lua += "inputs.len" + n + " = { default = " + k + ", label = \"Length " + n +
               "\", min = 1, max = 500 }\n";
      p.lua += "g" + n + " = ema(close, inputs.len" + n + ".default)\n";
    } else {
      p.kelo += "let w" + n + " = " + k + "\n";
      p.kelo += "let g" + n + " = sma(close, w" + n + ")\n";
      p.lua += "w" + n + " = " + k + "\n";
      p.lua += "g" + n + " = sma(close, w" + n + ")\n";
    }
    p.kelo += "fn f" + n + "(a, b = 2) {\n";
    p.kelo += "  let x = a * " + n + " + b\n";
    p.kelo += "  var s = 0\n";
    p.kelo += "  for v in [1, 2, 3] { s += v }\n";
    p.kelo += "  var i = 0\n";
    p.kelo += "  while i < 3 { i += 1 }\n";
    p.kelo += "  if x > " + n +
              " && close[0] > open[0] { s = s + 1 } else if x < 0 { s -= 2 } else { s -= 1 }\n";
    p.kelo += "  let t = \"label " + n + "\" + text(s)\n";
    p.kelo += "  log.info(t)\n";
    p.kelo += "  return s + x + g" + n + "[0]\n";
    p.kelo += "}\n\n";

    p.lua += "function f" + n + "(a, b)\n";
    p.lua += "  local x = a * " + n + " + (b or 2)\n";
    p.lua += "  local s = 0\n";
    p.lua += "  for _, v in ipairs({1, 2, 3}) do s = s + v end\n";
    p.lua += "  local i = 0\n";
    p.lua += "  while i < 3 do i = i + 1 end\n";
    p.lua +=
        "  if x > " + n +
        " and close[1] > open[1] then s = s + 1 elseif x < 0 then s = s - 2 else s = s - 1 end\n";
    p.lua += "  local t = \"label " + n + "\" .. tostring(s)\n";
    p.lua += "  log.info(t)\n";
    p.lua += "  return s + x + g" + n + "[1]\n";
    p.lua += "end\n\n";
    written += 14;
  }
  p.kelo +=
      "fn onInit() -> status {\n  log.info(\"ready\")\n  return status.ok\n}\n\n"
      "fn onBar() {\n  let r = f0(1) + f1(2, b: 3)\n"
      "  if r > 0 { trade.buy(0.1, comment: \"up\") }\n}\n";
  p.lua +=
      "function onInit()\n  log.info(\"ready\")\n  return status.ok\nend\n\n"
      "function onBar()\n  local r = f0(1) + f1(2, 3)\n"
      "  if r > 0 then trade.buy(0.1, { comment = \"up\" }) end\nend\n";
  return p;
}

const Programs& programs() {
  static const Programs p = generated_programs(kLines);
  return p;
}

double thread_seconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// A file under the temporary folder holding `text`; removed when the process ends.
class TempFile {
 public:
  explicit TempFile(const std::string& text) {
    std::string pattern = "/tmp/kelo_check_bench_XXXXXX.lua";
    const int fd = ::mkstemps(pattern.data(), 4);
    if (fd < 0) return;
    path_ = pattern;
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
      const ssize_t put = ::write(fd, data, left);
      if (put <= 0) break;
      data += put;
      left -= static_cast<std::size_t>(put);
    }
    ::close(fd);
  }
  ~TempFile() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// CPU seconds of `luac5.4 -p file`, or a negative number when it fails.
double run_luac(const std::string& file) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::string program = "luac5.4";
  std::string parse_only = "-p";
  char* argv[] = {program.data(), parse_only.data(), const_cast<char*>(file.c_str()), nullptr};
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, "luac5.4", &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  rusage usage{};
  if (::wait4(pid, &status, 0, &usage) != pid) return -1;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec);
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The process start of luac: the fastest of a few runs on an empty file.
double luac_startup() {
  static const double startup = [] {
    const TempFile empty("");
    double best = 1e9;
    for (int i = 0; i < 10; ++i) {
      const double t = run_luac(empty.path());
      if (t >= 0) best = std::min(best, t);
    }
    return best;
  }();
  return startup;
}

// One exported call, timed on this thread, against one luac run per iteration.
template <typename Call>
void VsLuac(benchmark::State& state, Call call, const char* expected_prefix) {
  const Programs& p = programs();
  const TempFile lua(p.lua);
  const double startup = luac_startup();
  {
    char* reply = call(p.kelo.c_str());
    const bool ok = std::string_view(reply).starts_with(expected_prefix);
    kelo_string_free(reply);
    if (!ok) {
      state.SkipWithError("the generated bot does not check clean");
      return;
    }
  }
  if (lua.path().empty() || run_luac(lua.path()) < 0) {
    state.SkipWithError("luac5.4 is missing or rejects the generated Lua file");
    return;
  }
  double kelo_total = 0, luac_total = 0;
  for (auto _ : state) {
    const double start = thread_seconds();
    char* reply = call(p.kelo.c_str());
    kelo_string_free(reply);
    const double kelo = thread_seconds() - start;
    state.SetIterationTime(kelo);
    kelo_total += kelo;
    luac_total += std::max(run_luac(lua.path()) - startup, 1e-6);
  }
  const auto runs = static_cast<double>(state.iterations());
  const auto kelo_bytes = static_cast<double>(p.kelo.size());
  const auto lua_bytes = static_cast<double>(p.lua.size());
  state.counters["kelo_ms"] = 1e3 * kelo_total / runs;
  state.counters["luac_ms"] = 1e3 * luac_total / runs;
  state.counters["ratio"] = (kelo_total / kelo_bytes) / (luac_total / lua_bytes);
  state.counters["kelo_kB"] = kelo_bytes / 1e3;
  state.counters["lua_kB"] = lua_bytes / 1e3;
}

void BM_KeloCheck(benchmark::State& state) {
  VsLuac(
      state, [](const char* source) { return kelo_check(source, "generated.kelo"); },
      "{\"ok\":true,\"diagnostics\":[]}");
}
BENCHMARK(BM_KeloCheck)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_KeloInputs(benchmark::State& state) {
  VsLuac(
      state, [](const char* source) { return kelo_inputs(source, "generated.kelo"); },
      "{\"ok\":true,");
}
BENCHMARK(BM_KeloInputs)->UseManualTime()->Unit(benchmark::kMillisecond);

// The stages alone, on the same bot.

void BM_Parse(benchmark::State& state) {
  const std::string& source = programs().kelo;
  for (auto _ : state) {
    kelo_core::diag::Diagnostics diagnostics("generated.kelo");
    auto program = kelo_core::parser::parse(source, diagnostics);
    benchmark::DoNotOptimize(program);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(source.size()));
}
BENCHMARK(BM_Parse)->Unit(benchmark::kMillisecond);

void BM_CompileParsed(benchmark::State& state) {
  const std::string& source = programs().kelo;
  kelo_core::diag::Diagnostics parse_diagnostics("generated.kelo");
  const auto program = kelo_core::parser::parse(source, parse_diagnostics);
  kelo_compile::CompileOptions options;
  options.now_seconds = [] { return std::int64_t{0}; };
  for (auto _ : state) {
    auto out = kelo_compile::compile_parsed(program, kelo_core::diag::Diagnostics("generated.kelo"),
                                            options);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_CompileParsed)->Unit(benchmark::kMillisecond);

}  // namespace
