#include "editor/kelo_text_view.h"

#include <QDropEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>

#include "editor/line_gutter.h"
#include "editor/row_layout.h"
#include "editor/text_scan.h"

namespace zx::editor {
namespace {

constexpr qreal kCodePixels = 12.5;
constexpr int kCaretWidth = 2;

// Pasted or dropped text arrives with "\n" line ends only, as the engine counts lines.
QString pastedText(QString text) {
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  text.replace(u'\r', u'\n');
  text.replace(QChar::ParagraphSeparator, u'\n');
  return text;
}

}  // namespace

KeloTextView::KeloTextView(QWidget* parent) : QTextEdit(parent) {
  // The layout goes in first, before any text or format reaches the document.
  layout_ = new RowLayout(document());
  document()->setDocumentLayout(layout_);
  layout_->setPaintDevice(viewport());
  setAcceptRichText(false);
  setLineWrapMode(NoWrap);
  setTabStopDistance(kTabDistance);
  setFrameShape(QFrame::NoFrame);
  setCursorWidth(kCaretWidth);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setViewportMargins(LineGutter::kWidth, 0, 0, 0);
  gutter_ = new LineGutter(this);
  // Until the owner hands in its colours: the widget palette, and no band.
  const QPalette p = palette();
  gutter_->setColours({p.color(QPalette::Window), p.color(QPalette::Mid),
                       p.color(QPalette::PlaceholderText), p.color(QPalette::Highlight)});
  RowLayout::Colours start;
  start.caret = p.color(QPalette::Text);
  layout_->setColours(start);
  setAccessibleName(QStringLiteral("Script"));
  gutter_->setAccessibleName(QStringLiteral("Line numbers"));

  connect(this, &QTextEdit::cursorPositionChanged, this, &KeloTextView::caretMoved);
  connect(this, &QTextEdit::selectionChanged, this, &KeloTextView::caretMoved);
  const auto repaintGutter = [this] { gutter_->update(); };
  connect(verticalScrollBar(), &QScrollBar::valueChanged, gutter_, repaintGutter);
  connect(document(), &QTextDocument::blockCountChanged, gutter_, repaintGutter);
  connect(layout_, &QAbstractTextDocumentLayout::documentSizeChanged, gutter_, repaintGutter);

  QFont code = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  code.setPointSizeF(kCodePixels * 72 / logicalDpiY());
  setCodeFont(code);
  caretMoved();
}

QString KeloTextView::rawText() const {
  QString text = document()->toRawText();
  paragraphsToLineFeeds(text);
  return text;
}

CaretPlace KeloTextView::caretPlace() const {
  const int at = textCursor().selectionStart();
  const QTextBlock block = document()->findBlock(at);
  return {block.blockNumber() + 1, at - block.position() + 1};
}

void KeloTextView::reportCaret() {
  const CaretPlace place = caretPlace();
  if (reported_ == place) return;
  reported_ = place;
  emit cursorReported(place.line, place.column);
}

void KeloTextView::caretMoved() {
  layout_->setCaretBlock(textCursor().blockNumber());
  layout_->setBandBlock(document()->findBlock(textCursor().selectionStart()).blockNumber());
  gutter_->update();
  reportCaret();
}

void KeloTextView::setColours(const EditorColours& c) {
  QPalette p = palette();
  for (const auto group : {QPalette::Active, QPalette::Inactive}) {
    p.setColor(group, QPalette::Base, c.panel);
    p.setColor(group, QPalette::Text, c.text);
    p.setColor(group, QPalette::Highlight, c.selection);
    // No brush: selected text keeps its token colours.
    p.setBrush(group, QPalette::HighlightedText, QBrush(Qt::NoBrush));
  }
  setPalette(p);
  QColor findFill = c.warning;
  findFill.setAlphaF(0.22f);
  QColor currentFindFill = c.warning;
  currentFindFill.setAlphaF(0.45f);
  layout_->setColours({c.rowHover, c.accent, findFill, currentFindFill, c.sell, c.warning});
  gutter_->setColours({c.surfaceSunken, c.borderSoft, c.muted, c.accent});
}

void KeloTextView::setCodeFont(const QFont& font) {
  setFont(font);
  gutter_->setCodeFont(font);
}

void KeloTextView::keyPressEvent(QKeyEvent* event) {
  // The text edit would insert a line separator: a new row on screen that the engine reads
  // as part of the line before it.
  if (event->matches(QKeySequence::InsertLineSeparator)) {
    QKeyEvent plain(event->type(), Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"),
                    event->isAutoRepeat(), event->count());
    QTextEdit::keyPressEvent(&plain);
    event->setAccepted(plain.isAccepted());
    return;
  }
  QTextEdit::keyPressEvent(event);
}

void KeloTextView::resizeEvent(QResizeEvent* event) {
  QTextEdit::resizeEvent(event);
  placeGutter();
}

bool KeloTextView::viewportEvent(QEvent* event) {
  // The viewport also shrinks when a scroll bar appears, with no resize of the view.
  if (event->type() == QEvent::Resize) placeGutter();
  return QTextEdit::viewportEvent(event);
}

void KeloTextView::placeGutter() {
  const QRect area = viewport()->geometry();
  gutter_->setGeometry(area.left() - LineGutter::kWidth, area.top(), LineGutter::kWidth,
                       area.height());
}

bool KeloTextView::canInsertFromMimeData(const QMimeData* source) const {
  // Qt counts links as text too; only text itself is inserted.
  for (const QString& format : source->formats()) {
    if (format.startsWith(QLatin1String("text/plain"))) return true;
  }
  return false;
}

void KeloTextView::insertFromMimeData(const QMimeData* source) {
  if (!canInsertFromMimeData(source)) return;
  insertPlainText(pastedText(source->text()));
}

// A file manager's drop carries the paths as text too; they never belong in a script.
// The clipboard may hold links beside its text ("Copy Link", a copied file): a paste
// still inserts the text.
bool KeloTextView::refusesDrop(const QMimeData* source) {
  return !source || source->hasUrls();
}

void KeloTextView::dragEnterEvent(QDragEnterEvent* event) {
  if (refusesDrop(event->mimeData())) {
    event->ignore();
    return;
  }
  QTextEdit::dragEnterEvent(event);
}

void KeloTextView::dragMoveEvent(QDragMoveEvent* event) {
  if (refusesDrop(event->mimeData())) {
    event->ignore();
    return;
  }
  QTextEdit::dragMoveEvent(event);
}

void KeloTextView::dropEvent(QDropEvent* event) {
  if (refusesDrop(event->mimeData())) {
    event->ignore();
    return;
  }
  QTextEdit::dropEvent(event);
}

}  // namespace zx::editor
