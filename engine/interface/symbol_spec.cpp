#include "interface/symbol_spec.h"

#include "interface/json_text.h"

namespace kelo {

SymbolConversion symbol_spec(const KeloSymbol* symbol) {
  if (symbol == nullptr) return SymbolConversion{};
  kelo_vm::backtest::SymbolFields fields;
  fields.name = read_text(symbol->name);
  fields.digits = symbol->digits;
  fields.tick_size = symbol->tickSize;
  fields.tick_value = symbol->tickValue;
  fields.contract_size = symbol->contractSize;
  fields.volume_min = symbol->volumeMin;
  fields.volume_max = symbol->volumeMax;
  fields.volume_step = symbol->volumeStep;
  fields.conversion = symbol->conversion;
  fields.spread_points = symbol->spreadPoints;
  return kelo_vm::backtest::symbol_setup(fields);
}

}  // namespace kelo
