// A strip of text tabs with an accent underline under the selected one.
#pragma once

#include <QAbstractButton>
#include <QList>
#include <QWidget>

class QHBoxLayout;

namespace zx::theme {

class Hairline;

// One tab of an UnderlineTabs strip.
class TabButton : public QAbstractButton {
  Q_OBJECT

 public:
  TabButton(int tag, const QString& label, QWidget* parent = nullptr);

  int tag() const { return tag_; }
  QString label() const { return text(); }
  void setLabel(const QString& label);
  bool active() const { return active_; }
  void setActive(bool active);
  bool hovering() const { return hovering_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  // The strip's selection decides; a click never checks or unchecks by itself.
  void nextCheckState() override {}

 private:
  int tag_;
  bool active_ = false;
  bool hovering_ = false;
};

class UnderlineTabs : public QWidget {
  Q_OBJECT

 public:
  struct Tab {
    int tag;
    QString label;
  };

  explicit UnderlineTabs(const QList<Tab>& tabs, QWidget* parent = nullptr);

  int selection() const { return selection_; }
  // The caller's value (a tag matching no tab underlines none); never emits.
  void setSelection(int tag);
  void setTabLabel(int tag, const QString& label);
  // Controls at the right end, 16 from the edge; replaces (and deletes) the previous ones.
  void setTrailing(QWidget* widget);
  QWidget* trailing() const { return trailing_; }
  TabButton* tabButton(int tag) const;
  QList<TabButton*> tabButtons() const { return buttons_; }

  QSize sizeHint() const override;

 signals:
  // A click on a tab; emitted once per click, also on the selected tab.
  void selectionEdited(int tag);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QList<TabButton*> buttons_;
  QHBoxLayout* row_;
  QWidget* trailing_ = nullptr;
  Hairline* line_;
  int selection_ = -1;
};

}  // namespace zx::theme
