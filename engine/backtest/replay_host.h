// The host of a backtest: it stands where a live trading terminal would, answering every
// host call of the running program against the simulated account, the replayed bars,
// the bot's journal and its key-value store.
//
// Calls that only make sense on a live terminal (drawing, sound, timers, chart text) are
// accepted and do nothing; names outside the table fail. Every bar counts as one minute
// whatever the real spacing of the bar times.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "backtest/account.h"
#include "backtest/random_sequence.h"
#include "backtest/report.h"
#include "vm/host.h"
#include "vm/runtime_error.h"
#include "vm/value.h"

namespace kelo_vm::backtest {

inline constexpr int64_t kDefaultMagic = 770001;

class ReplayHost final : public host::Host {
 public:
  // `spread` is in price units: the symbol's point times its spread in points.
  ReplayHost(host::Bars bars, host::SymbolSpec symbol, double balance, double spread);

  uint8_t capability() override { return 2; }
  const host::Bars& bars() override { return account_.bars(); }
  size_t bar_index() override { return account_.bar_index(); }
  bool is_new_bar() override { return new_bar_; }
  const host::SymbolSpec& symbol() override { return account_.symbol(); }
  int64_t now() override { return account_.time(); }
  // A failure carries line 1; the interpreter makes it line 0.
  Result<Value> call(std::string_view name, std::span<const Value> args) override;
  void log(std::string_view level, std::string_view message) override;

  Account& account() { return account_; }
  const Account& account() const { return account_; }
  void set_bar_index(size_t index) { account_.set_bar_index(index); }
  void set_new_bar(bool value) { new_bar_ = value; }
  int64_t magic() const { return magic_; }
  // The run's random numbers (rand, randInt, seed).
  RandomSequence& random() { return random_; }

  // Whether a journal line of `bytes` fits the thread's heap meter; the lines kept are
  // charged to it (a line past the journal's cap is only counted and needs nothing).
  bool room_to_log(size_t bytes) const;
  // Whether the journal still keeps lines (below its line and byte caps).
  bool journal_open() const { return journal_.accepts(0); }
  // The journal as kept so far (at most kMaxJournalLines lines).
  const std::vector<JournalLine>& journal() const { return journal_.items(); }
  uint64_t journal_dropped() const { return journal_.dropped(); }
  // The journal for the report: the last line says how many were dropped, if any.
  std::vector<JournalLine> take_journal();

  const MapItems& store() const { return store_; }
  // Stores a value; a new key is charged to the thread's heap meter and refused (nothing
  // changes) when it would pass the limit.
  Outcome store_set(std::string_view key, Value v);
  bool store_erase(std::string_view key);

  // The names the call table answers, and the calls answered outside it: drawing and
  // plot calls, which do nothing here.
  static std::vector<std::string_view> call_names();
  static bool answers_without_effect(std::string_view name);

  // The "Position" record of an open position, valued now.
  Value position_record(const OpenPosition& p) const;
  // The "TradeResult" record a trade call answers.
  static Value trade_result(bool ok, int64_t ticket, std::string_view message, double price,
                            double volume);

 private:
  using Handler = Result<Value> (*)(ReplayHost&, std::string_view, std::span<const Value>);
  // Moves the journal's charge to what it holds now.
  void settle_journal_charge();
  // The last rows found, by the address of the name asked for: a script asks for the
  // same few names on every bar, and this spares hashing them.
  struct Recent {
    std::string_view name;  // the table's own key
    Handler handler = nullptr;
  };

  Account account_;
  std::array<Recent, 8> recent_{};
  Bounded<JournalLine> journal_{kMaxJournalLines, kMaxJournalBytes};
  MapItems store_;  // one map serves the store and the globals calls
  heap::Charge store_charge_;
  heap::Charge journal_charge_;  // the lines kept, their texts and the list's storage
  uint64_t journal_text_bytes_ = 0;  // the kept lines' own text allocations
  int64_t magic_ = kDefaultMagic;
  RandomSequence random_;
  bool new_bar_ = true;
};

// The symbol as a caller passes it: a field counts as given when it is a finite number
// above zero (digits: 1 to 15); everything else keeps the default.
struct SymbolFields {
  std::string name;  // empty keeps "EURUSD"
  int64_t digits = 0;
  double tick_size = 0.0;
  double tick_value = 0.0;
  double contract_size = 0.0;
  double volume_min = 0.0;
  double volume_max = 0.0;
  double volume_step = 0.0;
  double conversion = 0.0;
  double spread_points = 0.0;
};

struct SymbolSetup {
  host::SymbolSpec spec;
  double spread_points = 10.0;
  // The spread in price units: point times spread points.
  double spread_price() const { return spec.point * spread_points; }
};

inline constexpr int64_t kMaxDigits = 15;
inline constexpr double kDefaultSpreadPoints = 10.0;

SymbolSetup symbol_setup(const SymbolFields& fields);

}  // namespace kelo_vm::backtest
