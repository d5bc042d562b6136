// Colours the document from the engine's tokens, one block at a time, through the
// highlighter's own formats: no undo step, no edit the model could see.
#pragma once

#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <array>

#include "editor/editor_colours.h"
#include "editor/text_spans.h"

namespace zx::editor {

class KeloHighlighter : public QSyntaxHighlighter {
  Q_OBJECT

 public:
  // Attach while `document` is empty: attaching to a filled one queues a full pass.
  explicit KeloHighlighter(QTextDocument* document);

  // Moves the cached spans with an edit of the text; to be called before the edited block
  // is recoloured (on the document's contentsChange, from a connection made before this
  // highlighter is attached), for changes of the text only: a change of formats, which
  // the document reports alike, moves no colour.
  void followEdit(int from, int removed, int added);

  // New colours recolour every block.
  void setColours(const EditorColours& colours);
  // Fresh tokens for the current text; only the blocks whose spans changed recolour.
  void applyTokens(QList<TokenSpan> spans);
  const QList<TokenSpan>& tokens() const { return spans_; }

 protected:
  void highlightBlock(const QString& text) override;

 private:
  // Calls `visit(start, length, format)` for the coloured runs of the block at `bpos`
  // holding `length` characters, block-relative, in order.
  template <typename Visit>
  void forEachRun(int bpos, int length, Visit visit) const;
  // Whether a layout must shape its glyphs with `format` (the keyword face).
  static bool changesGlyphs(const QTextCharFormat& format);

  QList<TokenSpan> spans_;
  std::array<QTextCharFormat, kTokenKindCount> formats_;
};

}  // namespace zx::editor
