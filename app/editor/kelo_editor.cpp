#include "editor/kelo_editor.h"

#include <QAction>
#include <QVBoxLayout>

#include "editor/find_bar.h"
#include "editor/kelo_highlighter.h"
#include "editor/kelo_text_view.h"
#include "editor/row_layout.h"
#include "editor/text_scan.h"
#include "editor/token_fetcher.h"

namespace zx::editor {

KeloEditor::KeloEditor(const bridge::EngineCalls& engine, QWidget* parent) : QWidget(parent) {
  view_ = new KeloTextView(this);
  findBar_ = new FindBar(view_, this);
  findBar_->hide();
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(findBar_);
  column->addWidget(view_, 1);
  setFocusProxy(view_);

  QTextDocument* doc = view_->document();
  // Connected before the highlighter is attached, so an edited block is recoloured from
  // spans already moved with the edit; attached while the document is still empty.
  connect(doc, &QTextDocument::contentsChange, this, &KeloEditor::contentsChanged);
  highlighter_ = new KeloHighlighter(doc);
  fetcher_ = new TokenFetcher(engine, this);
  connect(fetcher_, &TokenFetcher::fetched, this, &KeloEditor::tokensFetched);
  connect(view_, &KeloTextView::cursorReported, this, &KeloEditor::cursorReported);
  makeFindActions();
}

KeloEditor::~KeloEditor() {
  // Waits for a token request in flight while the text view still exists.
  delete fetcher_;
}

void KeloEditor::makeFindActions() {
  const auto add = [this](const QString& text, const QList<QKeySequence>& keys,
                          void (FindBar::*command)()) {
    auto* action = new QAction(text, this);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(action, &QAction::triggered, findBar_, command);
    addAction(action);
    return action;
  };
  findActions_ = {
      add(QStringLiteral("Find\u2026"), {QKeySequence(Qt::CTRL | Qt::Key_F)}, &FindBar::openFind),
      add(QStringLiteral("Find Next"),
          {QKeySequence(Qt::Key_F3), QKeySequence(Qt::CTRL | Qt::Key_G)}, &FindBar::findNext),
      add(QStringLiteral("Find Previous"),
          {QKeySequence(Qt::SHIFT | Qt::Key_F3), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G)},
          &FindBar::findPrevious),
      add(QStringLiteral("Use Selection for Find"), {QKeySequence(Qt::CTRL | Qt::Key_E)},
          &FindBar::useSelectionForFind),
      add(QStringLiteral("Replace\u2026"), {QKeySequence(Qt::CTRL | Qt::Key_H)},
          &FindBar::openReplace),
  };
  // Escape belongs to the bar only while it is open.
  QAction* done = add(QStringLiteral("Done"), {QKeySequence(Qt::Key_Escape)}, &FindBar::close);
  done->setEnabled(false);
  connect(findBar_, &FindBar::openChanged, done, &QAction::setEnabled);
}

QString KeloEditor::text() const {
  return view_->rawText();
}

CaretPlace KeloEditor::caret() const {
  return view_->caretPlace();
}

void KeloEditor::setText(const QString& text) {
  if (text == exchanged_ || text == given_) return;
  QTextDocument* doc = view_->document();
  const int caret = view_->textCursor().selectionStart();
  replacing_ = true;
  doc->setPlainText(text);  // also empties the undo history
  replacing_ = false;
  ++revision_;

  // The document shows a paragraph separator as a line break: what it holds is the
  // editor's text, and the caller's stands for it until the next edit.
  const QString shown = view_->rawText();
  exchanged_ = shown;
  given_ = text;
  int at = std::min(caret, int(shown.size()));
  if (splitsPair(shown, at)) --at;
  QTextCursor cursor(doc);
  cursor.setPosition(at);
  view_->setTextCursor(cursor);
  fetcher_->request(revision_, shown);
  underline();
  if (findBar_->isOpen()) findBar_->textChanged();
  view_->reportCaret();
}

void KeloEditor::contentsChanged(int from, int removed, int added) {
  if (replacing_) {
    highlighter_->followEdit(from, removed, added);
    return;
  }
  // A change of formats (an input method's pre-edit text) looks like an overwrite of the
  // same length: the text, its colours and its underlines stay as they are.
  const QString text = view_->rawText();
  if (text == exchanged_) return;
  const TextEdit edit = narrowedEdit(exchanged_, text, {from, removed, added});
  exchanged_ = text;
  given_ = text;
  highlighter_->followEdit(edit.from, edit.removed, edit.added);
  ++revision_;
  QList<Underline> moved = view_->rowLayout()->underlines();
  if (!moved.isEmpty()) {
    shiftSpans(moved, edit.from, edit.removed, edit.added);
    view_->rowLayout()->setUnderlines(moved);
  }
  emit textEdited(text);
  fetcher_->request(revision_, text);
  if (findBar_->isOpen()) findBar_->textChanged();
  view_->reportCaret();
}

void KeloEditor::tokensFetched(quint64 revision, const QList<TokenSpan>& spans) {
  if (revision != revision_) return;
  highlighter_->applyTokens(spans);
  emit coloured();
}

void KeloEditor::setDiagnostics(const QList<bridge::Diagnostic>& diagnostics) {
  if (diagnostics == diagnostics_ && underlinedRevision_ == revision_) return;
  diagnostics_ = diagnostics;
  underline();
}

void KeloEditor::underline() {
  underlinedRevision_ = revision_;
  view_->rowLayout()->setUnderlines(underlinesOf(diagnostics_, view_->rawText()));
}

void KeloEditor::setColours(const EditorColours& colours) {
  if (colours_ == colours) return;
  colours_ = colours;
  view_->setColours(colours);
  findBar_->setColours(colours);
  highlighter_->setColours(colours);
}

void KeloEditor::setCodeFont(const QFont& font) {
  view_->setCodeFont(font);
}

void KeloEditor::jumpTo(qint64 line, qint64 column) {
  if (line < 1) return;
  const QString text = view_->rawText();
  const QList<int> starts = lineStarts(text);
  const int at = line - 1 < starts.size() ? advanceScalars(text, starts[qsizetype(line - 1)],
                                                           column > 1 ? column - 1 : 0)
                                          : int(text.size());
  QTextCursor cursor(view_->document());
  cursor.setPosition(at);
  view_->setTextCursor(cursor);
  view_->ensureCursorVisible();
  view_->setFocus(Qt::OtherFocusReason);
}

QList<KeloEditor::PaintedUnderline> KeloEditor::underlines() const {
  QList<PaintedUnderline> painted;
  const EditorColours c = colours_.value_or(EditorColours{});
  for (const Underline& u : view_->rowLayout()->underlines()) {
    painted.append({u.start, u.end, u.error ? c.sell : c.warning});
  }
  return painted;
}

}  // namespace zx::editor
