// The script editor's text view: a plain-text QTextEdit on a RowLayout, with the
// line-number gutter, the current-line band and the caret report.
//
// Lines are the engine's lines: one block per line, ended by "\n" only. Typing, the
// mouse and undo behave as in a plain QTextEdit: no automatic indentation, no bracket
// pairing, Tab inserts a tab. Shift+Return is Return: the engine reads no line separator
// as a line break.
#pragma once

#include <QTextEdit>

#include "editor/diagnostic_ranges.h"
#include "editor/editor_colours.h"

namespace zx::editor {

class LineGutter;
class RowLayout;

class KeloTextView : public QTextEdit {
  Q_OBJECT

 public:
  static constexpr int kTabDistance = 28;

  explicit KeloTextView(QWidget* parent = nullptr);

  RowLayout* rowLayout() const { return layout_; }
  LineGutter* gutter() const { return gutter_; }

  // The document's text as the model holds it: paragraph breaks read as "\n", and
  // no-break spaces and line separators kept.
  QString rawText() const;
  // Line and UTF-16 column of the selection's start, both from 1.
  CaretPlace caretPlace() const;
  // Reports the caret now if it moved since the last report.
  void reportCaret();

  void setColours(const EditorColours& colours);
  void setCodeFont(const QFont& font);

 signals:
  void cursorReported(int line, int column);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  static bool refusesDrop(const QMimeData* source);
  void caretMoved();
  void placeGutter();

  RowLayout* layout_;
  LineGutter* gutter_;
  std::optional<CaretPlace> reported_;
};

}  // namespace zx::editor
