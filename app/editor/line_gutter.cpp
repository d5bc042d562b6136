#include "editor/line_gutter.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>

#include "editor/kelo_text_view.h"
#include "editor/row_layout.h"

namespace zx::editor {

LineGutter::LineGutter(KeloTextView* view) : QWidget(view), view_(view) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void LineGutter::setColours(const Colours& colours) {
  colours_ = colours;
  update();
}

void LineGutter::setCodeFont(const QFont& codeFont) {
  font_ = codeFont;
  font_.setPointSizeF(kNumberPixels * 72 / logicalDpiY());
  font_.setWeight(QFont::Medium);
  update();
}

void LineGutter::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect dirty = event->rect();
  painter.fillRect(dirty, colours_.fill);
  painter.fillRect(QRect(kWidth - 1, dirty.top(), 1, dirty.height()), colours_.separator);

  const RowLayout* layout = view_->rowLayout();
  const int scroll = view_->verticalScrollBar()->value();
  const int pitch = layout->pitch();
  const int firstRow = std::max(0, (scroll + dirty.top() - RowLayout::kTopInset) / pitch);
  const int current = layout->bandBlock();
  painter.setFont(font_);
  for (QTextBlock b = layout->blockAtRow(firstRow); b.isValid(); b = b.next()) {
    const qreal top = layout->rowTop(b) - scroll;
    if (top > dirty.bottom()) break;
    painter.setPen(b.blockNumber() == current ? colours_.current : colours_.number);
    painter.drawText(QRectF(0, top, kNumberRight, pitch), Qt::AlignRight | Qt::AlignVCenter,
                     QString::number(b.blockNumber() + 1));
  }
}

}  // namespace zx::editor
