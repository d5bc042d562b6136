#include "panels/spinner.h"

#include <QPainter>
#include <cmath>

#include "theme/theme.h"

namespace zx::views {

namespace {

constexpr int kSpokes = 8;

}  // namespace

Spinner::Spinner(int size, QWidget* parent) : QWidget(parent), size_(size) {
  setFixedSize(size_, size_);
  setAccessibleName(QStringLiteral("In progress"));
  timer_.setInterval(100);
  connect(&timer_, &QTimer::timeout, this, [this] {
    step_ = (step_ + 1) % kSpokes;
    update();
  });
}

void Spinner::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  timer_.start();
}

void Spinner::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  timer_.stop();
}

void Spinner::paintEvent(QPaintEvent*) {
  const QColor colour = theme::PaletteScope::of(this).muted;
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing, true);
  const QPointF centre(width() / 2.0, height() / 2.0);
  const double outer = size_ / 2.0 - 1;
  const double inner = outer * 0.45;
  for (int i = 0; i < kSpokes; ++i) {
    // The spoke at the current step is darkest; the ones behind it fade.
    const int age = (step_ - i + kSpokes) % kSpokes;
    painter.setPen(QPen(theme::withOpacity(colour, 1.0 - age * 0.11), size_ / 8.0, Qt::SolidLine,
                        Qt::RoundCap));
    const double angle = 2 * M_PI * i / kSpokes - M_PI / 2;
    const QPointF direction(std::cos(angle), std::sin(angle));
    painter.drawLine(centre + direction * inner, centre + direction * outer);
  }
}

}  // namespace zx::views
