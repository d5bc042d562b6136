// JSON text through every decoder of the engine bridge: a stand-in engine answers
// each call with the fuzz input, and the bridge decodes it into the call's record or
// falls back. The records are not checked here (the bridge's tests pin them); what
// counts is that no reply crashes, leaks or trips a sanitizer, and that the tokens the
// editor takes one by one are exactly the token records.
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "bridge/engine_calls.h"

namespace {

struct Marks final : zx::bridge::TokenSink {
  QList<zx::bridge::TokenMark> marks;
  void clear() override { marks.clear(); }
  void add(const zx::bridge::TokenMark& m) override { marks.append(m); }
};

std::string g_reply;  // what the stand-in engine answers to the current input

char* answer() noexcept {
  auto* text = static_cast<char*>(std::malloc(g_reply.size() + 1));
  if (text == nullptr) std::abort();
  std::memcpy(text, g_reply.c_str(), g_reply.size() + 1);
  return text;
}

char* two(const char*, const char*) noexcept {
  return answer();
}
char* three(const char*, const char*, const char*) noexcept {
  return answer();
}
char* one(const char*) noexcept {
  return answer();
}
char* none() noexcept {
  return answer();
}
char* backtest(const char*, const char*, const std::int64_t*, const double*, const double*,
               const double*, const double*, const double*, std::size_t, std::int64_t,
               const KeloSymbol*, double) noexcept {
  return answer();
}
void release(char* text) noexcept {
  std::free(text);
}

const zx::bridge::EngineFunctions kStandIn{two, two, three, backtest, one, one, one, none, release};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The bridge hands the engine's reply over as a NUL-terminated text.
  g_reply.assign(reinterpret_cast<const char*>(data), size);
  g_reply.resize(std::strlen(g_reply.c_str()));

  const zx::bridge::ExportedEngine engine(kStandIn);
  (void)engine.version();
  (void)engine.check(QStringLiteral("x"), QStringLiteral("a.kelo"));
  (void)engine.inputs(QStringLiteral("x"), QStringLiteral("a.kelo"));

  (void)engine.build(QStringLiteral("x"), QStringLiteral("a.kelo"),
                     QStringLiteral("/tmp/none.zxb"));

  zx::bridge::Candles bars;
  for (int i = 0; i < 3; ++i) {
    bars.times.push_back(i * 60000);
    bars.open.push_back(1.1);
    bars.high.push_back(1.2);
    bars.low.push_back(1.0);
    bars.close.push_back(1.1);
    bars.volume.push_back(1);
  }
  (void)engine.backtest(QStringLiteral("x"), QStringLiteral("a.kelo"), bars, std::nullopt, 5000, 0);
  (void)engine.backtest(QStringLiteral("x"), QStringLiteral("a.kelo"), std::nullopt, std::nullopt,
                        5000, 200);

  const QList<zx::bridge::Token> tokens = engine.tokens(QStringLiteral("x"));
  Marks marks;
  engine.markTokens(QStringLiteral("x"), marks);
  bool same = marks.marks.size() == tokens.size();
  for (qsizetype i = 0; same && i < tokens.size(); ++i) {
    const zx::bridge::Token& t = tokens[i];
    same = marks.marks[i] ==
           zx::bridge::TokenMark{zx::bridge::highlightKind(t.kind), t.start, t.end, t.line};
  }
  if (!same) std::abort();
  (void)engine.completions(QString());
  (void)engine.describe(QStringLiteral("ema"));
  return 0;
}
