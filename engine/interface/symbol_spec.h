// The traded symbol of a backtest, from the plain structure of the exported interface.
#pragma once

#include "backtest/replay_host.h"
#include "kelo.h"  // engine/include

namespace kelo {

// The engine's symbol and the spread in points.
using SymbolConversion = kelo_vm::backtest::SymbolSetup;

// Every field is used only when "given": above zero and finite (digits: 1 to 15).
// Anything else keeps the default, so a bad field can never make the point, pip or
// spread zero or NaN. A null pointer gives the default symbol and 10 points of spread.
SymbolConversion symbol_spec(const KeloSymbol* symbol);

}  // namespace kelo
