#include "panels/sign_in_sheet.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QStringListModel>
#include <QStyleFactory>
#include <QVBoxLayout>

#include "panels/broker_row.h"
#include "panels/sign_in_flow.h"
#include "panels/sign_in_text.h"
#include "theme/control_frame.h"
#include "theme/theme.h"

namespace zx::views {

namespace {

using Part = SignInFlow::Part;
constexpr int kPad = theme::Space::xl;

// A one-line entry on a raised, rounded surface with a fixed border: no focus colour,
// the caret shows the focus.
class SheetEntry final : public QWidget {
 public:
  SheetEntry(const QString& placeholder, bool secret, QWidget* parent)
      : QWidget(parent), edit_(new QLineEdit(this)) {
    setFixedHeight(theme::Size::control);
    setFocusProxy(edit_);
    edit_->setFrame(false);
    edit_->setPlaceholderText(placeholder);
    edit_->setAccessibleName(placeholder);
    edit_->setFont(theme::font(theme::FontStyle::body));
    if (secret) edit_->setEchoMode(QLineEdit::Password);
    sync();
  }
  QLineEdit* edit() const { return edit_; }

 protected:
  bool event(QEvent* event) override {
    if (event->type() == theme::PaletteScope::changedEvent() ||
        event->type() == QEvent::ParentChange || event->type() == QEvent::Show) {
      sync();
    }
    return QWidget::event(event);
  }
  void resizeEvent(QResizeEvent*) override {
    edit_->setGeometry(theme::Space::md, 1, width() - 2 * theme::Space::md, height() - 2);
  }
  void paintEvent(QPaintEvent*) override {
    const theme::Palette& palette = theme::PaletteScope::of(this);
    QPainter painter(this);
    theme::paintControlFrame(painter, rect(), theme::Radius::control,
                             {palette.surfaceRaised, palette.border, {}});
  }

 private:
  void sync() {
    const theme::Palette& palette = theme::PaletteScope::of(this);
    QPalette q = theme::qtPalette(palette);
    q.setColor(QPalette::Base, palette.surfaceRaised);
    edit_->setPalette(q);
  }

  QLineEdit* edit_;
};

// A named symbol at a fixed font size in a palette colour.
class SymbolView final : public QWidget {
 public:
  SymbolView(QString name, double px, QColor theme::Palette::*colour, QWidget* parent)
      : QWidget(parent), name_(std::move(name)), px_(px), colour_(colour) {
    const int edge = int(std::ceil(theme::symbolMetrics(px_, QFont::Normal).edge));
    setFixedSize(edge, edge);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    theme::paintSymbol(painter, name_, QRectF(rect()), px_, QFont::Normal,
                       theme::PaletteScope::of(this).*colour_);
  }

 private:
  QString name_;
  double px_;
  QColor theme::Palette::*colour_;
};

// Opening a menu over its current item, Fusion first measures every entry; a drop-down
// list lays out only the rows it shows, however many servers a broker lists.
class DropDownStyle final : public QProxyStyle {
 public:
  DropDownStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* answer) const override {
    if (hint == SH_ComboBox_Popup) return 0;
    return QProxyStyle::styleHint(hint, option, widget, answer);
  }
};

// The problem strip's wash: `sell` at 6 %.
class ProblemWash final : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter(this).fillRect(rect(), theme::withOpacity(theme::PaletteScope::of(this).sell, 0.06));
  }
};

bool isEscape(const QKeyEvent* event) {
  return event->key() == Qt::Key_Escape || event->matches(QKeySequence::Cancel);
}

QLabel* wrappingLabel(const QString& text, theme::FontStyle style, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  label->setFont(theme::font(style));
  label->setTextInteractionFlags(Qt::NoTextInteraction);
  return label;
}

void colourLabel(QLabel* label, const QColor& colour) {
  QPalette q = label->palette();
  q.setColor(QPalette::WindowText, colour);
  label->setPalette(q);
}

QWidget* labelledField(const QString& title, QWidget* control, QWidget* parent,
                       QList<QLabel*>& captions) {
  auto* box = new QWidget(parent);
  auto* column = new QVBoxLayout(box);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(theme::Space::sm);
  auto* caption = wrappingLabel(title, theme::FontStyle::caption, box);
  caption->setWordWrap(false);
  captions << caption;
  column->addWidget(caption);
  control->setParent(box);
  column->addWidget(control);
  return box;
}

}  // namespace

SignInSheet::SignInSheet(model::Workspace& workspace, client::PlatformClient& client,
                         QWidget* parent)
    : QDialog(parent), flow_(new SignInFlow(workspace, client, this)) {
  setFixedSize(460, 520);
  setWindowTitle(QStringLiteral("Sign in"));
  setSizeGripEnabled(false);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(header());
  column->addWidget(new theme::Hairline(Qt::Horizontal, true, this));

  auto* scroll = new QScrollArea(this);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll->viewport()->setAutoFillBackground(false);
  // Children are made inside the sheet, so the kit's widgets see the window's palette.
  steps_ = new QStackedWidget;
  scroll->setWidget(steps_);
  steps_->setAutoFillBackground(false);  // setWidget turned it on
  steps_->addWidget(brokerStep());
  steps_->addWidget(credentialsStep());
  column->addWidget(scroll, 1);

  column->addWidget(problemPanel());
  column->addWidget(new theme::Hairline(Qt::Horizontal, true, this));
  column->addWidget(footer());

  connect(flow_, &SignInFlow::changed, this, [this](Part part) { onFlowChanged(int(part)); });
  connect(flow_, &SignInFlow::signedIn, this, &QDialog::accept);
  showBrokers();
  showServers();
  showStep();
  showProblem();
  showSubmit();
  syncPalette();
}

QString SignInSheet::title() const {
  return title_->text();
}

QList<BrokerRow*> SignInSheet::brokerRows() const {
  QList<BrokerRow*> out;
  for (const QPointer<BrokerRow>& row : brokerRows_) {
    if (row) out << row;
  }
  return out;
}

QWidget* SignInSheet::header() {
  auto* box = new QWidget(this);
  box->setFixedHeight(52);
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(kPad, 0, kPad, 0);
  row->setSpacing(theme::Space::md);
  title_ = new theme::KitLabel(QString(), theme::FontStyle::title, &theme::Palette::text, box);
  title_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  row->addWidget(title_);
  row->addStretch(1);
  changeBroker_ = new QPushButton(QStringLiteral("Change broker"), box);
  changeBroker_->setFlat(true);
  changeBroker_->setAutoDefault(false);
  changeBroker_->setFocusPolicy(Qt::TabFocus);
  changeBroker_->setCursor(Qt::PointingHandCursor);
  changeBroker_->setFont(theme::font(theme::FontStyle::table));
  changeBroker_->setStyleSheet(QStringLiteral("QPushButton { border: none; padding: 0; }"));
  connect(changeBroker_, &QPushButton::clicked, this, [this] { flow_->changeBroker(); });
  row->addWidget(changeBroker_);
  return box;
}

QWidget* SignInSheet::brokerStep() {
  auto* page = new QWidget(steps_);
  auto* column = new QVBoxLayout(page);
  column->setContentsMargins(kPad, kPad, kPad, kPad);
  column->setSpacing(theme::Space::lg);
  auto* intro = wrappingLabel(QStringLiteral("Choose your broker to continue."),
                              theme::FontStyle::table, page);
  intro->setObjectName(QStringLiteral("muted"));
  column->addWidget(intro);
  search_ = new theme::KitField(QStringLiteral("Search broker"), page);
  search_->lineEdit()->setAccessibleName(QStringLiteral("Search broker"));
  search_->installEventFilter(this);  // its Escape would clear the search
  connect(search_, &theme::KitField::textEdited, this,
          [this](const QString& text) { flow_->search(text); });
  column->addWidget(search_);
  hint_ = wrappingLabel(QString(), theme::FontStyle::caption, page);
  hint_->setObjectName(QStringLiteral("muted"));
  hint_->setContentsMargins(0, theme::Space::lg, 0, theme::Space::lg);
  column->addWidget(hint_);
  rowsBox_ = new QWidget(page);
  rows_ = new QVBoxLayout(rowsBox_);
  rows_->setContentsMargins(0, 0, 0, 0);
  rows_->setSpacing(0);
  column->addWidget(rowsBox_);
  column->addStretch(1);
  return page;
}

QWidget* SignInSheet::credentialsStep() {
  auto* page = new QWidget(steps_);
  auto* column = new QVBoxLayout(page);
  column->setContentsMargins(kPad, kPad, kPad, kPad);
  column->setSpacing(theme::Space::xl);
  QList<QLabel*> captions;

  serverPicker_ = new QComboBox;
  // A broker may list thousands of servers: one model reset fills the menu, and neither
  // the picker's width nor the menu's rows are measured item by item.
  serverPicker_->setModel(new QStringListModel(serverPicker_));
  serverPicker_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  auto* dropDown = new DropDownStyle;
  dropDown->setParent(serverPicker_);
  serverPicker_->setStyle(dropDown);
  if (auto* list = qobject_cast<QListView*>(serverPicker_->view())) {
    list->setUniformItemSizes(true);
    // The menu's own frame still follows Fusion, which scrolls by arrows only it shows.
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  }
  serverPicker_->setAccessibleName(QStringLiteral("Server"));
  serverPicker_->setFont(theme::font(theme::FontStyle::table));
  serverPicker_->setFixedHeight(theme::Size::control);
  connect(serverPicker_, &QComboBox::activated, this,
          [this](int index) { flow_->chooseServer(index); });
  serverField_ = labelledField(QStringLiteral("Server"), serverPicker_, page, captions);
  column->addWidget(serverField_);

  auto* login = new SheetEntry(QStringLiteral("Account number"), false, nullptr);
  login_ = login->edit();
  column->addWidget(labelledField(QStringLiteral("Login"), login, page, captions));
  auto* password = new SheetEntry(QStringLiteral("Password"), true, nullptr);
  password_ = password->edit();
  column->addWidget(labelledField(QStringLiteral("Password"), password, page, captions));
  connect(login_, &QLineEdit::textChanged, this, &SignInSheet::showSubmit);
  connect(password_, &QLineEdit::textChanged, this, &SignInSheet::showSubmit);

  auto* note = wrappingLabel(QStringLiteral("Zentrix Code uses this only to download your own "
                                            "price history for backtesting. It never places "
                                            "orders."),
                             theme::FontStyle::caption, page);
  column->addWidget(note);
  for (QLabel* label : captions) label->setObjectName(QStringLiteral("muted"));
  note->setObjectName(QStringLiteral("muted"));
  column->addStretch(1);
  return page;
}

QWidget* SignInSheet::problemPanel() {
  problemStrip_ = new QWidget(this);
  auto* column = new QVBoxLayout(problemStrip_);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(new theme::Hairline(Qt::Horizontal, true, problemStrip_));
  auto* wash = new ProblemWash(problemStrip_);
  auto* row = new QHBoxLayout(wash);
  row->setContentsMargins(kPad, kPad, kPad, kPad);
  row->setSpacing(theme::Space::md);
  row->addWidget(new SymbolView(QStringLiteral("exclamationmark.triangle.fill"), 11,
                                &theme::Palette::sell, wash),
                 0, Qt::AlignVCenter);
  problemText_ = wrappingLabel(QString(), theme::FontStyle::table, wash);
  problemText_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  row->addWidget(problemText_, 1);
  column->addWidget(wash);
  return problemStrip_;
}

QWidget* SignInSheet::footer() {
  auto* box = new QWidget(this);
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(kPad, kPad, kPad, kPad);
  row->setSpacing(theme::Space::md);
  row->addStretch(1);
  cancel_ = new theme::KitButton(QStringLiteral("Cancel"), box);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  row->addWidget(cancel_);
  signIn_ = new theme::KitButton(QStringLiteral("Sign in"), theme::Glyph(),
                                 theme::KitButton::Tone::primary, box);
  connect(signIn_, &QPushButton::clicked, this,
          [this] { flow_->submit(login_->text(), password_->text()); });
  row->addWidget(signIn_);
  return box;
}

void SignInSheet::onFlowChanged(int part) {
  switch (Part(part)) {
    case Part::brokers:
      showBrokers();
      break;
    case Part::servers:
      showServers();
      break;
    case Part::step:
      showStep();
      break;
    case Part::problem:
      showProblem();
      break;
    case Part::busy:
      showSubmit();
      break;
  }
}

void SignInSheet::showBrokers() {
  for (const QPointer<BrokerRow>& row : brokerRows_) {
    if (!row) continue;
    // A row may be inside its own click: choosing can lead back here.
    row->hide();
    row->deleteLater();
  }
  brokerRows_.clear();
  const QList<client::Broker>& brokers = flow_->brokers();
  hint_->setText(flow_->hint());
  hint_->setVisible(brokers.isEmpty() && !hint_->text().isEmpty());
  rowsBox_->setVisible(!brokers.isEmpty());
  for (const client::Broker& broker : brokers) {
    auto* row = new BrokerRow(broker, serverCount(broker.servers), rowsBox_);
    connect(row, &QAbstractButton::clicked, this, [this, broker] { flow_->choose(broker); });
    rows_->addWidget(row);
    brokerRows_ << row;
  }
  syncTabOrder();
}

void SignInSheet::showServers() {
  const QSignalBlocker quiet(serverPicker_);
  const QList<client::TradingServer>& servers = flow_->servers();
  QStringList names;
  names.reserve(servers.size());
  for (const client::TradingServer& server : servers) names << server.serverName;
  static_cast<QStringListModel*>(serverPicker_->model())->setStringList(names);
  int current = -1;
  if (flow_->server()) current = int(servers.indexOf(*flow_->server()));
  serverPicker_->setCurrentIndex(current);
  // One server or none needs no choice.
  serverField_->setVisible(servers.size() >= 2);
}

void SignInSheet::showStep() {
  const bool credentials = flow_->broker().has_value();
  steps_->setCurrentIndex(credentials ? 1 : 0);
  title_->setText(flow_->title());
  changeBroker_->setVisible(credentials);
  focusStep();
  showSubmit();
}

void SignInSheet::focusStep() {
  if (flow_->broker()) {
    login_->setFocus();
  } else {
    search_->lineEdit()->setFocus();
  }
}

void SignInSheet::showProblem() {
  const auto& problem = flow_->problem();
  problemText_->setText(problem.value_or(QString()));
  problemStrip_->setVisible(problem.has_value());
}

void SignInSheet::showSubmit() {
  signIn_->setVisible(flow_->broker().has_value());
  signIn_->setTitle(flow_->busy() ? QStringLiteral("Signing in") : QStringLiteral("Sign in"));
  signIn_->setEnabled(flow_->canSubmit(login_->text(), password_->text()));
}

void SignInSheet::syncTabOrder() {
  QList<QWidget*> chain{search_->lineEdit()};
  for (BrokerRow* row : brokerRows()) chain << row;
  chain << serverPicker_ << login_ << password_ << cancel_ << signIn_ << changeBroker_;
  for (int i = 1; i < chain.size(); ++i) setTabOrder(chain[i - 1], chain[i]);
}

void SignInSheet::syncPalette() {
  // The sheet follows its window's palette; it never becomes a palette host itself.
  const theme::Palette& palette = theme::PaletteScope::of(this);
  setPalette(theme::qtPalette(palette));
  for (QLabel* label : findChildren<QLabel*>()) {
    colourLabel(label, label->objectName() == u"muted" ? palette.muted : palette.textSecondary);
  }
  QPalette accent = changeBroker_->palette();
  accent.setColor(QPalette::ButtonText, palette.accent);
  changeBroker_->setPalette(accent);
  serverPicker_->setPalette(theme::qtPalette(palette));
}

bool SignInSheet::event(QEvent* event) {
  if (event->type() == theme::PaletteScope::changedEvent() ||
      event->type() == QEvent::ParentChange || event->type() == QEvent::Show) {
    if (changeBroker_) syncPalette();
  }
  return QDialog::event(event);
}

// Escape is no way out of the sheet: it would drop a half-typed sign-in. Only Cancel, or
// the window's own close button, closes it.
void SignInSheet::keyPressEvent(QKeyEvent* event) {
  if (isEscape(event)) return event->accept();
  QDialog::keyPressEvent(event);
}

bool SignInSheet::eventFilter(QObject* watched, QEvent* event) {
  if (watched == search_ && event->type() == QEvent::KeyPress &&
      isEscape(static_cast<QKeyEvent*>(event))) {
    event->accept();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void SignInSheet::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  focusStep();
}

void SignInSheet::paintEvent(QPaintEvent*) {
  QPainter(this).fillRect(rect(), theme::PaletteScope::of(this).panel);
}

namespace {

// Keeps the sheet's presentation bound to the workspace's flag.
class SignInPresenter final : public QObject {
 public:
  SignInPresenter(QWidget* window, model::Workspace& workspace, client::PlatformClient& client)
      : QObject(window), window_(window), workspace_(workspace), client_(client) {
    connect(&workspace_, &model::Workspace::changed, this, [this](model::Workspace::Field f) {
      if (f == model::Workspace::Field::wantsSignIn) follow();
    });
    follow();
  }

 private:
  void follow() {
    if (workspace_.wantsSignIn() && !sheet_) {
      sheet_ = new SignInSheet(workspace_, client_, window_);
      connect(sheet_, &QDialog::finished, this, [this, sheet = sheet_.data()] {
        sheet->deleteLater();
        if (sheet_ == sheet) sheet_ = nullptr;
        if (workspace_.wantsSignIn()) workspace_.setWantsSignIn(false);
        // The keyboard goes home, as after any dialog, not back to the field that had it.
        theme::returnFocusHome(window_);
      });
      sheet_->open();
    } else if (!workspace_.wantsSignIn() && sheet_) {
      sheet_->reject();
    }
  }

  QWidget* window_;
  model::Workspace& workspace_;
  client::PlatformClient& client_;
  QPointer<SignInSheet> sheet_;
};

}  // namespace

void presentSignInWhenWanted(QWidget* window, model::Workspace& workspace,
                             client::PlatformClient& client) {
  new SignInPresenter(window, workspace, client);
}

}  // namespace zx::views
