// The nine exported functions. Each reads its arguments leniently, does its work
// through the kelo library and hands back a malloc'd reply; nothing unwinds out.
#include "interface/json_text.h"
#include "interface/replies.h"
#include "interface/reply.h"
#include "kelo.h"

namespace {

// A failure reply that carries the text of the internal error.
std::string error_reply(const std::exception* e) {
  return kelo::failure_reply(kelo::internal_error(e));
}

// A fixed failure reply.
struct Fixed {
  std::string_view text;
  std::string operator()(const std::exception*) const { return std::string(text); }
};

}  // namespace

extern "C" {

KELO_API char* kelo_check(const char* source, const char* file_name) noexcept {
  return kelo::guarded(
      [&] { return kelo::check_reply(kelo::read_text(source), kelo::read_text(file_name)); },
      Fixed{kelo::kCheckFailure});
}

KELO_API char* kelo_inputs(const char* source, const char* file_name) noexcept {
  return kelo::guarded(
      [&] { return kelo::inputs_reply(kelo::read_text(source), kelo::read_text(file_name)); },
      Fixed{kelo::kInputsFailure});
}

KELO_API char* kelo_build(const char* source, const char* file_name,
                          const char* output_path) noexcept {
  return kelo::guarded(
      [&] {
        return kelo::build_reply(kelo::read_text(source), kelo::read_text(file_name),
                                 kelo::read_text(output_path));
      },
      error_reply);
}

KELO_API char* kelo_backtest(const char* source, const char* file_name, const int64_t* times,
                             const double* open, const double* high, const double* low,
                             const double* close, const double* volume, size_t count,
                             int64_t warmup, const KeloSymbol* spec, double balance) noexcept {
  return kelo::guarded(
      [&] {
        const kelo_vm::backtest::PriceColumns prices{times, open, high, low, close, volume, count};
        return kelo::backtest_reply(kelo::read_text(source), kelo::read_text(file_name), prices,
                                    warmup, spec, balance);
      },
      error_reply);
}

KELO_API char* kelo_completions(const char* prefix) noexcept {
  return kelo::guarded([&] { return kelo::completions_reply(kelo::read_text(prefix)); },
                       Fixed{kelo::kCompletionsFailure});
}

KELO_API char* kelo_describe(const char* name) noexcept {
  return kelo::guarded([&] { return kelo::describe_reply(kelo::read_text(name)); },
                       Fixed{kelo::kDescribeFailure});
}

KELO_API char* kelo_tokens(const char* source) noexcept {
  return kelo::guarded([&] { return kelo::tokens_reply(kelo::read_text(source)); },
                       Fixed{kelo::kTokensFailure});
}

KELO_API char* kelo_version(void) noexcept { return kelo::to_reply(kelo::kVersion); }

KELO_API void kelo_string_free(char* text) noexcept { kelo::release_reply(text); }

}  // extern "C"
