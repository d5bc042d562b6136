#include "bridge/records.h"

#include "decode/encode_fields.h"
#include "decode/record_hash.h"

namespace zx::bridge {

using decode::Decoder;
using decode::hashOptional;
using decode::insertOptional;
using decode::record;
using decode::Value;

QString Diagnostic::id() const {
  // Concatenated, not formatted: a message may itself hold "%1".
  return code + u'-' + QString::number(line) + u'-' + QString::number(column) + u'-' + message;
}

Diagnostic Diagnostic::decode(Decoder& d, const Value& v) {
  Diagnostic r;
  record(d, v,
         {{"severity", r.severity},
          {"code", r.code},
          {"message", r.message},
          {"line", r.line},
          {"column", r.column},
          {"endLine", r.endLine},
          {"endColumn", r.endColumn}});
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

CheckResult CheckResult::decode(Decoder& d, const Value& v) {
  CheckResult r;
  record(d, v, {{"ok", r.ok}, {"diagnostics", r.diagnostics}});
  return r;
}

QJsonObject CheckResult::encode() const {
  QJsonObject o;
  o.insert(QStringLiteral("ok"), ok);
  o.insert(QStringLiteral("diagnostics"), decode::records(diagnostics));
  return o;
}

InputGroup InputGroup::decode(Decoder& d, const Value& v) {
  InputGroup r;
  record(d, v, {{"id", r.id}, {"label", r.label}, {"advanced", r.advanced}});
  return r;
}

QJsonObject InputGroup::encode() const {
  QJsonObject o;
  o.insert(QStringLiteral("id"), id);
  o.insert(QStringLiteral("label"), label);
  o.insert(QStringLiteral("advanced"), advanced);
  return o;
}

InputSpec InputSpec::decode(Decoder& d, const Value& v) {
  InputSpec r;
  record(d, v,
         {{"name", r.name},
          {"type", r.type},
          {"group", r.group},
          {"label", r.label},
          {"hint", r.hint},
          {"min", r.min},
          {"max", r.max},
          {"step", r.step},
          {"required", r.required},
          {"advanced", r.advanced}});
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

InputSchema InputSchema::decode(Decoder& d, const Value& v) {
  InputSchema r;
  record(d, v, {{"ok", r.ok}, {"groups", r.groups}, {"inputs", r.inputs}});
  return r;
}

QJsonObject InputSchema::encode() const {
  QJsonObject o;
  o.insert(QStringLiteral("ok"), ok);
  o.insert(QStringLiteral("groups"), decode::records(groups));
  o.insert(QStringLiteral("inputs"), decode::records(inputs));
  return o;
}

Trade Trade::decode(Decoder& d, const Value& v) {
  Trade r;
  record(d, v,
         {{"ticket", r.ticket},
          {"side", r.side},
          {"volume", r.volume},
          {"openPrice", r.openPrice},
          {"closePrice", r.closePrice},
          {"openTime", r.openTime},
          {"closeTime", r.closeTime},
          {"profit", r.profit},
          {"reason", r.reason}});
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

JournalLine JournalLine::decode(Decoder& d, const Value& v) {
  JournalLine r;
  record(d, v, {{"bar", r.bar}, {"time", r.time}, {"level", r.level}, {"message", r.message}});
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

BacktestReport BacktestReport::decode(Decoder& d, const Value& v) {
  BacktestReport r;
  record(d, v,
         {{"ok", r.ok},
          {"startingBalance", r.startingBalance},
          {"endingBalance", r.endingBalance},
          {"netProfit", r.netProfit},
          {"wins", r.wins},
          {"losses", r.losses},
          {"winRate", r.winRate},
          {"profitFactor", r.profitFactor},
          {"maxDrawdown", r.maxDrawdown},
          {"trades", r.trades},
          {"journal", r.journal},
          {"equity", r.equity},
          {"errors", r.errors}});
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

BuildResult BuildResult::decode(Decoder& d, const Value& v) {
  BuildResult r;
  record(d, v,
         {{"ok", r.ok},
          {"path", r.path},
          {"bytes", r.bytes},
          {"functions", r.functions},
          {"inputs", r.inputs},
          {"error", r.error}});
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

Completion Completion::decode(Decoder& d, const Value& v) {
  Completion r;
  record(d, v,
         {{"name", r.name},
          {"kind", r.kind},
          {"type", r.type},
          {"summary", r.summary},
          {"group", r.group}});
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

CompletionList CompletionList::decode(Decoder& d, const Value& v) {
  CompletionList r;
  record(d, v, {{"items", r.items}});
  return r;
}

QJsonObject CompletionList::encode() const {
  QJsonObject o;
  o.insert(QStringLiteral("items"), decode::records(items));
  return o;
}

Token Token::decode(Decoder& d, const Value& v) {
  Token r;
  record(d, v, {{"kind", r.kind}, {"start", r.start}, {"end", r.end}, {"line", r.line}});
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

TokenList TokenList::decode(Decoder& d, const Value& v) {
  TokenList r;
  record(d, v, {{"tokens", r.tokens}});
  return r;
}

QJsonObject TokenList::encode() const {
  QJsonObject o;
  o.insert(QStringLiteral("tokens"), decode::records(tokens));
  return o;
}

Description Description::decode(Decoder& d, const Value& v) {
  Description r;
  record(d, v,
         {{"found", r.found},
          {"name", r.name},
          {"type", r.type},
          {"summary", r.summary},
          {"example", r.example}});
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
