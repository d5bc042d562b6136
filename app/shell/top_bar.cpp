#include "shell/top_bar.h"

#include <QHBoxLayout>
#include <QPainter>

#include "panels/tester_format.h"
#include "shell/file_looks.h"
#include "theme/theme.h"

namespace zx::views {

using theme::PaletteScope;

PillLook pillLook(qint64 errors, qint64 warnings) {
  if (errors > 0) return {countText(errors, "error", "errors"), theme::StatusPill::Tone::bad};
  if (warnings > 0) {
    return {countText(warnings, "warning", "warnings"), theme::StatusPill::Tone::warn};
  }
  return {QStringLiteral("Ready"), theme::StatusPill::Tone::good};
}

// The 5 x 5 accent dot of a document with unsaved changes.
class UnsavedDot final : public QWidget {
 public:
  explicit UnsavedDot(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("unsavedDot"));
    setFixedSize(5, 5);
    setAccessibleName(QStringLiteral("Unsaved changes"));
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(PaletteScope::of(this).accent);
    p.drawEllipse(QRectF(rect()));
  }
};

TopBar::TopBar(model::Workspace& workspace, ViewState& state, std::function<void()> onBuild,
               std::function<void()> onTest, QWidget* parent)
    : TitleBarDragArea(parent), workspace_(workspace), state_(state) {
  setFixedHeight(theme::Size::toolbar);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(theme::Size::brandInset, 0, theme::Space::xl, 0);
  row->setSpacing(theme::Space::lg);
  row->addStretch(1);

  fileGroup_ = new QWidget(this);
  auto* files = new QHBoxLayout(fileGroup_);
  files->setContentsMargins(0, 0, 0, 0);
  files->setSpacing(theme::Space::md);
  name_ = new theme::KitLabel(QString(), theme::FontStyle::body, &theme::Palette::textSecondary,
                              fileGroup_);
  name_->setObjectName(QStringLiteral("fileName"));
  // A long name gives way to the buttons and is cut at its end.
  name_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  name_->setMinimumWidth(0);
  dot_ = new UnsavedDot(fileGroup_);
  pill_ = new theme::StatusPill(QStringLiteral("Ready"), theme::StatusPill::Tone::good, fileGroup_);
  pill_->setObjectName(QStringLiteral("statusPill"));
  files->addWidget(name_, 1);
  files->addWidget(dot_);
  files->addWidget(pill_);
  row->addWidget(fileGroup_, 0);

  auto* buttons = new QHBoxLayout();
  buttons->setSpacing(theme::Space::md);
  build_ = new theme::KitButton(QStringLiteral("Build"),
                                theme::Glyph::ofSymbol(QStringLiteral("hammer")),
                                theme::KitButton::Tone::normal, this);
  build_->setObjectName(QStringLiteral("buildButton"));
  run_ = new theme::KitButton(QStringLiteral("Run test"),
                              theme::Glyph::ofSymbol(QStringLiteral("play.fill")),
                              theme::KitButton::Tone::primary, this);
  run_->setObjectName(QStringLiteral("runTestButton"));
  reference_ = new theme::IconButton(theme::Glyph::ofSymbol(QStringLiteral("sidebar.right")),
                                     QStringLiteral("Kelo reference"), this);
  reference_->setObjectName(QStringLiteral("referenceButton"));
  buttons->addWidget(build_);
  buttons->addWidget(run_);
  buttons->addWidget(reference_);
  row->addLayout(buttons);

  connect(build_, &QPushButton::clicked, this, [onBuild = std::move(onBuild)] { onBuild(); });
  connect(run_, &QPushButton::clicked, this, [onTest = std::move(onTest)] { onTest(); });
  connect(reference_, &QAbstractButton::clicked, this,
          [this] { state_.setShowReference(!state_.showReference()); });
  connect(&state_, &ViewState::showReferenceChanged, reference_, &theme::IconButton::setActive);
  reference_->setActive(state_.showReference());

  FileLooks::of(workspace_);  // before our own connection, so it is fresh when we read it
  connect(&workspace_, &model::Workspace::changed, this, [this](model::Workspace::Field f) {
    using F = model::Workspace::Field;
    if (f == F::files || f == F::selectedFileID || f == F::diagnostics || f == F::isTesting) {
      refresh();
    }
  });
  refresh();
}

QWidget* TopBar::unsavedDot() const {
  return dot_;
}

void TopBar::refresh() {
  const std::optional<FileLook> file = FileLooks::of(workspace_).selected();
  const qint64 errors = workspace_.errorCount();
  fileGroup_->setVisible(file.has_value());
  if (file) {
    name_->setText(file->name);
    dot_->setVisible(file->unsaved);
    const PillLook look = pillLook(errors, workspace_.warningCount());
    pill_->setText(look.text);
    pill_->setTone(look.tone);
  }
  build_->setEnabled(errors == 0);
  const bool testing = workspace_.isTesting();
  run_->setTitle(testing ? QStringLiteral("Running") : QStringLiteral("Run test"));
  run_->setEnabled(errors == 0 && !testing);
}

void TopBar::paintEvent(QPaintEvent*) {
  const theme::Palette& palette = PaletteScope::of(this);
  QPainter p(this);
  p.fillRect(rect(), palette.panel);
  p.fillRect(QRect(0, height() - 1, width(), 1), palette.border);
}

}  // namespace zx::views
