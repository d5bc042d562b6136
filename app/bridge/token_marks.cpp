#include "bridge/token_marks.h"

#include <QLatin1String>

namespace zx::bridge {

using decode::Decoder;
using decode::Value;

namespace {

HighlightKind kindOf(std::string_view wire) {
#define ZX_KIND(name, text) \
  if (wire == std::string_view(text)) return HighlightKind::name;
  ZX_HIGHLIGHT_KINDS(ZX_KIND)
#undef ZX_KIND
  return HighlightKind::other;
}

HighlightKind readKind(Decoder& d, const Value& v) {
  const decode::JsonReader::RawText raw = decode::rawText(d, v);
  if (d.failed()) return HighlightKind::other;
  // Only plain ASCII compares as written; any other text is read as characters first.
  if (raw.form == decode::JsonReader::TextForm::ascii) return kindOf(raw.bytes());
  return highlightKind(decode::JsonReader::toString(raw));
}

}  // namespace

HighlightKind highlightKind(QStringView wire) {
#define ZX_KIND(name, text) \
  if (wire == QLatin1String(text)) return HighlightKind::name;
  ZX_HIGHLIGHT_KINDS(ZX_KIND)
#undef ZX_KIND
  return HighlightKind::other;
}

namespace {

// A token exactly as the engine writes it, read without the general machinery; false,
// with the reader where it was, for anything else.
bool engineToken(decode::JsonReader& r, TokenMark& m) {
  decode::JsonReader::RawText kind;
  const char* start = r.position();
  if (r.canNest() && r.literalIs(R"({"kind":")") && r.plainText(kind) &&
      r.literalIs(R"(,"start":)") && r.plainWhole(m.start) && r.literalIs(R"(,"end":)") &&
      r.plainWhole(m.end) && r.literalIs(R"(,"line":)") && r.plainWhole(m.line) &&
      r.literalIs("}")) {
    m.kind = kindOf(kind.bytes());
    return true;
  }
  r.rewind(start);
  return false;
}

// The tokens list, each token read by the fast layout or else as a record.
void readTokens(Decoder& d, const Value& v, TokenSink& sink) {
  sink.clear();
  if (d.passedOver(v)) return;
  if (v.kind != decode::JsonKind::list) return d.failType(QStringLiteral("a list"), v);
  decode::JsonReader& r = d.reader();
  if (!r.listFirst()) return;
  qsizetype i = 0;
  do {
    TokenMark m;
    if (!d.failed() && engineToken(r, m)) {
      sink.add(m);
      ++i;
      continue;
    }
    const Value e = r.value();
    if (d.passedOver(e)) continue;
    auto step = d.element(i++);
    decode::record(
        d, e, {{"kind", m.kind, &readKind}, {"start", m.start}, {"end", m.end}, {"line", m.line}});
    if (!d.failed()) sink.add(m);
  } while (r.listNext());
}

}  // namespace

bool decodeTokenMarks(Decoder& d, QByteArrayView reply, TokenSink& sink) {
  const auto read = [&sink](Decoder& d, const Value& v) {
    const auto tokens = [&sink](Decoder& d, const Value& v) {
      readTokens(d, v, sink);
      return true;
    };
    bool listed = false;
    decode::record(d, v, {{"tokens", listed, tokens}});
    return listed;
  };
  const bool ok = decode::document(d, reply, read).has_value();
  if (!ok) sink.clear();
  return ok;
}

}  // namespace zx::bridge
