// The engine's exported calls as the tests of this folder use them: the check's
// diagnostics as text, an input's default, and a backtest's journal and errors on
// hand-made bars.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "json_reader.h"
#include "kelo.h"

namespace kelo_corpus {

inline std::string take(char* reply) {
  std::string text = reply == nullptr ? "" : reply;
  kelo_string_free(reply);
  return text;
}

// kelo_check's diagnostics, one "CODE message @line:column" per line; a reply that does
// not read gives its own text.
inline std::string check_text(const std::string& source) {
  const std::string reply = take(kelo_check(source.c_str(), "t.kelo"));
  const auto json = JsonReader(reply).read();
  if (!json || !json->get("diagnostics")) return "unreadable reply: " + reply;
  std::string text;
  for (const Json& d : json->get("diagnostics")->items) {
    if (!text.empty()) text += '\n';
    text += d.get("code")->text + " " + d.get("message")->text + " @" + d.get("line")->text + ":" +
            d.get("column")->text;
  }
  return text;
}

// Bars of a backtest, oldest first; a bar without its own time follows the one before
// by a minute, the first at 0.
struct Bars {
  std::vector<std::int64_t> times;
  std::vector<double> open, high, low, close;

  void add(double o, double h, double l, double c, std::int64_t time) {
    times.push_back(time);
    open.push_back(o);
    high.push_back(h);
    low.push_back(l);
    close.push_back(c);
  }
  void add(double o, double h, double l, double c) {
    add(o, h, l, c, times.empty() ? 0 : times.back() + 60000);
  }
  // Bars that open, close and range at one price each.
  static Bars closes(std::initializer_list<double> prices) {
    Bars bars;
    for (double p : prices) bars.add(p, p, p, p);
    return bars;
  }
};

struct Replay {
  std::string reply;
  bool ok = false;
  std::vector<std::string> journal;  // "BAR LEVEL: MESSAGE"
  std::vector<std::string> errors;
  Json report;
};

// A backtest on a balance of 10,000 with the default symbol.
inline Replay backtest(const std::string& source, const Bars& bars, std::int64_t warmup = 0) {
  Replay run;
  run.reply = take(kelo_backtest(source.c_str(), "t.kelo", bars.times.data(), bars.open.data(),
                                 bars.high.data(), bars.low.data(), bars.close.data(), nullptr,
                                 bars.close.size(), warmup, nullptr, 10000));
  auto json = JsonReader(run.reply).read();
  if (!json || !json->get("ok")) return run;
  run.ok = json->get("ok")->text == "true";
  if (const Json* journal = json->get("journal")) {
    for (const Json& line : journal->items) {
      run.journal.push_back(line.get("bar")->text + " " + line.get("level")->text + ": " +
                            line.get("message")->text);
    }
  }
  if (const Json* errors = json->get("errors")) {
    for (const Json& error : errors->items) run.errors.push_back(error.text);
  }
  run.report = std::move(*json);
  return run;
}

}  // namespace kelo_corpus
