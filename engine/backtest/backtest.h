// The backtest driver: loads a compiled bot into one interpreter, replays the bars
// through its event handlers against the replay host, samples equity after every bar,
// closes what is still open at the end and hands back the report.
#pragma once

#include <cstddef>
#include <memory>

#include "backtest/replay_host.h"
#include "backtest/report.h"
#include "vm/bytecode.h"
#include "vm/dispatch.h"

namespace kelo_vm::backtest {

class Backtest {
 public:
  // `builtins` must outlive the run. `warm_up` leading bars run no handler.
  Backtest(ReplayHost host, std::shared_ptr<const bytecode::Image> image, size_t warm_up,
           const Builtins& builtins);

  // Consumes the backtest. Never fails as a whole: every failure of the program is
  // recorded in the report's errors. The bars and every series column are freed with it.
  Report run() &&;

 private:
  ReplayHost host_;
  std::shared_ptr<const bytecode::Image> image_;
  size_t warm_up_;
  const Builtins& builtins_;
};

}  // namespace kelo_vm::backtest
