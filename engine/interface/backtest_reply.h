// The report of a finished backtest as kelo_backtest's success reply.
#pragma once

#include <string>

#include "vm/report.h"

namespace kelo {

// The success reply of a finished run.
std::string report_json(const kelo_vm::backtest::Report& report);

}  // namespace kelo
