// A painted one-line text in a kit font and a palette colour: shown verbatim (never as
// markup), cut with "…" when it does not fit, digits optionally tabular.
#pragma once

#include <QWidget>

#include "theme/fonts.h"
#include "theme/palette.h"

namespace zx::theme {

class KitLabel : public QWidget {
 public:
  KitLabel(const QString& text, FontStyle style, const PaletteColor& colour,
           QWidget* parent = nullptr);

  QString text() const { return text_; }
  // Also the accessible name.
  void setText(const QString& text);
  void setFont(FontStyle style);
  void setFont(const QFont& font);
  void setColour(const PaletteColor& colour);
  // Qt::ElideRight by default; the status bar's message uses Qt::ElideMiddle.
  void setElideMode(Qt::TextElideMode mode);
  void setAlignment(Qt::Alignment alignment);
  // Equal advances for the ten digits, so changing figures keep their width.
  void setTabularDigits(bool on);
  void setOpacity(qreal opacity);

  // The text as painted at the current width.
  QString shownText() const;
  bool isCut() const { return shownText() != text_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  qreal textWidth() const;

  QString text_;
  QFont font_;
  PaletteColor colour_;
  Qt::TextElideMode elide_ = Qt::ElideRight;
  Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignVCenter;
  bool tabular_ = false;
  qreal opacity_ = 1;
};

}  // namespace zx::theme
