#include "panels/tester_results.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include "panels/equity_chart.h"
#include "panels/tester_format.h"
#include "panels/trades_table.h"
#include "panels/view_look.h"
#include "theme/theme.h"

namespace zx::views {

namespace {

constexpr double kMinPane = 96;

// A strip with a fixed height on one palette colour.
class Band final : public QWidget {
 public:
  Band(int height, QColor theme::Palette::*fill, QWidget* parent) : QWidget(parent), fill_(fill) {
    setFixedHeight(height);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter(this).fillRect(rect(), theme::PaletteScope::of(this).*fill_);
  }

 private:
  QColor theme::Palette::*fill_;
};

}  // namespace

TesterResults::TesterResults(model::Workspace& workspace, bridge::BacktestReport report,
                             double tradesHeight, QWidget* parent)
    : QWidget(parent), workspace_(workspace), report_(std::move(report)) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(noticeStrip());
  column->addWidget(new theme::Hairline(Qt::Horizontal, true, this));
  column->addWidget(statsRow());
  column->addWidget(new theme::Hairline(Qt::Horizontal, true, this));

  chart_ = new EquityChart;
  chart_->setSeries(report_.equity, report_.startingBalance, report_.netProfit);

  auto* bottom = new QWidget;
  auto* pane = new QVBoxLayout(bottom);
  pane->setContentsMargins(0, 0, 0, 0);
  pane->setSpacing(0);
  auto* header = new theme::PanelHeader(QStringLiteral("Trades"), bottom);
  tradesCount_ = new theme::KitLabel(QString::number(report_.trades.size()),
                                     theme::FontStyle::caption, &theme::Palette::muted);
  tradesCount_->setTabularDigits(true);
  header->addTrailing(tradesCount_);
  pane->addWidget(header);
  // Filled by refreshData below, with the digits and currency it follows.
  trades_ = new TradesTable(bottom);
  pane->addWidget(trades_);

  split_ = new theme::VerticalSplit(chart_, bottom, kMinPane, kMinPane, this);
  split_->setBottomHeight(tradesHeight);
  connect(split_, &theme::VerticalSplit::bottomHeightEdited, this,
          &TesterResults::tradesHeightEdited);
  column->addWidget(split_, 1);
  refreshData();
}

QWidget* TesterResults::noticeStrip() {
  auto* strip = new Band(34, &theme::Palette::surfaceSunken, this);
  auto* row = new QHBoxLayout(strip);
  row->setContentsMargins(theme::Space::xl, 0, theme::Space::xl, 0);
  row->setSpacing(theme::Space::md);
  sourcePill_ = new theme::StatusPill(QString(), theme::StatusPill::Tone::warn, strip);
  row->addWidget(sourcePill_);
  notice_ =
      new theme::KitLabel(QString(), theme::FontStyle::caption, &theme::Palette::muted, strip);
  notice_->setElideMode(Qt::ElideMiddle);
  notice_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  row->addWidget(notice_);
  currencyPill_ = new theme::StatusPill(QString(), theme::StatusPill::Tone::warn, strip);
  row->addWidget(currencyPill_);
  row->addStretch(1);
  bars_ = new theme::KitLabel(countText(report_.equity.size(), "bar replayed", "bars replayed"),
                              theme::FontStyle::caption, &theme::Palette::muted, strip);
  bars_->setTabularDigits(true);
  bars_->setMinimumWidth(bars_->sizeHint().width());
  row->addWidget(bars_);
  return strip;
}

QWidget* TesterResults::statsRow() {
  auto* strip = new QWidget(this);
  strip->setFixedHeight(76);
  auto* row = new QHBoxLayout(strip);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  const QString values[] = {formatAmount(report_.netProfit), QString::number(report_.trades.size()),
                            percentText(report_.winRate), factorText(report_.profitFactor),
                            formatAmount(report_.maxDrawdown)};
  for (int i = 0; i < 5; ++i) {
    if (i > 0) row->addWidget(new theme::Hairline(Qt::Vertical, true, strip));
    auto* figure = new theme::StatFigure(QString(), values[i], strip);
    row->addWidget(figure, 1);
    figures_ << figure;
  }
  figures_[0]->setTone(toneRole(amountTone(report_.netProfit)));
  figures_[4]->setTone(toneRole(Tone::sell));
  return strip;
}

void TesterResults::refreshData() {
  const bool live = workspace_.usingLiveData();
  sourcePill_->setText(live ? QStringLiteral("Broker prices") : QStringLiteral("Sample prices"));
  sourcePill_->setTone(live ? theme::StatusPill::Tone::good : theme::StatusPill::Tone::warn);
  notice_->setText(workspace_.dataNotice());
  const QString& currency = workspace_.reportCurrency();
  currencyPill_->setText(QStringLiteral("Profit in ") + currency);
  currencyPill_->setVisible(live && !workspace_.currencyConverted());
  figures_[0]->setLabel(QStringLiteral("Net profit ") + currency);
  figures_[1]->setLabel(QStringLiteral("Trades"));
  figures_[2]->setLabel(QStringLiteral("Win rate"));
  figures_[3]->setLabel(QStringLiteral("Profit factor"));
  figures_[4]->setLabel(QStringLiteral("Max drawdown ") + currency);
  trades_->setTrades(report_.trades, workspace_.priceDigits(), currency);
}

}  // namespace zx::views
