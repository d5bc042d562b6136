#include "editor/find_bar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "editor/kelo_text_view.h"
#include "editor/row_layout.h"

namespace zx::editor {
namespace {

constexpr int kFieldWidth = 220;

QToolButton* toolButton(const QString& text, const QString& name, QWidget* parent) {
  auto* b = new QToolButton(parent);
  b->setText(text);
  b->setToolTip(name);
  b->setAccessibleName(name);
  b->setAutoRaise(true);
  b->setFocusPolicy(Qt::TabFocus);
  return b;
}

bool isOneLine(const QString& selected) {
  return !selected.contains(QChar::ParagraphSeparator) && !selected.contains(u'\n') &&
         !selected.contains(QChar::LineSeparator);
}

}  // namespace

FindBar::FindBar(KeloTextView* view, QWidget* parent) : QWidget(parent), view_(view) {
  setAutoFillBackground(true);
  find_ = new QLineEdit(this);
  find_->setPlaceholderText(QStringLiteral("Find"));
  find_->setAccessibleName(QStringLiteral("Find"));
  find_->setClearButtonEnabled(true);
  find_->setMinimumWidth(kFieldWidth);
  count_ = new QLabel(this);
  count_->setMinimumWidth(72);
  previous_ = toolButton(QStringLiteral("\u2039"), QStringLiteral("Previous"), this);
  next_ = toolButton(QStringLiteral("\u203a"), QStringLiteral("Next"), this);
  matchCase_ = toolButton(QStringLiteral("Match Case"), QStringLiteral("Match Case"), this);
  wholeWords_ = toolButton(QStringLiteral("Whole Words"), QStringLiteral("Whole Words"), this);
  matchCase_->setCheckable(true);
  wholeWords_->setCheckable(true);
  done_ = toolButton(QStringLiteral("\u2715"), QStringLiteral("Done"), this);

  replaceRow_ = new QWidget(this);
  replace_ = new QLineEdit(replaceRow_);
  replace_->setPlaceholderText(QStringLiteral("Replace"));
  replace_->setAccessibleName(QStringLiteral("Replace"));
  replace_->setMinimumWidth(kFieldWidth);
  replaceOne_ = new QPushButton(QStringLiteral("Replace"), replaceRow_);
  replaceAll_ = new QPushButton(QStringLiteral("Replace All"), replaceRow_);
  for (QPushButton* b : {replaceOne_, replaceAll_}) b->setAutoDefault(false);

  auto* findRow = new QHBoxLayout;
  findRow->setContentsMargins(0, 0, 0, 0);
  findRow->setSpacing(4);
  findRow->addWidget(find_, 1);
  findRow->addWidget(count_);
  findRow->addWidget(previous_);
  findRow->addWidget(next_);
  findRow->addSpacing(6);
  findRow->addWidget(matchCase_);
  findRow->addWidget(wholeWords_);
  findRow->addStretch(0);
  findRow->addWidget(done_);
  auto* replaceLayout = new QHBoxLayout(replaceRow_);
  replaceLayout->setContentsMargins(0, 0, 0, 0);
  replaceLayout->setSpacing(4);
  replaceLayout->addWidget(replace_, 1);
  replaceLayout->addWidget(replaceOne_);
  replaceLayout->addWidget(replaceAll_);
  replaceLayout->addStretch(0);
  auto* rows = new QVBoxLayout(this);
  rows->setContentsMargins(8, 5, 8, 6);
  rows->setSpacing(4);
  rows->addLayout(findRow);
  rows->addWidget(replaceRow_);
  replaceRow_->hide();

  connect(find_, &QLineEdit::textChanged, this, [this] { search(true); });
  connect(matchCase_, &QToolButton::toggled, this, [this] { search(true); });
  connect(wholeWords_, &QToolButton::toggled, this, [this] { search(true); });
  connect(previous_, &QToolButton::clicked, this, &FindBar::findPrevious);
  connect(next_, &QToolButton::clicked, this, &FindBar::findNext);
  connect(done_, &QToolButton::clicked, this, &FindBar::close);
  connect(replaceOne_, &QPushButton::clicked, this, &FindBar::replace);
  connect(replaceAll_, &QPushButton::clicked, this, &FindBar::replaceAll);
  // The count names the match under the caret, wherever the caret goes.
  connect(view_, &QTextEdit::cursorPositionChanged, this, [this] {
    if (isOpen()) showCount();
  });
  find_->installEventFilter(this);
  replace_->installEventFilter(this);
}

bool FindBar::replaceShown() const {
  return !replaceRow_->isHidden();
}

SearchOptions FindBar::options() const {
  return {matchCase_->isChecked(), wholeWords_->isChecked()};
}

void FindBar::openFind() {
  const QTextCursor cursor = view_->textCursor();
  anchor_ = cursor.selectionStart();
  replaceRow_->hide();
  show();
  emit openChanged(true);
  const QString selected = cursor.selectedText();
  if (!selected.isEmpty() && isOneLine(selected)) find_->setText(selected);
  search(false);
  find_->setFocus(Qt::ShortcutFocusReason);
  find_->selectAll();
}

void FindBar::openReplace() {
  openFind();
  replaceRow_->show();
  if (!find_->text().isEmpty()) {
    replace_->setFocus(Qt::ShortcutFocusReason);
    replace_->selectAll();
  }
}

void FindBar::useSelectionForFind() {
  const QTextCursor cursor = view_->textCursor();
  const QString selected = cursor.selectedText();
  if (selected.isEmpty() || !isOneLine(selected)) return;
  anchor_ = cursor.selectionStart();
  find_->setText(selected);
  search(false);
}

void FindBar::close() {
  hide();
  emit openChanged(false);
  view_->rowLayout()->setFindMatches({});
  view_->setFocus(Qt::OtherFocusReason);
}

void FindBar::textChanged() {
  if (!find_->text().isEmpty()) search(false);
}

void FindBar::search(bool jump) {
  length_ = int(find_->text().size());
  matches_ = findMatches(view_->rawText(), find_->text(), options());
  if (jump && !matches_.isEmpty()) {
    const auto it = std::lower_bound(matches_.cbegin(), matches_.cend(), anchor_);
    select(it == matches_.cend() ? 0 : int(it - matches_.cbegin()));
  } else if (jump) {
    dropPicked();
  }
  showMatches();
  showCount();
}

void FindBar::showMatches() {
  QList<Utf16Range> ranges;
  if (!isHidden()) {
    ranges.reserve(matches_.size());
    for (const int m : matches_) ranges.append({m, m + length_});
  }
  view_->rowLayout()->setFindMatches(ranges);
}

int FindBar::currentIndex() const {
  const QTextCursor cursor = view_->textCursor();
  if (cursor.selectionEnd() - cursor.selectionStart() != length_) return -1;
  const auto it = std::lower_bound(matches_.cbegin(), matches_.cend(), cursor.selectionStart());
  if (it == matches_.cend() || *it != cursor.selectionStart()) return -1;
  return int(it - matches_.cbegin());
}

QString FindBar::countText() const {
  return count_->text();
}

void FindBar::showCount() {
  const auto n = matches_.size();
  QString text;
  if (find_->text().isEmpty()) {
    text.clear();
  } else if (n == 0) {
    text = QStringLiteral("No matches");
  } else if (const int at = currentIndex(); at >= 0) {
    text = QStringLiteral("%1 of %2").arg(at + 1).arg(n);
  } else {
    text = n == 1 ? QStringLiteral("1 match") : QStringLiteral("%1 matches").arg(n);
  }
  count_->setText(text);
}

void FindBar::select(int index) {
  const int start = matches_[index];
  QTextCursor cursor(view_->document());
  cursor.setPosition(start);
  cursor.setPosition(start + length_, QTextCursor::KeepAnchor);
  view_->setTextCursor(cursor);
  picked_ = cursor;
  view_->ensureCursorVisible();
  anchor_ = start;
  showCount();
}

void FindBar::dropPicked() {
  QTextCursor cursor = view_->textCursor();
  if (picked_.isNull() || !cursor.hasSelection() ||
      cursor.selectionStart() != picked_.selectionStart() ||
      cursor.selectionEnd() != picked_.selectionEnd()) {
    return;
  }
  cursor.setPosition(cursor.selectionStart());
  view_->setTextCursor(cursor);
}

void FindBar::findNext() {
  if (find_->text().isEmpty()) {
    openFind();
    return;
  }
  search(false);
  if (matches_.isEmpty()) return;
  const int from = view_->textCursor().selectionEnd();
  const auto it = std::lower_bound(matches_.cbegin(), matches_.cend(), from);
  select(it == matches_.cend() ? 0 : int(it - matches_.cbegin()));
}

void FindBar::findPrevious() {
  if (find_->text().isEmpty()) {
    openFind();
    return;
  }
  search(false);
  if (matches_.isEmpty()) return;
  const int before = view_->textCursor().selectionStart();
  const auto it = std::lower_bound(matches_.cbegin(), matches_.cend(), before);
  select(it == matches_.cbegin() ? int(matches_.size()) - 1 : int(it - matches_.cbegin()) - 1);
}

void FindBar::replace() {
  search(false);
  if (currentIndex() >= 0) view_->textCursor().insertText(replace_->text());
  findNext();
}

void FindBar::replaceAll() {
  search(false);
  if (matches_.isEmpty()) return;
  QTextCursor cursor(view_->document());
  cursor.beginEditBlock();
  for (auto it = matches_.crbegin(); it != matches_.crend(); ++it) {
    cursor.setPosition(*it);
    cursor.setPosition(*it + length_, QTextCursor::KeepAnchor);
    cursor.insertText(replace_->text());
  }
  cursor.endEditBlock();
  search(false);
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() == Qt::Key_Escape) {
    close();
    return true;
  }
  if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
  if (watched == replace_) {
    replace();
  } else if (key->modifiers() & Qt::ShiftModifier) {
    findPrevious();
  } else {
    findNext();
  }
  return true;
}

void FindBar::setColours(const EditorColours& c) {
  QPalette p = palette();
  p.setColor(QPalette::Window, c.surfaceSunken);
  p.setColor(QPalette::WindowText, c.text);
  p.setColor(QPalette::Base, c.panel);
  p.setColor(QPalette::Text, c.text);
  p.setColor(QPalette::Button, c.panel);
  p.setColor(QPalette::ButtonText, c.text);
  p.setColor(QPalette::PlaceholderText, c.muted);
  p.setColor(QPalette::Highlight, c.accent);
  p.setColor(QPalette::Mid, c.borderSoft);
  setPalette(p);
  QPalette muted = count_->palette();
  muted.setColor(QPalette::WindowText, c.muted);
  count_->setPalette(muted);
  edge_ = c.borderSoft;
  update();
}

void FindBar::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  QPainter painter(this);
  painter.fillRect(QRect(0, height() - 1, width(), 1), edge_);
}

}  // namespace zx::editor
