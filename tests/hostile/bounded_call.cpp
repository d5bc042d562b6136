#include "bounded_call.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "kelo.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KELO_HOSTILE_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define KELO_HOSTILE_SANITIZED 1
#endif
#endif

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace kelo_hostile {

bool under_sanitizer() {
#ifdef KELO_HOSTILE_SANITIZED
  return true;
#else
  return false;
#endif
}

namespace {

void write_all(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n <= 0) return;
    text.remove_prefix(static_cast<size_t>(n));
  }
}

}  // namespace

CallOutcome run_in_child(const std::function<std::string()>& call) {
  CallOutcome out;
  int fds[2];
  if (::pipe(fds) != 0) return out;
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return out;
  }
  if (pid == 0) {
    ::close(fds[0]);
    ::alarm(kKillAfterSeconds);
    write_all(fds[1], call());
    ::close(fds[1]);
#if defined(__SANITIZE_ADDRESS__)
    // A leak of the call fails the child; _exit would skip the usual check.
    if (__lsan_do_recoverable_leak_check() != 0) ::_exit(23);
#endif
    ::_exit(0);
  }
  ::close(fds[1]);
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    out.reply.append(buffer, static_cast<size_t>(n));
  }
  ::close(fds[0]);
  struct rusage usage {};
  int status = 0;
  while (::wait4(pid, &status, 0, &usage) < 0) {
  }
  out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  out.wait_status = status;
  out.exited = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  out.peak_mib = usage.ru_maxrss / 1024;
  return out;
}

std::string how_it_ended(const CallOutcome& out) {
  const int status = out.wait_status;
  if (WIFEXITED(status)) return "exited with status " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM) {
    return "hung: killed after " + std::to_string(kKillAfterSeconds) + " s";
  }
  if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
  return "wait status " + std::to_string(status);
}

void report(std::string_view name, const CallOutcome& out) {
  if (std::getenv("KELO_HOSTILE_REPORT") == nullptr) return;
  std::fprintf(stderr, "%8.3f s %6ld MiB %9zu bytes  %.*s\n", out.seconds, out.peak_mib,
               out.reply.size(), static_cast<int>(name.size()), name.data());
}

std::string take(char* reply) {
  std::string text = reply != nullptr ? reply : "<null reply>";
  kelo_string_free(reply);
  return text;
}

std::string backtest(std::string_view source, unsigned bars) {
  std::vector<double> open(bars), high(bars), low(bars), close(bars);
  for (unsigned i = 0; i < bars; ++i) {
    close[i] = 1.1 + 0.002 * std::sin(i / 10.0);
    open[i] = i == 0 ? close[i] : close[i - 1];
    high[i] = std::max(open[i], close[i]) + 0.0003;
    low[i] = std::min(open[i], close[i]) - 0.0003;
  }
  const std::string text(source);
  return take(kelo_backtest(text.c_str(), "hostile.kelo", nullptr, open.data(), high.data(),
                            low.data(), close.data(), nullptr, bars, 0, nullptr, 10000));
}

}  // namespace kelo_hostile
