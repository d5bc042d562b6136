#include "panels/tester_settings.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>

#include "panels/number_box.h"
#include "panels/number_entry.h"
#include "theme/theme.h"

namespace zx::views {

namespace {

using Field = model::Workspace::Field;

constexpr int kDot = 6;
constexpr int kDotGap = theme::Space::sm;

}  // namespace

AccountButton::AccountButton(QWidget* parent) : QToolButton(parent) {
  setPopupMode(QToolButton::InstantPopup);
  setAutoRaise(true);
  setFocusPolicy(Qt::TabFocus);
  setCursor(Qt::PointingHandCursor);
}

void AccountButton::setLabel(const QString& label) {
  label_ = label;
  setAccessibleName(label.isEmpty() ? QStringLiteral("Account") : label);
  updateGeometry();
  update();
}

QSize AccountButton::sizeHint() const {
  const QFontMetricsF m(theme::font(theme::FontStyle::table));
  const int text = label_.isEmpty() ? 0 : kDotGap + int(std::ceil(m.horizontalAdvance(label_)));
  return {kDot + text, theme::Size::control};
}

void AccountButton::paintEvent(QPaintEvent*) {
  const theme::Palette& palette = theme::PaletteScope::of(this);
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setPen(Qt::NoPen);
  painter.setBrush(palette.buy);
  painter.drawEllipse(QRectF(0, (height() - kDot) / 2.0, kDot, kDot));
  if (hasFocus()) {
    painter.setPen(QPen(palette.accent, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 3.5, -0.5, -3.5), 4, 4);
  }
  if (label_.isEmpty()) return;
  const QFont& font = theme::font(theme::FontStyle::table);
  painter.setFont(font);
  painter.setPen(palette.textSecondary);
  const QRectF text(kDot + kDotGap, 0, width() - kDot - kDotGap, height());
  painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                   QFontMetricsF(font).elidedText(label_, Qt::ElideRight, text.width()));
}

TesterSettings::TesterSettings(model::Workspace& workspace, QWidget* parent)
    : QWidget(parent), workspace_(workspace), layout_(new QHBoxLayout(this)) {
  setFixedHeight(44);
  layout_->setContentsMargins(theme::Space::xl, 0, theme::Space::xl, 0);
  layout_->setSpacing(0);
  connect(&workspace_, &model::Workspace::changed, this, &TesterSettings::onChanged);
  build();
}

void TesterSettings::onChanged(Field field) {
  switch (field) {
    case Field::session:
      if (workspace_.session().has_value() != signedIn_) build();
      if (account_) account_->setLabel(workspace_.accountLabel());
      break;
    case Field::testBalance:
      if (balance_) balance_->refresh();
      break;
    case Field::testBars:
      if (bars_) bars_->refresh();
      break;
    case Field::symbols:
    case Field::testSymbol:
    case Field::loadingSymbols:
      fillSymbols();
      break;
    case Field::testTimeframe:
      showTimeframe();
      break;
    default:
      break;
  }
}

void TesterSettings::build() {
  // A number still being typed is kept: the new variant's boxes show it.
  for (NumberBox* box : {balance_.data(), bars_.data()}) {
    if (box && box->focused()) box->commitTyped();
  }
  signedIn_ = workspace_.session().has_value();
  if (variant_) {
    // The old children may be inside one of their own signals (a commit, a menu action).
    variant_->hide();
    variant_->deleteLater();
  }
  auto* variant = new QWidget(this);
  auto* row = new QHBoxLayout(variant);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(theme::Space::xl);
  auto* stretch = new QSpacerItem(8, 0, QSizePolicy::Expanding, QSizePolicy::Minimum);

  symbol_ = nullptr;
  timeframe_ = nullptr;
  account_ = nullptr;
  signIn_ = nullptr;
  if (!signedIn_) {
    auto* hint =
        new theme::KitLabel(QStringLiteral("Sign in to replay your broker's own price history."),
                            theme::FontStyle::table, &theme::Palette::muted, variant);
    hint->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    row->addWidget(hint);
    row->addSpacerItem(stretch);
    balance_ = makeBalance(variant);
    row->addWidget(labelled(QStringLiteral("Balance"), balance_, variant));
    bars_ = makeBars(variant);
    row->addWidget(labelled(QStringLiteral("Bars"), bars_, variant));
    auto* signIn = new theme::KitButton(
        QStringLiteral("Sign in"), theme::Glyph::ofSymbol(QStringLiteral("person.crop.circle")),
        theme::KitButton::Tone::normal, variant);
    connect(signIn, &QPushButton::clicked, this, [this] { workspace_.setWantsSignIn(true); });
    row->addWidget(signIn);
    signIn_ = signIn;
  } else {
    symbol_ = new QComboBox(variant);
    symbol_->setFixedSize(124, theme::Size::control);
    symbol_->setAccessibleName(QStringLiteral("Symbol"));
    connect(symbol_, &QComboBox::activated, this,
            [this](int index) { workspace_.setTestSymbol(symbol_->itemText(index)); });
    row->addWidget(labelled(QStringLiteral("Symbol"), symbol_, variant));

    timeframe_ = new QComboBox(variant);
    timeframe_->setFixedSize(78, theme::Size::control);
    timeframe_->setAccessibleName(QStringLiteral("Timeframe"));
    for (const model::Timeframe& t : model::Timeframe::all()) timeframe_->addItem(t.label());
    connect(timeframe_, &QComboBox::activated, this, [this](int index) {
      const QList<model::Timeframe>& all = model::Timeframe::all();
      if (index >= 0 && index < all.size()) workspace_.setTestTimeframe(all[index].minutes());
    });
    row->addWidget(labelled(QStringLiteral("Timeframe"), timeframe_, variant));

    balance_ = makeBalance(variant);
    row->addWidget(labelled(QStringLiteral("Balance"), balance_, variant));
    bars_ = makeBars(variant);
    row->addWidget(labelled(QStringLiteral("Bars"), bars_, variant));
    row->addSpacerItem(stretch);

    account_ = new AccountButton(variant);
    account_->setLabel(workspace_.accountLabel());
    auto* menu = new QMenu(account_);
    connect(menu->addAction(QStringLiteral("Reload symbols")), &QAction::triggered, this,
            [this] { workspace_.loadSymbols({}); });
    menu->addSeparator();
    connect(menu->addAction(QStringLiteral("Sign out")), &QAction::triggered, this,
            [this] { workspace_.signOut(); });
    account_->setMenu(menu);
    row->addWidget(account_);
    fillSymbols();
    showTimeframe();
    syncPickerPalettes();
  }
  layout_->addWidget(variant);
  variant_ = variant;
  // Left to right, whatever order the children were made or moved in.
  const QList<QWidget*> chain =
      signedIn_
          ? QList<QWidget*>{symbol_, timeframe_, balance_->lineEdit(), bars_->lineEdit(), account_}
          : QList<QWidget*>{balance_->lineEdit(), bars_->lineEdit(), signIn_};
  for (qsizetype i = 1; i < chain.size(); ++i) setTabOrder(chain[i - 1], chain[i]);
}

QWidget* TesterSettings::labelled(const QString& title, QWidget* control, QWidget* parent) {
  auto* box = new QWidget(parent);
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(theme::Space::md);
  auto* caption =
      new theme::KitLabel(title, theme::FontStyle::caption, &theme::Palette::muted, box);
  caption->setMinimumWidth(caption->sizeHint().width());
  row->addWidget(caption);
  control->setParent(box);
  row->addWidget(control);
  return box;
}

NumberBox* TesterSettings::makeBalance(QWidget* parent) {
  auto* box = new NumberBox(
      [this] { return workspace_.testBalance(); },
      [this](double v) { workspace_.setTestBalance(clampBalance(v, workspace_.testBalance())); },
      82, 0, parent);
  box->setAccessibleName(QStringLiteral("Balance"));
  box->lineEdit()->setAccessibleName(QStringLiteral("Balance"));
  return box;
}

NumberBox* TesterSettings::makeBars(QWidget* parent) {
  auto* box = new NumberBox(
      [this] { return double(workspace_.testBars()); },
      [this](double v) { workspace_.setTestBars(clampBars(v, workspace_.testBars())); }, 66, 0,
      parent);
  box->setAccessibleName(QStringLiteral("Bars"));
  box->lineEdit()->setAccessibleName(QStringLiteral("Bars"));
  return box;
}

void TesterSettings::fillSymbols() {
  if (!symbol_) return;
  // Filling emits currentIndexChanged; only `activated` (a user's choice) writes.
  const QSignalBlocker quiet(symbol_);
  QStringList names;
  for (const client::SymbolRow& row : workspace_.symbols()) names << row.sym;
  bool same = names.size() == symbol_->count();
  for (int i = 0; same && i < names.size(); ++i) same = symbol_->itemText(i) == names[i];
  if (!same) {
    symbol_->clear();
    symbol_->addItems(names);
  }
  symbol_->setCurrentIndex(names.indexOf(workspace_.testSymbol()));
  symbol_->setEnabled(!workspace_.loadingSymbols());
}

void TesterSettings::showTimeframe() {
  if (!timeframe_) return;
  const QSignalBlocker quiet(timeframe_);
  const QList<model::Timeframe>& all = model::Timeframe::all();
  int index = -1;
  for (int i = 0; i < all.size(); ++i) {
    if (all[i].minutes() == workspace_.testTimeframe()) index = i;
  }
  timeframe_->setCurrentIndex(index);
}

void TesterSettings::syncPickerPalettes() {
  const theme::Palette& palette = theme::PaletteScope::of(this);
  for (QComboBox* picker : {symbol_.data(), timeframe_.data()}) {
    if (!picker) continue;
    picker->setPalette(theme::qtPalette(palette));
    picker->setFont(theme::font(theme::FontStyle::table));
  }
}

bool TesterSettings::event(QEvent* event) {
  if (event->type() == theme::PaletteScope::changedEvent() ||
      event->type() == QEvent::ParentChange || event->type() == QEvent::Show) {
    syncPickerPalettes();
  }
  return QWidget::event(event);
}

void TesterSettings::paintEvent(QPaintEvent*) {
  QPainter(this).fillRect(rect(), theme::PaletteScope::of(this).panel);
}

}  // namespace zx::views
