/* The Kelo engine's exported interface.
 *
 * Every text argument is a NUL-terminated UTF-8 string (a null pointer reads as the
 * empty text; invalid UTF-8 is read leniently). Every function but kelo_string_free
 * returns a newly allocated NUL-terminated text, never a null pointer, which the
 * caller owns until it hands it back to kelo_string_free. Failures travel inside the
 * JSON replies; nothing unwinds across this interface. Calls share no state but a
 * read-only table built on first use, so they may run on several threads at once. */
#ifndef KELO_H
#define KELO_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(KELO_BUILDING_LIBRARY)
#define KELO_API __attribute__((visibility("default")))
#else
#define KELO_API
#endif

/* No call ever throws; C++ callers may rely on it. */
#ifdef __cplusplus
#define KELO_NOEXCEPT noexcept
#else
#define KELO_NOEXCEPT
#endif

/* The traded symbol of a backtest: ten fields of 8 bytes, in this order. */
typedef struct KeloSymbol {
  const char* name;
  int64_t digits;
  double tickSize;
  double tickValue;
  double contractSize;
  double volumeMin;
  double volumeMax;
  double volumeStep;
  double conversion;
  double spreadPoints;
} KeloSymbol;

KELO_API char* kelo_check(const char* source, const char* file_name) KELO_NOEXCEPT;
KELO_API char* kelo_inputs(const char* source, const char* file_name) KELO_NOEXCEPT;
KELO_API char* kelo_build(const char* source, const char* file_name,
                          const char* output_path) KELO_NOEXCEPT;
KELO_API char* kelo_backtest(const char* source, const char* file_name, const int64_t* times,
                             const double* open, const double* high, const double* low,
                             const double* close, const double* volume, size_t count,
                             int64_t warmup, const KeloSymbol* spec,
                             double balance) KELO_NOEXCEPT;
KELO_API char* kelo_completions(const char* prefix) KELO_NOEXCEPT;
KELO_API char* kelo_describe(const char* name) KELO_NOEXCEPT;
KELO_API char* kelo_tokens(const char* source) KELO_NOEXCEPT;
KELO_API char* kelo_version(void) KELO_NOEXCEPT;
KELO_API void kelo_string_free(char* text) KELO_NOEXCEPT;

#ifdef __cplusplus
} /* extern "C" */

static_assert(sizeof(KeloSymbol) == 80, "KeloSymbol is ten 8-byte fields");
static_assert(offsetof(KeloSymbol, digits) == 8, "digits follows the name pointer");
static_assert(offsetof(KeloSymbol, tickSize) == 16, "the eight doubles start at 16");
static_assert(offsetof(KeloSymbol, spreadPoints) == 72, "spreadPoints is the last field");
#endif

#endif /* KELO_H */
