// The kit's one-line search and entry field: search icon, plain text entry, clear button
// and focus ring.
#pragma once

#include <QWidget>

class QAbstractButton;
class QLineEdit;

namespace zx::theme {

class EaseTween;

class KitField : public QWidget {
  Q_OBJECT

 public:
  explicit KitField(const QString& placeholder, QWidget* parent = nullptr);

  QString text() const;
  // The caller's value; never emits textEdited.
  void setText(const QString& text);
  QString placeholder() const;
  void setPlaceholder(const QString& placeholder);

  QLineEdit* lineEdit() const { return edit_; }
  QAbstractButton* clearButton() const { return clear_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  // Every edit by the user: typing, the clear button, Escape.
  void textEdited(const QString& text);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  // Escape clears a non-empty text and is passed on when the text is empty; handled here
  // only, never as a shortcut override, so an enclosing bar's Escape shortcut wins.
  void keyPressEvent(QKeyEvent* event) override;
  // A click on the icon or the padding still puts the caret in the entry.
  void mousePressEvent(QMouseEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void clearByUser();
  void syncClearButton();
  void layoutChildren();
  void syncEditPalette();

  QLineEdit* edit_;
  QAbstractButton* clear_;
  EaseTween* focus_;
};

}  // namespace zx::theme
