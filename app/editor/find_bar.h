// Find and replace over the text view: the bar a desktop editor user expects.
//
// Matching is plain text, case-insensitive unless Match Case is on, and wraps. While the
// bar is open every match gets a tinted background and the count follows every edit.
#pragma once

#include <QTextCursor>
#include <QWidget>

#include "editor/editor_colours.h"
#include "editor/text_search.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace zx::editor {

class KeloTextView;

class FindBar : public QWidget {
  Q_OBJECT

 public:
  FindBar(KeloTextView* view, QWidget* parent = nullptr);

  // Shows the find row, fills it from a one-line selection and focuses it.
  void openFind();
  // As openFind, with the replace row.
  void openReplace();
  void findNext();
  void findPrevious();
  void useSelectionForFind();
  // Hides the bar and its match backgrounds; the text gets the focus back.
  void close();
  void replace();
  // One edit: one undo step, one change for the model.
  void replaceAll();
  // The text changed: recount.
  void textChanged();

  void setColours(const EditorColours& colours);

  QString countText() const;
  bool isOpen() const { return !isHidden(); }
  QLineEdit* findField() const { return find_; }
  QLineEdit* replaceField() const { return replace_; }
  QToolButton* matchCaseButton() const { return matchCase_; }
  QToolButton* wholeWordsButton() const { return wholeWords_; }
  bool replaceShown() const;

 signals:
  void openChanged(bool open);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  SearchOptions options() const;
  // Recounts; with `jump`, selects the first match from the anchor on.
  void search(bool jump);
  void select(int index);
  // The match this bar selected for an earlier query is no match of the current one: the
  // selection collapses to its start, so that nothing the user no longer sees as selected
  // is replaced by a paste. A selection the user made stays.
  void dropPicked();
  int currentIndex() const;
  void showCount();
  void showMatches();

  KeloTextView* view_;
  QLineEdit* find_;
  QLabel* count_;
  QToolButton* previous_;
  QToolButton* next_;
  QToolButton* matchCase_;
  QToolButton* wholeWords_;
  QToolButton* done_;
  QWidget* replaceRow_;
  QLineEdit* replace_;
  QPushButton* replaceOne_;
  QPushButton* replaceAll_;
  QColor edge_;

  QTextCursor picked_;  // the last match selected; follows edits
  QList<int> matches_;
  int length_ = 0;
  int anchor_ = 0;
};

}  // namespace zx::editor
