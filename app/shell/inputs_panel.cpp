#include "shell/inputs_panel.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QVBoxLayout>

#include "shell/input_bound_text.h"
#include "theme/theme.h"

namespace zx::views {

using theme::FontStyle;
using theme::PaletteScope;

namespace {

constexpr int kPadding = theme::Space::xl;
constexpr int kSpacing = theme::Space::md;
constexpr int kMinGap = theme::Space::sm;
constexpr int kBadgePadX = 6, kBadgePadY = 1;

QSizeF badgeSize(const QString& type) {
  const QFontMetricsF m(theme::font(FontStyle::micro));
  return {m.horizontalAdvance(type) + 2 * kBadgePadX, m.height() + 2 * kBadgePadY};
}

}  // namespace

InputRow::InputRow(const bridge::InputSpec& input, QWidget* parent) : QWidget(parent) {
  theme::setAccessibleRole(this, QAccessible::StaticText);
  setFixedHeight(kHeight);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setInput(input);
}

void InputRow::setInput(const bridge::InputSpec& input) {
  name_ = input.label.isEmpty() ? input.name : input.label;
  type_ = input.type;
  range_ = input.min && input.max ? inputRangeText(*input.min, *input.max) : QString();
  setToolTip(input.hint.isEmpty() ? input.name : input.hint);
  QString spoken = name_;
  if (!range_.isEmpty()) spoken += QStringLiteral(", ") + range_;
  setAccessibleName(spoken + QStringLiteral(", ") + type_);
  updateGeometry();
  update();
}

QSize InputRow::sizeHint() const {
  const QFontMetricsF name(theme::font(FontStyle::table));
  qreal w = 2 * kPadding + name.horizontalAdvance(name_) + kMinGap + kSpacing;
  if (!range_.isEmpty()) {
    w += theme::tabularWidth(theme::font(FontStyle::caption), range_) + kSpacing;
  }
  w += badgeSize(type_).width();
  return {int(std::ceil(w)), kHeight};
}

QSize InputRow::minimumSizeHint() const {
  return {0, kHeight};
}

void InputRow::paintEvent(QPaintEvent*) {
  const theme::Palette& palette = PaletteScope::of(this);
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal mid = height() / 2.0;
  qreal right = width() - kPadding;

  // From the trailing end: the badge, the range, then the name in what is left.
  const QFont micro = theme::font(FontStyle::micro);
  const QSizeF badge = badgeSize(type_);
  const QRectF badgeRect(right - badge.width(), mid - badge.height() / 2, badge.width(),
                         badge.height());
  QPainterPath shape;
  shape.addRoundedRect(badgeRect, theme::Radius::tag, theme::Radius::tag);
  p.fillPath(shape, palette.surfaceRaised);
  p.setFont(micro);
  p.setPen(palette.muted);
  p.drawText(badgeRect, Qt::AlignCenter, type_);
  right = badgeRect.left() - kSpacing;

  if (!range_.isEmpty()) {
    const QFont caption = theme::font(FontStyle::caption);
    const qreal w = theme::tabularWidth(caption, range_);
    const QFontMetricsF m(caption);
    p.setFont(caption);
    p.setPen(palette.muted);
    theme::drawTabular(p, QPointF(right - w, mid + (m.ascent() - m.descent()) / 2), caption,
                       range_);
    right -= w + kSpacing;
  }

  const QFont table = theme::font(FontStyle::table);
  const QFontMetricsF m(table);
  const qreal room = right - kMinGap - kPadding;
  p.setFont(table);
  p.setPen(palette.textSecondary);
  p.drawText(QPointF(kPadding, mid + (m.ascent() - m.descent()) / 2),
             m.elidedText(name_, Qt::ElideRight, std::max<qreal>(room, 0)));
}

InputsPanel::InputsPanel(QWidget* parent) : QWidget(parent) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  header_ = new theme::PanelHeader(QStringLiteral("Inputs"), this);
  count_ = new theme::KitLabel(QStringLiteral("0"), FontStyle::caption, &theme::Palette::muted);
  count_->setTabularDigits(true);
  header_->addTrailing(count_);
  column->addWidget(header_);

  scroll_ = new QScrollArea(this);
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setWidgetResizable(true);
  scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // Reachable by Tab to scroll with the keys, but a click never takes the editor's focus.
  scroll_->setFocusPolicy(Qt::TabFocus);
  content_ = new QWidget(scroll_);
  content_->setAutoFillBackground(false);
  list_ = new QVBoxLayout(content_);
  list_->setContentsMargins(0, 0, 0, theme::Space::lg);
  list_->setSpacing(0);
  list_->addStretch(1);
  scroll_->setWidget(content_);
  scroll_->viewport()->setAutoFillBackground(false);
  column->addWidget(scroll_, 1);
}

QString InputsPanel::countText() const {
  return count_->text();
}

void InputsPanel::setSchema(const bridge::InputSchema& schema) {
  // The empty schema it starts with shows as it is made: a count of 0 and no rows.
  if (schema == schema_) return;
  schema_ = schema;
  count_->setText(QString::number(schema_.inputs.size()));
  rebuild();
}

void InputsPanel::rebuild() {
  // What to show, in order: a caption (no input) or an input.
  struct Entry {
    QString caption;
    const bridge::InputSpec* input = nullptr;
  };
  QList<Entry> wanted;
  const auto addGroup = [&](const QString& caption, const QString& id, bool captioned) {
    bool any = false;
    for (const bridge::InputSpec& input : schema_.inputs) {
      if (input.group != id) continue;
      if (!any && captioned) wanted << Entry{caption, nullptr};
      any = true;
      wanted << Entry{QString(), &input};
    }
  };
  for (const bridge::InputGroup& group : schema_.groups) addGroup(group.label, group.id, true);
  addGroup(QStringLiteral("Other"), QString(), !schema_.groups.isEmpty());

  for (qsizetype i = 0; i < wanted.size(); ++i) {
    const Entry& e = wanted[i];
    QWidget* kept = i < entries_.size() ? entries_[i] : nullptr;
    if (e.input) {
      if (auto* row = dynamic_cast<InputRow*>(kept)) {
        row->setInput(*e.input);
        continue;
      }
    } else if (auto* caption = dynamic_cast<theme::SectionLabel*>(kept)) {
      caption->setText(e.caption);
      continue;
    }
    QWidget* made = e.input ? static_cast<QWidget*>(new InputRow(*e.input, content_))
                            : new theme::SectionLabel(e.caption, content_);
    if (kept) {
      delete kept;
      entries_[i] = made;
    } else {
      entries_ << made;
    }
    list_->insertWidget(int(i), made);
    made->show();
  }
  while (entries_.size() > wanted.size()) delete entries_.takeLast();
}

void InputsPanel::paintEvent(QPaintEvent*) {
  QPainter(this).fillRect(rect(), PaletteScope::of(this).surfaceSunken);
}

}  // namespace zx::views
