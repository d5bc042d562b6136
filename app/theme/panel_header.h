// The title strip at the top of a panel: title at the left, the caller's controls at the
// right, a soft hairline along the bottom.
#pragma once

#include <QWidget>

class QHBoxLayout;

namespace zx::theme {

class Hairline;
class KitLabel;

class PanelHeader : public QWidget {
  Q_OBJECT

 public:
  explicit PanelHeader(const QString& title, QWidget* parent = nullptr);

  QString title() const;
  void setTitle(const QString& title);
  // Appends `widget` to the trailing content (spacing 6); the header takes ownership.
  void addTrailing(QWidget* widget);
  QHBoxLayout* trailingLayout() const { return trailing_; }
  KitLabel* titleLabel() const { return title_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  KitLabel* title_;
  QHBoxLayout* trailing_;
  Hairline* line_;
};

}  // namespace zx::theme
