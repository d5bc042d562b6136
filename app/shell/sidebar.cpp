#include "shell/sidebar.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollArea>
#include <QVBoxLayout>

#include "shell/file_looks.h"
#include "shell/inputs_panel.h"
#include "theme/theme.h"

namespace zx::views {

using Kind = model::SourceFile::Kind;
using theme::PaletteScope;

namespace {

constexpr double kFilesMinHeight = 120;
constexpr double kInputsMinHeight = 90;

// The "+" of the header: a plain icon that opens the new-file menu, without the menu
// arrow a tool button would draw.
class PlusButton final : public QAbstractButton {
 public:
  explicit PlusButton(QWidget* parent) : QAbstractButton(parent) {
    setObjectName(QStringLiteral("newFileButton"));
    setFixedSize(20, 20);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::ArrowCursor);
    setAccessibleName(QStringLiteral("New file"));
    setToolTip(QStringLiteral("New file"));
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    const theme::Palette& palette = PaletteScope::of(this);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (hasFocus()) {
      p.setPen(QPen(palette.accent, 1.5));
      p.setBrush(Qt::NoBrush);
      p.drawRoundedRect(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75), theme::Radius::tag,
                        theme::Radius::tag);
    }
    const QRectF square(QPointF(), QSizeF(13, 13));
    theme::paintIcon(p, theme::Icon::plus,
                     square.translated(QRectF(rect()).center() - square.center()), 2,
                     palette.textTertiary);
  }
};

QString groupTitle(Kind kind) {
  switch (kind) {
    case Kind::indicator:
      return QStringLiteral("Indicators");
    case Kind::library:
      return QStringLiteral("Libraries");
    case Kind::bot:
      break;
  }
  return QStringLiteral("Bots");
}

theme::Glyph kindGlyph(Kind kind) {
  switch (kind) {
    case Kind::indicator:
      return theme::Glyph::ofSymbol(QStringLiteral("chart.xyaxis.line"));
    case Kind::library:
      return theme::Glyph::ofSymbol(QStringLiteral("books.vertical"));
    case Kind::bot:
      break;
  }
  return theme::Glyph::ofSymbol(QStringLiteral("cpu"));
}

}  // namespace

Sidebar::Sidebar(model::Workspace& workspace, model::Dialogs& dialogs, QWidget* parent)
    : QWidget(parent), workspace_(workspace), dialogs_(dialogs) {
  layout_ = new QVBoxLayout(this);
  layout_->setContentsMargins(0, 0, 0, 0);
  layout_->setSpacing(0);
  files_ = makeFiles();
  layout_->addWidget(files_);
  inputs_ = new InputsPanel(this);
  inputs_->hide();

  FileLooks::of(workspace_);  // before our own connection, so it is fresh when we read it
  connect(&workspace_, &model::Workspace::changed, this, &Sidebar::onChanged);
  refreshRows();
  refreshInputs();
}

QWidget* Sidebar::makeFiles() {
  auto* files = new QWidget(this);
  auto* column = new QVBoxLayout(files);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  auto* header = new theme::PanelHeader(QStringLiteral("Project"), files);
  plus_ = new PlusButton(header);
  newMenu_ = new QMenu(this);
  const auto addNew = [this](const char* title, Kind kind) {
    newMenu_->addAction(QString::fromUtf8(title), this, [this, kind] {
      workspace_.newFile(kind);
      theme::returnFocusHome(this);
    });
  };
  addNew("New bot", Kind::bot);
  addNew("New indicator", Kind::indicator);
  addNew("New library", Kind::library);
  connect(plus_, &QAbstractButton::clicked, this,
          [this] { newMenu_->popup(plus_->mapToGlobal(plus_->rect().bottomLeft())); });
  header->addTrailing(plus_);
  column->addWidget(header);

  scroll_ = new QScrollArea(files);
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setWidgetResizable(true);
  scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // The rows take the focus, and the selected one scrolls into view.
  scroll_->setFocusPolicy(Qt::NoFocus);
  scroll_->viewport()->setAutoFillBackground(false);
  content_ = new QWidget(scroll_);
  list_ = new QVBoxLayout(content_);
  list_->setContentsMargins(0, 0, 0, theme::Space::xl);
  list_->setSpacing(0);
  list_->addStretch(1);
  scroll_->setWidget(content_);
  column->addWidget(scroll_, 1);
  return files;
}

void Sidebar::onChanged(model::Workspace::Field field) {
  using F = model::Workspace::Field;
  if (field == F::files || field == F::selectedFileID) refreshRows();
  if (field == F::schema) refreshInputs();
}

QList<theme::SidebarRow*> Sidebar::rows() const {
  QList<theme::SidebarRow*> out;
  for (const Row& r : rows_) out << r.widget;
  return out;
}

theme::VerticalSplit* Sidebar::inputsSplit() const {
  return split_;
}

InputsPanel* Sidebar::inputsPanel() const {
  return split_ ? inputs_ : nullptr;
}

void Sidebar::refreshRows() {
  const QList<FileLook>& looks = FileLooks::of(workspace_).looks();
  QList<const FileLook*> ordered;
  for (Kind kind : {Kind::bot, Kind::indicator, Kind::library}) {
    for (const FileLook& look : looks) {
      if (look.kind == kind) ordered << &look;
    }
  }
  bool same = ordered.size() == rows_.size();
  for (qsizetype i = 0; same && i < ordered.size(); ++i) {
    same = rows_[i].id == ordered[i]->id && rows_[i].name == ordered[i]->name &&
           rows_[i].kind == ordered[i]->kind;
  }
  if (!same) {
    QUuid focused;
    for (const Row& r : rows_) {
      if (r.widget->hasFocus()) focused = r.id;
    }
    rows_.clear();
    for (const FileLook* look : ordered) rows_ << Row{look->id, look->name, look->kind};
    rebuildRows(focused);
  }

  const std::optional<QUuid>& selected = workspace_.selectedFileID();
  bool anySelected = false;
  for (qsizetype i = 0; i < rows_.size(); ++i) {
    const bool isSelected = selected && rows_[i].id == *selected;
    anySelected = anySelected || isSelected;
    rows_[i].widget->setSelected(isSelected);
    rows_[i].widget->setTrailingDot(ordered[i]->unsaved);
  }
  // One tab stop for the list: the selected row, else the first.
  for (qsizetype i = 0; i < rows_.size(); ++i) {
    const bool stop = anySelected ? rows_[i].widget->selected() : i == 0;
    rows_[i].widget->setFocusPolicy(stop ? Qt::TabFocus : Qt::NoFocus);
  }
}

void Sidebar::rebuildRows(const QUuid& focused) {
  for (QWidget* w : listed_) delete w;
  listed_.clear();

  int at = 0;
  std::optional<Kind> group;
  for (Row& row : rows_) {
    if (group != row.kind) {
      group = row.kind;
      auto* caption = new theme::SectionLabel(groupTitle(row.kind), content_);
      list_->insertWidget(at++, caption);
      listed_ << caption;
    }
    auto* widget = new theme::SidebarRow(row.name, kindGlyph(row.kind), content_);
    widget->setContextMenuPolicy(Qt::CustomContextMenu);
    widget->installEventFilter(this);
    const QUuid id = row.id;
    connect(widget, &theme::SidebarRow::clicked, this, [this, id] {
      qsizetype at = -1;
      bool keyed = false;
      for (qsizetype i = 0; i < rows_.size(); ++i) {
        if (rows_[i].id == id) at = i;
        keyed = keyed || rows_[i].widget->hasFocus();
      }
      // With the keyboard on the rows the clicked row takes it, as in any list; otherwise
      // the keyboard goes where any change of document sends it.
      if (keyed) return selectRow(at);
      if (const auto f = workspace_.file(id)) workspace_.select(*f);
    });
    connect(
        widget, &QWidget::customContextMenuRequested, this,
        [this, id, widget](const QPoint& pos) { showContextMenu(id, widget->mapToGlobal(pos)); });
    list_->insertWidget(at++, widget);
    // Shown now rather than on the layout's next turn, so it can take the focus back.
    widget->show();
    listed_ << widget;
    row.widget = widget;
    if (id == focused) widget->setFocus(Qt::OtherFocusReason);
  }
  // New rows would come last in the window's Tab order; they belong after the "+".
  QWidget* previous = plus_;
  for (const Row& row : rows_) {
    QWidget::setTabOrder(previous, row.widget);
    previous = row.widget;
  }
}

void Sidebar::selectRow(qsizetype index) {
  if (index < 0 || index >= rows_.size()) return;
  const QUuid id = rows_[index].id;
  if (const auto f = workspace_.file(id)) workspace_.select(*f);
  for (const Row& r : rows_) {
    if (r.id == id) {
      r.widget->setFocusPolicy(Qt::TabFocus);
      r.widget->setFocus(Qt::OtherFocusReason);
      scroll_->ensureWidgetVisible(r.widget, 0, 0);
    }
  }
}

bool Sidebar::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
  qsizetype at = -1;
  for (qsizetype i = 0; i < rows_.size(); ++i) {
    if (rows_[i].widget == watched) at = i;
  }
  if (at < 0) return QWidget::eventFilter(watched, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
  if (key->key() == Qt::Key_Menu || (key->key() == Qt::Key_F10 && mods == Qt::ShiftModifier)) {
    QWidget* row = rows_[at].widget;
    showContextMenu(rows_[at].id,
                    row->mapToGlobal(QPoint(theme::kSidebarRowLabelX, row->height())));
    return true;
  }
  if (mods != Qt::NoModifier) return false;
  switch (key->key()) {
    case Qt::Key_Up:
      selectRow(at - 1);
      return true;
    case Qt::Key_Down:
      selectRow(at + 1);
      return true;
    case Qt::Key_Home:
      selectRow(0);
      return true;
    case Qt::Key_End:
      selectRow(rows_.size() - 1);
      return true;
    default:
      return false;
  }
}

QMenu* Sidebar::makeContextMenu(const QUuid& id, QWidget* parent) {
  auto* menu = new QMenu(parent);
  // Each entry finds its document when it runs, so it acts on the current name and place.
  // A menu command gives the keyboard back to the editor once it has run.
  const auto add = [this, menu, id](const QString& title, auto action) {
    menu->addAction(title, this, [this, id, action] {
      if (const auto f = workspace_.file(id)) action(*f);
      theme::returnFocusHome(this);
    });
  };
  add(QStringLiteral("Open"), [this](const model::SourceFile& f) { workspace_.select(f); });
  menu->addSeparator();
  add(QStringLiteral("Save"), [this](const model::SourceFile& f) { workspace_.save(f); });
  add(QStringLiteral("Save As\u2026"),
      [this](const model::SourceFile& f) { workspace_.saveAs(f); });
  add(QStringLiteral("Build\u2026"), [this](const model::SourceFile& f) {
    workspace_.select(f);
    workspace_.build(true);
  });
  menu->addSeparator();
  add(QStringLiteral("Rename\u2026"), [this](const model::SourceFile& f) { rename(f.id); });
  add(QStringLiteral("Show in File Manager"),
      [this](const model::SourceFile& f) { workspace_.reveal(f); });
  menu->addSeparator();
  add(QStringLiteral("Remove"),
      [this](const model::SourceFile& f) { workspace_.confirmDelete(f); });
  return menu;
}

void Sidebar::showContextMenu(const QUuid& id, const QPoint& global) {
  QMenu* menu = makeContextMenu(id, this);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(global);
}

void Sidebar::rename(const QUuid& id) {
  const std::optional<model::SourceFile> before = workspace_.file(id);
  if (!before) return;
  model::TextPrompt prompt;
  prompt.title = QStringLiteral("Rename ") + before->name;
  prompt.label = QStringLiteral("Give the file a new name.");
  prompt.text = before->name;
  prompt.acceptLabel = QStringLiteral("Rename");
  const std::optional<QString> typed = dialogs_.askText(prompt);
  if (!typed) return;
  // The prompt turned the event loop; the document may have changed or gone meanwhile.
  if (const auto f = workspace_.file(id)) workspace_.rename(*f, *typed);
}

void Sidebar::refreshInputs() {
  const std::optional<bridge::InputSchema>& schema = workspace_.schema();
  const bool wanted = schema && !schema->inputs.isEmpty();
  if (wanted) inputs_->setSchema(*schema);
  if (wanted == !split_.isNull()) return;
  // Moving the files widget hides it for a moment, and Qt would pass the focus of a row
  // inside it on to the next widget of the window; the row keeps it instead.
  QPointer<QWidget> focused = QApplication::focusWidget();
  const bool hadFocus = isAncestorOf(focused);
  if (!files_->isAncestorOf(focused)) focused = nullptr;
  const QScopedValueRollback<bool> swapping(swapping_, true);
  if (wanted) {
    // The same files widget moves into the split, keeping its scroll position.
    layout_->removeWidget(files_);
    split_ = new theme::VerticalSplit(files_, inputs_, kFilesMinHeight, kInputsMinHeight, this);
    split_->setBottomHeight(inputsHeight_);
    connect(split_, &theme::VerticalSplit::bottomHeightEdited, this,
            [this](double height) { inputsHeight_ = height; });
    layout_->addWidget(split_);
    split_->show();
    files_->show();
    inputs_->show();
  } else {
    files_->setParent(this);
    inputs_->setParent(this);
    inputs_->hide();
    delete split_.data();
    layout_->addWidget(files_);
    files_->show();
  }
  if (focused && !focused->hasFocus()) {
    focused->setFocus(Qt::OtherFocusReason);
  } else if (hadFocus && !QApplication::focusWidget()) {
    theme::returnFocusHome(this);  // it was in the inputs panel, now gone
  }
  if (focused && content_->isAncestorOf(focused)) {
    // The list changed height but kept its scroll, which can leave the keyboard's row out
    // of sight; the new height is known only once the layout has run.
    layout_->activate();
    scroll_->ensureWidgetVisible(focused, 0, 0);
  }
}

bool Sidebar::focusNextPrevChild(bool next) {
  if (swapping_) return true;
  return QWidget::focusNextPrevChild(next);
}

void Sidebar::paintEvent(QPaintEvent*) {
  QPainter(this).fillRect(rect(), PaletteScope::of(this).surfaceSunken);
}

}  // namespace zx::views
