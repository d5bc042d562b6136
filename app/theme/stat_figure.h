// One statistic: a small caption above a large bold value.
#pragma once

#include <QWidget>

#include "theme/palette.h"

namespace zx::theme {

class StatFigure : public QWidget {
 public:
  static constexpr int kValuePx = 17;
  static constexpr int kSmallestValuePx = 8;

  StatFigure(const QString& label, const QString& value, QWidget* parent = nullptr);

  QString label() const { return label_; }
  void setLabel(const QString& label);
  QString value() const { return value_; }
  void setValue(const QString& value);
  // None: the palette's text.
  void setTone(const PaletteColor& tone);

  // The value's font size at the current width: 17, shrunk by whole pixels down to 8.
  int valuePixelSize() const;
  // The value as painted (cut with "…" when it does not fit even at 8 px).
  QString shownValue() const;
  // The caption's lines as painted: at most two, the second cut when a third would start.
  QStringList shownLabelLines() const;

  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void syncAccessibility();

  QString label_;
  QString value_;
  PaletteColor tone_;
};

}  // namespace zx::theme
