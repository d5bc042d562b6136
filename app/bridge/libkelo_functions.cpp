#include "bridge/engine_functions.h"

namespace zx::bridge {

const EngineFunctions& libkelo() {
  static constexpr EngineFunctions functions{
      &kelo_check,    &kelo_inputs, &kelo_build,   &kelo_backtest,    &kelo_completions,
      &kelo_describe, &kelo_tokens, &kelo_version, &kelo_string_free,
  };
  return functions;
}

}  // namespace zx::bridge
