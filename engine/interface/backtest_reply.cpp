// kelo_backtest: compile the bot, set up the replay, run it and write the report.
#include "interface/backtest_reply.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "backtest/backtest.h"
#include "backtest/replay_host.h"
#include "backtest/synthetic_bars.h"
#include "builtins/standard_builtins.h"
#include "compile/compiler.h"
#include "interface/json_text.h"
#include "interface/replies.h"
#include "interface/reply.h"
#include "interface/symbol_spec.h"

namespace kelo {

namespace bt = kelo_vm::backtest;

namespace {

void append_trade(std::string& out, const bt::ClosedTrade& t) {
  out += "{\"ticket\":";
  append_integer(out, t.ticket);
  out += ",\"side\":\"";
  out += bt::side_name(t.side);
  out += "\",\"volume\":";
  append_number(out, t.volume);
  out += ",\"openPrice\":";
  append_number(out, t.open_price);
  out += ",\"closePrice\":";
  append_number(out, t.close_price);
  out += ",\"openTime\":";
  append_integer(out, t.open_time);
  out += ",\"closeTime\":";
  append_integer(out, t.close_time);
  out += ",\"profit\":";
  append_number(out, t.profit);
  out += ",\"reason\":";
  append_quoted(out, t.reason);
  out += '}';
}

void append_journal_line(std::string& out, const bt::JournalLine& line) {
  out += "{\"bar\":";
  append_unsigned(out, line.bar);
  out += ",\"time\":";
  append_integer(out, line.time);
  out += ",\"level\":";
  append_quoted(out, line.level);
  out += ",\"message\":";
  append_quoted(out, line.message);
  out += '}';
}

// Pieces are written to a small text that moves into the reply whenever it fills, so the
// long lists are written once, in place, and never held twice.
class ChunkedText {
 public:
  explicit ChunkedText(ReplyWriter& reply) : reply_(reply) { text_.reserve(kChunk + 512); }
  std::string& text() { return text_; }
  // After each piece: passes the text on once it holds a chunk.
  void piece_done() {
    if (text_.size() >= kChunk) flush();
  }
  void flush() {
    reply_.append(text_);
    text_.clear();
  }

 private:
  static constexpr std::size_t kChunk = std::size_t{1} << 16;
  ReplyWriter& reply_;
  std::string text_;
};

template <class T, class Write>
void append_list(ChunkedText& chunks, const std::vector<T>& items, Write write) {
  std::string& out = chunks.text();
  out += '[';
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += ',';
    write(out, items[i]);
    chunks.piece_done();
  }
  out += ']';
}

// Most samples repeat the one before bit for bit: such a sample copies the text written
// last instead of converting the number again.
void append_equity(ChunkedText& chunks, const bt::EquitySamples& equity) {
  std::string& out = chunks.text();
  out += '[';
  std::string last;
  for (auto it = equity.begin(); it != equity.end(); ++it) {
    if (it != equity.begin()) out += ',';
    if (it.repeats()) {
      out += last;
    } else {
      const std::size_t at = out.size();
      append_number(out, *it);
      last.assign(out, at);
    }
    chunks.piece_done();
  }
  out += ']';
}

// Close to the reply's length for a typical run; a longer reply grows past it, and room
// left unwritten is handed back.
std::size_t estimated_length(const bt::Report& report) {
  std::size_t bytes = 512 + report.equity.size() * 24 + report.trades.size() * 200;
  for (const bt::JournalLine& line : report.journal)
    bytes += 64 + line.level.size() + line.message.size();
  for (const std::string& error : report.errors) bytes += 4 + error.size();
  return bytes;
}

}  // namespace

ReplyWriter report_reply(const bt::Report& report) {
  ReplyWriter reply(estimated_length(report));
  ChunkedText chunks(reply);
  std::string& out = chunks.text();
  out += "{\"ok\":true,\"startingBalance\":";
  append_number(out, report.starting_balance);
  out += ",\"endingBalance\":";
  append_number(out, report.ending_balance);
  out += ",\"netProfit\":";
  append_number(out, report.ending_balance - report.starting_balance);
  out += ",\"wins\":";
  append_unsigned(out, report.wins);
  out += ",\"losses\":";
  append_unsigned(out, report.losses);
  out += ",\"winRate\":";
  append_number(out, report.win_rate());
  out += ",\"profitFactor\":";
  const double profit_factor = report.profit_factor();
  append_number(out, std::isfinite(profit_factor) ? profit_factor : -1.0);
  out += ",\"maxDrawdown\":";
  append_number(out, report.max_drawdown);
  out += ",\"trades\":";
  append_list(chunks, report.trades, append_trade);
  out += ",\"journal\":";
  append_list(chunks, report.journal, append_journal_line);
  out += ",\"equity\":";
  append_equity(chunks, report.equity);
  out += ",\"errors\":";
  append_list(chunks, report.errors,
              [](std::string& o, const std::string& e) { append_quoted(o, e); });
  out += '}';
  chunks.flush();
  return reply;
}

std::string report_json(const bt::Report& report) {
  return std::string(report_reply(report).text());
}

ReplyWriter backtest_reply(std::string_view source, std::string_view file_name,
                           const bt::PriceColumns& prices, std::int64_t warmup,
                           const KeloSymbol* spec, double balance) {
  kelo_compile::CompileOutput output = kelo_compile::compile(source, file_name);
  if (output.diagnostics.has_errors()) {
    ReplyWriter failure;
    failure.append(failure_reply(output.diagnostics.render_all()));
    return failure;
  }

  const SymbolConversion symbol = symbol_spec(spec);
  const double spread = symbol.spread_price();
  bt::ReplayHost host(bt::price_bars(prices, spread), symbol.spec, balance, spread);
  auto image = std::make_shared<const kelo_vm::bytecode::Image>(std::move(output.image));
  // A negative warm-up read as unsigned is past every bar: nothing is replayed.
  const auto warm_up = static_cast<std::size_t>(static_cast<std::uint64_t>(warmup));
  const kelo_vm::builtins::StandardBuiltins builtins;
  bt::Report report = bt::Backtest(std::move(host), image, warm_up, builtins).run();
  return report_reply(report);
}

}  // namespace kelo
