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
  if (raw.form == decode::JsonReader::TextForm::ascii) return kindOf(raw.bytes);
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

bool decodeTokenMarks(Decoder& d, QByteArrayView reply, TokenSink& sink) {
  const auto read = [&sink](Decoder& d, const Value& v) {
    const auto tokens = [&sink](Decoder& d, const Value& v) {
      sink.clear();
      decode::forEach(d, v, [&sink](Decoder& d, const Value& e) {
        TokenMark m;
        decode::record(
            d, e,
            {{"kind", m.kind, &readKind}, {"start", m.start}, {"end", m.end}, {"line", m.line}});
        if (!d.failed()) sink.add(m);
      });
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
