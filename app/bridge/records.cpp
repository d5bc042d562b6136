#include "bridge/records.h"

#include <cmath>

#include "decode/encode_fields.h"
#include "decode/record_hash.h"

namespace zx::bridge {

using decode::Decoder;
using decode::Fields;
using decode::hashOptional;
using decode::insertOptional;

namespace {

// The reply's numbers come from text, where the parser already refuses NaN and
// infinities; values handed in another way are held to the same rule.
double finite(Decoder& d, const QJsonValue& v) {
  const double x = decode::number(d, v);
  if (!d.failed() && !std::isfinite(x)) {
    d.fail(QStringLiteral("Expected a finite number"));
    return 0;
  }
  return x;
}

double number(Fields& f, const QString& key) {
  return f.required(key, &finite);
}

std::optional<double> optionalNumber(Fields& f, const QString& key) {
  return f.optional(key, &finite);
}

}  // namespace

QString Diagnostic::id() const {
  // Concatenated, not formatted: a message may itself hold "%1".
  return code + u'-' + QString::number(line) + u'-' + QString::number(column) + u'-' + message;
}

Diagnostic Diagnostic::decode(Decoder& d, const QJsonValue& v) {
  Fields f(d, v);
  Diagnostic r;
  r.severity = f.text(QStringLiteral("severity"));
  r.code = f.text(QStringLiteral("code"));
  r.message = f.text(QStringLiteral("message"));
  r.line = f.integer(QStringLiteral("line"));
  r.column = f.integer(QStringLiteral("column"));
  r.endLine = f.integer(QStringLiteral("endLine"));
  r.endColumn = f.integer(QStringLiteral("endColumn"));
  return r;
}

QJsonObject Diagnostic::encode() const {
  QJsonObject o;
  o.insert(QStringLiteral("severity"), severity);
  o.insert(QStringLiteral("code"), code);
  o.insert(QStringLiteral("message"), message);
  o.insert(QStringLiteral("line"), line);
  o.insert(QStringLiteral("column"), column);
  o.insert(QStringLiteral("endLine"), endLine);
  o.insert(QStringLiteral("endColumn"), endColumn);
  return o;
}

CheckResult CheckResult::decode(Decoder& d, const QJsonValue& v) {
  Fields f(d, v);
  CheckResult r;
  r.ok = f.boolean(QStringLiteral("ok"));
  r.diagnostics = f.records<Diagnostic>(QStringLiteral("diagnostics"));
  return r;
}

QJsonObject CheckResult::encode() const {
  QJsonObject o;
  o.insert(QStringLiteral("ok"), ok);
  o.insert(QStringLiteral("diagnostics"), decode::records(diagnostics));
  return o;
}

InputGroup InputGroup::decode(Decoder& d, const QJsonValue& v) {
  Fields f(d, v);
  InputGroup r;
  r.id = f.text(QStringLiteral("id"));
  r.label = f.text(QStringLiteral("label"));
  r.advanced = f.boolean(QStringLiteral("advanced"));
  return r;
}

QJsonObject InputGroup::encode() const {
  QJsonObject o;
  o.insert(QStringLiteral("id"), id);
  o.insert(QStringLiteral("label"), label);
  o.insert(QStringLiteral("advanced"), advanced);
  return o;
}

InputSpec InputSpec::decode(Decoder& d, const QJsonValue& v) {
  Fields f(d, v);
  InputSpec r;
  r.name = f.text(QStringLiteral("name"));
  r.type = f.text(QStringLiteral("type"));
  r.group = f.text(QStringLiteral("group"));
  r.label = f.text(QStringLiteral("label"));
  r.hint = f.text(QStringLiteral("hint"));
  r.min = optionalNumber(f, QStringLiteral("min"));
  r.max = optionalNumber(f, QStringLiteral("max"));
  r.step = optionalNumber(f, QStringLiteral("step"));
  r.required = f.boolean(QStringLiteral("required"));
  r.advanced = f.boolean(QStringLiteral("advanced"));
  return r;
}

QJsonObject InputSpec::encode() const {
  QJsonObject o;
  o.insert(QStringLiteral("name"), name);
  o.insert(QStringLiteral("type"), type);
  o.insert(QStringLiteral("group"), group);
  o.insert(QStringLiteral("label"), label);
  o.insert(QStringLiteral("hint"), hint);
  insertOptional(o, QStringLiteral("min"), min);
  insertOptional(o, QStringLiteral("max"), max);
  insertOptional(o, QStringLiteral("step"), step);
  o.insert(QStringLiteral("required"), required);
  o.insert(QStringLiteral("advanced"), advanced);
  return o;
}

InputSchema InputSchema::decode(Decoder& d, const QJsonValue& v) {
  Fields f(d, v);
  InputSchema r;
  r.ok = f.boolean(QStringLiteral("ok"));
  r.groups = f.records<InputGroup>(QStringLiteral("groups"));
  r.inputs = f.records<InputSpec>(QStringLiteral("inputs"));
  return r;
}

QJsonObject InputSchema::encode() const {
  QJsonObject o;
  o.insert(QStringLiteral("ok"), ok);
  o.insert(QStringLiteral("groups"), decode::records(groups));
  o.insert(QStringLiteral("inputs"), decode::records(inputs));
  return o;
}

Trade Trade::decode(Decoder& d, const QJsonValue& v) {
  Fields f(d, v);
  Trade r;
  r.ticket = f.integer(QStringLiteral("ticket"));
  r.side = f.text(QStringLiteral("side"));
  r.volume = number(f, QStringLiteral("volume"));
  r.openPrice = number(f, QStringLiteral("openPrice"));
  r.closePrice = number(f, QStringLiteral("closePrice"));
  r.openTime = f.integer(QStringLiteral("openTime"));
  r.closeTime = f.integer(QStringLiteral("closeTime"));
  r.profit = number(f, QStringLiteral("profit"));
  r.reason = f.text(QStringLiteral("reason"));
  return r;
}

QJsonObject Trade::encode() const {
  QJsonObject o;
  o.insert(QStringLiteral("ticket"), ticket);
  o.insert(QStringLiteral("side"), side);
  o.insert(QStringLiteral("volume"), volume);
  o.insert(QStringLiteral("openPrice"), openPrice);
  o.insert(QStringLiteral("closePrice"), closePrice);
  o.insert(QStringLiteral("openTime"), openTime);
  o.insert(QStringLiteral("closeTime"), closeTime);
  o.insert(QStringLiteral("profit"), profit);
  o.insert(QStringLiteral("reason"), reason);
  return o;
}

QString JournalLine::id() const {
  return QString::number(bar) + u'-' + message;
}

JournalLine JournalLine::decode(Decoder& d, const QJsonValue& v) {
  Fields f(d, v);
  JournalLine r;
  r.bar = f.integer(QStringLiteral("bar"));
  r.time = f.integer(QStringLiteral("time"));
  r.level = f.text(QStringLiteral("level"));
  r.message = f.text(QStringLiteral("message"));
  return r;
}

QJsonObject JournalLine::encode() const {
  QJsonObject o;
  o.insert(QStringLiteral("bar"), bar);
  o.insert(QStringLiteral("time"), time);
  o.insert(QStringLiteral("level"), level);
  o.insert(QStringLiteral("message"), message);
  return o;
}

BacktestReport BacktestReport::decode(Decoder& d, const QJsonValue& v) {
  Fields f(d, v);
  BacktestReport r;
  r.ok = f.boolean(QStringLiteral("ok"));
  r.startingBalance = number(f, QStringLiteral("startingBalance"));
  r.endingBalance = number(f, QStringLiteral("endingBalance"));
  r.netProfit = number(f, QStringLiteral("netProfit"));
  r.wins = f.integer(QStringLiteral("wins"));
  r.losses = f.integer(QStringLiteral("losses"));
  r.winRate = number(f, QStringLiteral("winRate"));
  r.profitFactor = number(f, QStringLiteral("profitFactor"));
  r.maxDrawdown = number(f, QStringLiteral("maxDrawdown"));
  r.trades = f.records<Trade>(QStringLiteral("trades"));
  r.journal = f.records<JournalLine>(QStringLiteral("journal"));
  r.equity = f.required(QStringLiteral("equity"), [](Decoder& d, const QJsonValue& v) {
    return decode::list(d, v, &finite);
  });
  r.errors = f.required(QStringLiteral("errors"), [](Decoder& d, const QJsonValue& v) {
    return decode::list(d, v, &decode::text);
  });
  return r;
}

QJsonObject BacktestReport::encode() const {
  QJsonObject o;
  o.insert(QStringLiteral("ok"), ok);
  o.insert(QStringLiteral("startingBalance"), startingBalance);
  o.insert(QStringLiteral("endingBalance"), endingBalance);
  o.insert(QStringLiteral("netProfit"), netProfit);
  o.insert(QStringLiteral("wins"), wins);
  o.insert(QStringLiteral("losses"), losses);
  o.insert(QStringLiteral("winRate"), winRate);
  o.insert(QStringLiteral("profitFactor"), profitFactor);
  o.insert(QStringLiteral("maxDrawdown"), maxDrawdown);
  o.insert(QStringLiteral("trades"), decode::records(trades));
  o.insert(QStringLiteral("journal"), decode::records(journal));
  o.insert(QStringLiteral("equity"), decode::values(equity));
  o.insert(QStringLiteral("errors"), decode::values(errors));
  return o;
}

BacktestReport BacktestReport::failed(double balance, const QString& error) {
  BacktestReport r;
  r.startingBalance = balance;
  r.endingBalance = balance;
  r.errors = {error};
  return r;
}

BuildResult BuildResult::decode(Decoder& d, const QJsonValue& v) {
  Fields f(d, v);
  BuildResult r;
  r.ok = f.boolean(QStringLiteral("ok"));
  r.path = f.optionalText(QStringLiteral("path"));
  r.bytes = f.optionalInteger(QStringLiteral("bytes"));
  r.functions = f.optionalInteger(QStringLiteral("functions"));
  r.inputs = f.optionalInteger(QStringLiteral("inputs"));
  r.error = f.optionalText(QStringLiteral("error"));
  return r;
}

QJsonObject BuildResult::encode() const {
  QJsonObject o;
  o.insert(QStringLiteral("ok"), ok);
  insertOptional(o, QStringLiteral("path"), path);
  insertOptional(o, QStringLiteral("bytes"), bytes);
  insertOptional(o, QStringLiteral("functions"), functions);
  insertOptional(o, QStringLiteral("inputs"), inputs);
  insertOptional(o, QStringLiteral("error"), error);
  return o;
}

Completion Completion::decode(Decoder& d, const QJsonValue& v) {
  Fields f(d, v);
  Completion r;
  r.name = f.text(QStringLiteral("name"));
  r.kind = f.text(QStringLiteral("kind"));
  r.type = f.text(QStringLiteral("type"));
  r.summary = f.text(QStringLiteral("summary"));
  r.group = f.text(QStringLiteral("group"));
  return r;
}

QJsonObject Completion::encode() const {
  QJsonObject o;
  o.insert(QStringLiteral("name"), name);
  o.insert(QStringLiteral("kind"), kind);
  o.insert(QStringLiteral("type"), type);
  o.insert(QStringLiteral("summary"), summary);
  o.insert(QStringLiteral("group"), group);
  return o;
}

CompletionList CompletionList::decode(Decoder& d, const QJsonValue& v) {
  Fields f(d, v);
  CompletionList r;
  r.items = f.records<Completion>(QStringLiteral("items"));
  return r;
}

QJsonObject CompletionList::encode() const {
  QJsonObject o;
  o.insert(QStringLiteral("items"), decode::records(items));
  return o;
}

Token Token::decode(Decoder& d, const QJsonValue& v) {
  Fields f(d, v);
  Token r;
  r.kind = f.text(QStringLiteral("kind"));
  r.start = f.integer(QStringLiteral("start"));
  r.end = f.integer(QStringLiteral("end"));
  r.line = f.integer(QStringLiteral("line"));
  return r;
}

QJsonObject Token::encode() const {
  QJsonObject o;
  o.insert(QStringLiteral("kind"), kind);
  o.insert(QStringLiteral("start"), start);
  o.insert(QStringLiteral("end"), end);
  o.insert(QStringLiteral("line"), line);
  return o;
}

TokenList TokenList::decode(Decoder& d, const QJsonValue& v) {
  Fields f(d, v);
  TokenList r;
  r.tokens = f.records<Token>(QStringLiteral("tokens"));
  return r;
}

QJsonObject TokenList::encode() const {
  QJsonObject o;
  o.insert(QStringLiteral("tokens"), decode::records(tokens));
  return o;
}

Description Description::decode(Decoder& d, const QJsonValue& v) {
  Fields f(d, v);
  Description r;
  r.found = f.boolean(QStringLiteral("found"));
  r.name = f.optionalText(QStringLiteral("name"));
  r.type = f.optionalText(QStringLiteral("type"));
  r.summary = f.optionalText(QStringLiteral("summary"));
  r.example = f.optionalText(QStringLiteral("example"));
  return r;
}

QJsonObject Description::encode() const {
  QJsonObject o;
  o.insert(QStringLiteral("found"), found);
  insertOptional(o, QStringLiteral("name"), name);
  insertOptional(o, QStringLiteral("type"), type);
  insertOptional(o, QStringLiteral("summary"), summary);
  insertOptional(o, QStringLiteral("example"), example);
  return o;
}

size_t qHash(const Diagnostic& r, size_t seed) {
  return qHashMulti(seed, r.severity, r.code, r.message, r.line, r.column, r.endLine, r.endColumn);
}

size_t qHash(const InputGroup& r, size_t seed) {
  return qHashMulti(seed, r.id, r.label, r.advanced);
}

size_t qHash(const InputSpec& r, size_t seed) {
  seed = qHashMulti(seed, r.name, r.type, r.group, r.label, r.hint);
  seed = hashOptional(seed, r.min);
  seed = hashOptional(seed, r.max);
  seed = hashOptional(seed, r.step);
  return qHashMulti(seed, r.required, r.advanced);
}

size_t qHash(const Trade& r, size_t seed) {
  return qHashMulti(seed, r.ticket, r.side, r.volume, r.openPrice, r.closePrice, r.openTime,
                    r.closeTime, r.profit, r.reason);
}

size_t qHash(const JournalLine& r, size_t seed) {
  return qHashMulti(seed, r.bar, r.time, r.level, r.message);
}

size_t qHash(const Completion& r, size_t seed) {
  return qHashMulti(seed, r.name, r.kind, r.type, r.summary, r.group);
}

}  // namespace zx::bridge
