// The texts new documents start with. Lines are joined by "\n" with no final line feed.
#include <QStringList>

#include "model/source_file.h"

namespace zx::model {
namespace {

QString joined(std::initializer_list<const char*> lines) {
  QStringList list;
  for (const char* line : lines) list << QString::fromUtf8(line);
  return list.join(u'\n');
}

}  // namespace

QString SourceFile::templateText(Kind kind) {
  switch (kind) {
    case Kind::bot:
      return joined({
          R"k(bot "New Bot" {)k",
          R"k(  version "1.0.0")k",
          R"k(  author  "Wexo")k",
          R"k(})k",
          R"k()k",
          R"k(input lots volume = 0.10 { min: 0.01, step: 0.01 })k",
          R"k()k",
          R"k(fn onBar() {)k",
          R"k(  guard positions.count() == 0 else { return })k",
          R"k(})k",
      });
    case Kind::indicator:
      return joined({
          R"k(indicator "New Indicator" { panel: overlay })k",
          R"k()k",
          R"k(input int length = 21 { label: "Length", min: 2, max: 400 })k",
          R"k()k",
          R"k(plot ema(close, length) { title: "EMA", color: #3d7bf5 })k",
      });
    case Kind::library:
      return joined({
          R"k(library "Helpers" { version "1.0.0" })k",
          R"k()k",
          R"k(pub fn positionSize(percent: num, stopPips: int) -> lots {)k",
          R"k(  let riskMoney = account.equity * percent / 100)k",
          R"k(  let perPip = symbol.tickValue * (symbol.pip / symbol.tickSize))k",
          R"k(  return lots(riskMoney / (stopPips * perPip)))k",
          R"k(})k",
      });
  }
  return {};
}

QString SourceFile::sampleText() {
  return joined({
      R"k(bot "Golden Cross" {)k",
      R"k(  version     "1.0.0")k",
      R"k(  author      "Wexo")k",
      R"k(  description "Buys when a fast EMA crosses above a slow one.")k",
      R"k(  timeframes  M15, H1)k",
      R"k(})k",
      R"k()k",
      R"k(input group "Signal")k",
      R"k(input int fast = 20 { label: "Fast EMA", min: 2, max: 200 })k",
      R"k(input int slow = 60 { label: "Slow EMA", min: 5, max: 400 })k",
      R"k()k",
      R"k(input group "Risk")k",
      R"k(input lots volume   = 0.10 { min: 0.01, max: 10, step: 0.01 })k",
      R"k(input int  stopPips = 45   { label: "Stop loss (pips)", min: 5, max: 500 })k",
      R"k(input int  takePips = 110  { label: "Take profit (pips)", min: 5, max: 900 })k",
      R"k()k",
      R"k(let quick  = ema(close, fast))k",
      R"k(let steady = ema(close, slow))k",
      R"k(let signal = crossesOver(quick, steady))k",
      R"k()k",
      R"k(fn onInit() -> status {)k",
      R"k(  log.info("Golden Cross ready on " + symbol.name))k",
      R"k(  return status.ok)k",
      R"k(})k",
      R"k()k",
      R"k(fn onBar() {)k",
      R"k(  guard positions.count() == 0 else { return })k",
      R"k(  if !signal[0] { return })k",
      R"k()k",
      R"k(  trade.buy(volume,)k",
      R"k(    sl: symbol.ask - stopPips * symbol.pip,)k",
      R"k(    tp: symbol.ask + takePips * symbol.pip,)k",
      R"k(    comment: "cross up"))k",
      R"k(})k",
  });
}

}  // namespace zx::model
