// The report of a finished backtest as kelo_backtest's success reply.
#pragma once

#include <string>

#include "backtest/report.h"
#include "interface/reply.h"

namespace kelo {

// The success reply of a finished run, written in place.
ReplyWriter report_reply(const kelo_vm::backtest::Report& report);
// The same reply as a string.
std::string report_json(const kelo_vm::backtest::Report& report);

}  // namespace kelo
