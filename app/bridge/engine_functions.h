// The engine's exported functions as one table, so that the calls can run against
// libkelo or, in tests, against stand-ins that record what they were given.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kelo.h"

namespace zx::bridge {

struct EngineFunctions {
  char* (*check)(const char* source, const char* fileName) noexcept;
  char* (*inputs)(const char* source, const char* fileName) noexcept;
  char* (*build)(const char* source, const char* fileName, const char* outputPath) noexcept;
  char* (*backtest)(const char* source, const char* fileName, const std::int64_t* times,
                    const double* open, const double* high, const double* low, const double* close,
                    const double* volume, std::size_t count, std::int64_t warmup,
                    const KeloSymbol* spec, double balance) noexcept;
  char* (*completions)(const char* prefix) noexcept;
  char* (*describe)(const char* name) noexcept;
  char* (*tokens)(const char* source) noexcept;
  char* (*version)() noexcept;
  void (*stringFree)(char* text) noexcept;
};

// The functions of libkelo.
const EngineFunctions& libkelo();

}  // namespace zx::bridge
