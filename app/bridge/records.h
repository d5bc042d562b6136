// The records the engine's JSON replies decode into. Each mirrors its JSON by field
// name; `decode` reads one strictly (see decode/strict_json.h): a required key that is
// missing, null or of the wrong type leaves the decoder failed, optional keys may be
// missing or null, keys a record does not read are ignored, numbers are finite (the
// reader refuses any other) and integers exact. `encode` writes the same keys back,
// leaving absent optionals out.
#pragma once

#include <QHashFunctions>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

#include "decode/strict_json.h"

namespace zx::bridge {

// One problem found by a check.
struct Diagnostic {
  QString severity;  // "error" or "warning"
  QString code;      // "KELO" and four digits
  QString message;
  qint64 line = 0;
  qint64 column = 0;
  qint64 endLine = 0;
  qint64 endColumn = 0;  // first column after the range

  bool isError() const { return severity == QStringLiteral("error"); }
  // code-line-column-message; not unique: equal findings of another severity share it.
  QString id() const;
  static Diagnostic decode(decode::Decoder& d, const decode::Value& v);
  QJsonObject encode() const;
  friend bool operator==(const Diagnostic&, const Diagnostic&) = default;
};

struct CheckResult {
  bool ok = false;
  QList<Diagnostic> diagnostics;

  static CheckResult decode(decode::Decoder& d, const decode::Value& v);
  QJsonObject encode() const;
  friend bool operator==(const CheckResult&, const CheckResult&) = default;
};

struct InputGroup {
  QString id;
  QString label;
  bool advanced = false;

  static InputGroup decode(decode::Decoder& d, const decode::Value& v);
  QJsonObject encode() const;
  friend bool operator==(const InputGroup&, const InputGroup&) = default;
};

// One declared input. The reply also carries its "default", which is not kept.
struct InputSpec {
  QString name;
  QString type;
  QString group;  // the id of its group; empty when it names none
  QString label;
  QString hint;
  std::optional<double> min;
  std::optional<double> max;
  std::optional<double> step;
  bool required = false;
  bool advanced = false;

  const QString& id() const { return name; }
  static InputSpec decode(decode::Decoder& d, const decode::Value& v);
  QJsonObject encode() const;
  friend bool operator==(const InputSpec&, const InputSpec&) = default;
};

struct InputSchema {
  bool ok = false;
  QList<InputGroup> groups;
  QList<InputSpec> inputs;

  static InputSchema decode(decode::Decoder& d, const decode::Value& v);
  QJsonObject encode() const;
  friend bool operator==(const InputSchema&, const InputSchema&) = default;
};

// One closed trade of a backtest; times in epoch milliseconds.
struct Trade {
  qint64 ticket = 0;
  QString side;  // "buy" or "sell"
  double volume = 0;
  double openPrice = 0;
  double closePrice = 0;
  qint64 openTime = 0;
  qint64 closeTime = 0;
  double profit = 0;
  QString reason;

  qint64 id() const { return ticket; }
  static Trade decode(decode::Decoder& d, const decode::Value& v);
  QJsonObject encode() const;
  friend bool operator==(const Trade&, const Trade&) = default;
};

// One line a bot wrote to its journal during a backtest.
struct JournalLine {
  qint64 bar = 0;
  qint64 time = 0;  // epoch milliseconds
  QString level;
  QString message;

  // bar-message; two equal lines of one bar share it.
  QString id() const;
  static JournalLine decode(decode::Decoder& d, const decode::Value& v);
  QJsonObject encode() const;
  friend bool operator==(const JournalLine&, const JournalLine&) = default;
};

struct BacktestReport {
  bool ok = false;
  double startingBalance = 0;
  double endingBalance = 0;
  double netProfit = 0;
  qint64 wins = 0;
  qint64 losses = 0;
  double winRate = 0;       // percent
  double profitFactor = 0;  // -1 when not finite
  double maxDrawdown = 0;   // money
  QList<Trade> trades;
  QList<JournalLine> journal;
  QList<double> equity;  // one sample per replayed bar
  QList<QString> errors;

  static BacktestReport decode(decode::Decoder& d, const decode::Value& v);
  QJsonObject encode() const;
  // A run that never happened: both balances `balance`, zero statistics, one error.
  static BacktestReport failed(double balance, const QString& error);
  friend bool operator==(const BacktestReport&, const BacktestReport&) = default;
};

struct BuildResult {
  bool ok = false;
  std::optional<QString> path;
  std::optional<qint64> bytes;
  std::optional<qint64> functions;
  std::optional<qint64> inputs;
  std::optional<QString> error;

  static BuildResult decode(decode::Decoder& d, const decode::Value& v);
  QJsonObject encode() const;
  friend bool operator==(const BuildResult&, const BuildResult&) = default;
};

// One standard-library name; members are written namespace.member.
struct Completion {
  QString name;
  QString kind;
  QString type;
  QString summary;
  QString group;

  const QString& id() const { return name; }
  static Completion decode(decode::Decoder& d, const decode::Value& v);
  QJsonObject encode() const;
  friend bool operator==(const Completion&, const Completion&) = default;
};

struct CompletionList {
  QList<Completion> items;

  static CompletionList decode(decode::Decoder& d, const decode::Value& v);
  QJsonObject encode() const;
  friend bool operator==(const CompletionList&, const CompletionList&) = default;
};

// One token for syntax colouring; offsets count characters (Unicode scalars) from 0.
struct Token {
  QString kind;
  qint64 start = 0;
  qint64 end = 0;  // exclusive
  qint64 line = 0;

  static Token decode(decode::Decoder& d, const decode::Value& v);
  QJsonObject encode() const;
  friend bool operator==(const Token&, const Token&) = default;
};

struct TokenList {
  QList<Token> tokens;

  static TokenList decode(decode::Decoder& d, const decode::Value& v);
  QJsonObject encode() const;
  friend bool operator==(const TokenList&, const TokenList&) = default;
};

struct Description {
  bool found = false;
  std::optional<QString> name;
  std::optional<QString> type;
  std::optional<QString> summary;
  std::optional<QString> example;

  static Description decode(decode::Decoder& d, const decode::Value& v);
  QJsonObject encode() const;
  friend bool operator==(const Description&, const Description&) = default;
};

// Every stored field, in declaration order.
size_t qHash(const Diagnostic& r, size_t seed = 0);
size_t qHash(const InputGroup& r, size_t seed = 0);
size_t qHash(const InputSpec& r, size_t seed = 0);
size_t qHash(const Trade& r, size_t seed = 0);
size_t qHash(const JournalLine& r, size_t seed = 0);
size_t qHash(const Completion& r, size_t seed = 0);

}  // namespace zx::bridge

// Long lists of records grow by moving their bytes: every member is relocatable.
Q_DECLARE_TYPEINFO(zx::bridge::Diagnostic, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(zx::bridge::InputGroup, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(zx::bridge::InputSpec, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(zx::bridge::Trade, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(zx::bridge::JournalLine, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(zx::bridge::Completion, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(zx::bridge::Token, Q_RELOCATABLE_TYPE);
