// The strip along the bottom of the window and its label-and-value items.
#pragma once

#include <QWidget>

#include "theme/palette.h"

class QHBoxLayout;

namespace zx::theme {

class StatusItem : public QWidget {
 public:
  StatusItem(const QString& label, const QString& value, QWidget* parent = nullptr);

  QString label() const { return label_; }
  void setLabel(const QString& label);
  QString value() const { return value_; }
  void setValue(const QString& value);
  // None: textSecondary.
  void setTone(const PaletteColor& tone);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void syncAccessibility();

  QString label_;
  QString value_;
  PaletteColor tone_;
};

class StatusBar : public QWidget {
 public:
  explicit StatusBar(QWidget* parent = nullptr);

  // Appends, left to right, 16 apart; the bar takes ownership.
  StatusItem* addItem(const QString& label, const QString& value);
  void addItem(StatusItem* item);
  void addWidget(QWidget* widget, int stretch = 0);
  void addStretch(int stretch = 1);
  QHBoxLayout* rowLayout() const { return row_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QHBoxLayout* row_;
  QWidget* topLine_;
};

}  // namespace zx::theme
