// The work of each exported call, on already-read texts: each returns its JSON reply.
// The exported C functions only read their arguments and hand these texts over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "backtest/synthetic_bars.h"
#include "interface/reply.h"
#include "kelo.h"  // engine/include

namespace kelo_std::registry {
struct Registry;
}

namespace kelo {

inline constexpr std::string_view kVersion = "1.0.0";

std::string check_reply(std::string_view source, std::string_view file_name);
std::string inputs_reply(std::string_view source, std::string_view file_name);
std::string build_reply(std::string_view source, std::string_view file_name,
                        std::string_view output_path);
std::string completions_reply(std::string_view prefix);
// The same walk over a given registry.
std::string completions_reply(const kelo_std::registry::Registry& registry,
                              std::string_view prefix);
std::string describe_reply(std::string_view name);
std::string tokens_reply(std::string_view source);

// `prices` are the caller's arrays, each null or holding `prices.count` entries. The
// reply is long (about 19 bytes per bar), so it is written straight into its malloc'd block.
ReplyWriter backtest_reply(std::string_view source, std::string_view file_name,
                           const kelo_vm::backtest::PriceColumns& prices,
                           std::int64_t warmup,
                           const KeloSymbol* spec, double balance);

}  // namespace kelo
