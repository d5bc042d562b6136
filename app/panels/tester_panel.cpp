#include "panels/tester_panel.h"

#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

#include "panels/spinner.h"
#include "panels/tester_results.h"
#include "panels/tester_settings.h"
#include "theme/theme.h"

namespace zx::views {

namespace {

using Field = model::Workspace::Field;

}  // namespace

TesterPanel::TesterPanel(model::Workspace& workspace, QWidget* parent)
    : QWidget(parent),
      workspace_(workspace),
      settings_(new TesterSettings(workspace, this)),
      layout_(new QVBoxLayout(this)) {
  layout_->setContentsMargins(0, 0, 0, 0);
  layout_->setSpacing(0);
  layout_->addWidget(settings_);
  layout_->addWidget(new theme::Hairline(Qt::Horizontal, true, this));
  connect(&workspace_, &model::Workspace::changed, this, &TesterPanel::onChanged);
  rebuild();
}

void TesterPanel::onChanged(Field field) {
  switch (field) {
    case Field::isTesting:
    case Field::report:
      rebuild();
      break;
    case Field::session:
      if (workspace_.session().has_value() != signedIn_) rebuild();
      break;
    case Field::usingLiveData:
    case Field::dataNotice:
    case Field::currencyConverted:
    case Field::reportCurrency:
    case Field::priceDigits:
      if (results_) results_->refreshData();
      break;
    default:
      break;
  }
}

void TesterPanel::rebuild() {
  signedIn_ = workspace_.session().has_value();
  if (content_) {
    // A Run click may have led here from inside the old content's own signal.
    content_->hide();
    content_->deleteLater();
  }
  results_ = nullptr;
  errors_ = nullptr;
  const auto& report = workspace_.report();
  // Testing beats a report; errors beat results.
  if (workspace_.isTesting()) {
    state_ = State::progress;
    content_ = progressView();
  } else if (!report) {
    state_ = State::empty;
    content_ = new theme::EmptyState(
        theme::Icon::indicators, QStringLiteral("No backtest yet"),
        QStringLiteral("Run one to see the equity curve, the trades and the statistics. Results "
                       "come from recorded prices, not a forecast."),
        16, this);
  } else if (!report->errors.isEmpty()) {
    state_ = State::errors;
    errors_ = errorView(report->errors);
    content_ = errors_;
  } else {
    state_ = State::results;
    results_ = new TesterResults(workspace_, *report, tradesHeight_, this);
    connect(results_, &TesterResults::tradesHeightEdited, this,
            [this](double height) { tradesHeight_ = height; });
    content_ = results_;
  }
  layout_->addWidget(content_, 1);
}

QWidget* TesterPanel::progressView() {
  auto* view = new QWidget(this);
  auto* column = new QVBoxLayout(view);
  column->setSpacing(theme::Space::lg);
  column->addStretch(1);
  auto* spinner = new Spinner(16, view);
  column->addWidget(spinner, 0, Qt::AlignHCenter);
  auto* text = new theme::KitLabel(
      signedIn_ ? QStringLiteral("Loading prices") : QStringLiteral("Replaying bars"),
      theme::FontStyle::caption, &theme::Palette::muted, view);
  text->setAlignment(Qt::AlignHCenter);
  column->addWidget(text, 0, Qt::AlignHCenter);
  column->addStretch(1);
  return view;
}

QTextEdit* TesterPanel::errorView(const QList<QString>& errors) {
  auto* view = new QTextEdit(this);
  view->setReadOnly(true);
  view->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  view->setFrameShape(QFrame::NoFrame);
  view->setAccessibleName(QStringLiteral("The bot stopped with errors"));
  view->document()->setDocumentMargin(theme::Space::xl);
  errorLines_ = errors;
  errors_ = view;
  fillErrors();
  return view;
}

void TesterPanel::fillErrors() {
  if (!errors_) return;
  const theme::Palette& palette = theme::PaletteScope::of(this);
  QPalette q = theme::qtPalette(palette);
  q.setColor(QPalette::Base, palette.panel);
  errors_->setPalette(q);
  errors_->clear();
  QTextCursor cursor(errors_->document());
  QTextBlockFormat block;
  QTextCharFormat heading;
  heading.setFont(theme::font(theme::FontStyle::bodyStrong));
  heading.setForeground(palette.sell);
  cursor.setBlockFormat(block);
  cursor.insertText(QStringLiteral("The bot stopped with errors"), heading);
  QTextCharFormat line;
  line.setFont(theme::font(theme::FontStyle::code));
  line.setForeground(palette.textSecondary);
  block.setTopMargin(theme::Space::md);
  for (const QString& error : errorLines_) {
    cursor.insertBlock(block, line);
    // Verbatim: a line break inside one error stays inside its paragraph.
    QString text = error;
    text.replace(u'\n', QChar::LineSeparator);
    cursor.insertText(text, line);
  }
  errors_->moveCursor(QTextCursor::Start);
}

bool TesterPanel::event(QEvent* event) {
  if (event->type() == theme::PaletteScope::changedEvent()) fillErrors();
  return QWidget::event(event);
}

}  // namespace zx::views
