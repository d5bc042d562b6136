// The script editor: the text view under its find bar, kept in step with a model.
//
// The owner (the editor pane) drives it with setText, setDiagnostics, setColours and
// setCodeFont, and listens to textEdited and cursorReported. Showing a text never
// writes it back: textEdited fires only for the user's own edits. Colours come from
// the engine's tokens, fetched on a worker thread; diagnostics become dotted underlines.
#pragma once

#include <QList>
#include <QWidget>

#include "bridge/engine_calls.h"
#include "editor/diagnostic_ranges.h"
#include "editor/editor_colours.h"
#include "editor/text_spans.h"

class QAction;

namespace zx::editor {

class FindBar;
class KeloHighlighter;
class KeloTextView;
class TokenFetcher;

class KeloEditor : public QWidget {
  Q_OBJECT

 public:
  // `engine` must outlive the editor; the destructor waits for a token request.
  explicit KeloEditor(const bridge::EngineCalls& engine, QWidget* parent = nullptr);
  ~KeloEditor() override;

  // Shows `text` when it differs from what the editor holds: the undo history is
  // cleared and the caret stays where it was, clamped to the new text.
  void setText(const QString& text);
  // The text as the model should hold it ("\n" line ends).
  QString text() const;
  // Underlines these findings; the same list again does nothing.
  void setDiagnostics(const QList<bridge::Diagnostic>& diagnostics);
  // Equal colours do nothing; others recolour everything at once.
  void setColours(const EditorColours& colours);
  // The code font, as the theme sizes it; the gutter follows at 10 px.
  void setCodeFont(const QFont& font);

  // Find…, Find Next, Find Previous, Use Selection for Find, Replace…; for the Edit
  // menu. Their shortcuts work while the focus is inside the editor.
  QList<QAction*> findActions() const { return findActions_; }
  // Puts the caret at a finding's start (1-based line and engine column), scrolls it
  // into view and focuses the text.
  void jumpTo(qint64 line, qint64 column);
  CaretPlace caret() const;

  struct PaintedUnderline {
    int start = 0;
    int end = 0;
    QColor colour;
    friend bool operator==(const PaintedUnderline&, const PaintedUnderline&) = default;
  };
  QList<PaintedUnderline> underlines() const;
  KeloTextView* textView() const { return view_; }
  FindBar* findBar() const { return findBar_; }

 signals:
  // The user changed the text (typing, paste, undo, replace); carries all of it.
  void textEdited(const QString& text);
  // 1-based line and UTF-16 column of the selection's start, on every change.
  void cursorReported(int line, int column);
  // Fresh tokens were applied.
  void coloured();

 private:
  void contentsChanged(int from, int removed, int added);
  void tokensFetched(quint64 revision, const QList<TokenSpan>& spans);
  void underline();
  void makeFindActions();

  KeloTextView* view_;
  FindBar* findBar_;
  KeloHighlighter* highlighter_;
  TokenFetcher* fetcher_;
  QList<QAction*> findActions_;

  bool replacing_ = false;
  QString exchanged_;  // the text the document holds, as the model holds it
  QString given_;      // the model's last text, which the document shows
  quint64 revision_ = 0;
  QList<bridge::Diagnostic> diagnostics_;
  quint64 underlinedRevision_ = 0;
  std::optional<EditorColours> colours_;
};

}  // namespace zx::editor
