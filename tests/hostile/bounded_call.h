// Runs one engine call in a child process, so that its peak memory and a crash or hang
// are measured apart from the test process and from the other calls.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace kelo_hostile {

struct CallOutcome {
  bool exited = false;  // exited with status 0 (no crash, no kill, no leak report)
  int wait_status = 0;
  std::string reply;
  double seconds = 0;  // for the report only
  long peak_mib = 0;  // the child's peak resident memory
};

// `call` runs in a fork of this process and its result travels back through a pipe. The
// child is killed after kKillAfterSeconds, which only a hang reaches: the engine's step
// budget, memory limit and text cap end every hostile call long before, on any machine.
CallOutcome run_in_child(const std::function<std::string()>& call);
inline constexpr unsigned kKillAfterSeconds = 300;

// Why a child that did not exit cleanly ended, for the failure message.
std::string how_it_ended(const CallOutcome& out);

// True in the ASan/UBSan and TSan builds, whose memory is not the product's.
bool under_sanitizer();

// The engine's own memory limit bounds every hostile call, outside the sanitizer builds.
inline constexpr long kMaxPeakMib = 512;

// Prints the call's time and peak memory when KELO_HOSTILE_REPORT is set: what each case
// costs, which no test bounds.
void report(std::string_view name, const CallOutcome& out);

// The reply of one exported call, copied and released.
std::string take(char* reply);

// kelo_backtest over `bars` one-minute bars of a gentle made-up wave, no warm-up,
// the default symbol and a balance of 10000.
std::string backtest(std::string_view source, unsigned bars);

}  // namespace kelo_hostile
