// The placeholder of an empty list or pane: glyph and title, the detail below them, in the
// top-left corner.
#pragma once

#include <QWidget>

#include "theme/glyph.h"

namespace zx::theme {

class EmptyState : public QWidget {
 public:
  // Symbols without a size of their own are drawn as the system font at 13 px, medium.
  static constexpr GlyphStyle kGlyphStyle{15, 1.7, 13, QFont::Medium};

  EmptyState(const Glyph& glyph, const QString& title, const QString& detail, int glyphWidth,
             QWidget* parent = nullptr);

  QString title() const { return title_; }
  QString detail() const { return detail_; }
  int glyphWidth() const { return glyphWidth_; }
  // Where the glyph is drawn: the glyphWidth x 16 slot at (16, 16), a symbol 1 px lower.
  QRectF glyphRect() const;
  // Where the title and the detail begin, from the left edge.
  int textX() const { return 16 + glyphWidth_ + 8; }

  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Glyph glyph_;
  QString title_;
  QString detail_;
  int glyphWidth_;
};

}  // namespace zx::theme
