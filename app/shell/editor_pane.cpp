#include "shell/editor_pane.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QStackedLayout>
#include <QVBoxLayout>

#include "editor/kelo_editor.h"
#include "editor/kelo_text_view.h"
#include "editor/text_scan.h"
#include "model/workspace.h"
#include "panels/tester_format.h"
#include "shell/editor_palette.h"
#include "theme/theme.h"

namespace zx::views {

using Field = model::Workspace::Field;

EditorPane::EditorPane(model::Workspace& workspace, const bridge::EngineCalls& engine,
                       QWidget* parent)
    : QWidget(parent), workspace_(workspace) {
  header_ = new theme::PanelHeader(QString());
  kindPill_ = new theme::StatusPill(QString(), theme::StatusPill::Tone::accent);
  lineCount_ = new theme::KitLabel(QString(), theme::FontStyle::caption, &theme::Palette::muted);
  lineCount_->setTabularDigits(true);
  header_->trailingLayout()->setSpacing(theme::Space::md);
  header_->addTrailing(kindPill_);
  header_->addTrailing(lineCount_);

  editor_ = new editor::KeloEditor(engine);
  editor_->setCodeFont(theme::font(theme::FontStyle::code));
  emptyState_ = new theme::EmptyState(theme::Glyph::ofSymbol(QStringLiteral("doc.text")),
                                      QStringLiteral("No file open"),
                                      QStringLiteral("Make a new bot or indicator from the "
                                                     "Project panel."),
                                      16);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(header_);
  stack_ = new QStackedLayout;
  stack_->addWidget(editor_);
  stack_->addWidget(emptyState_);
  column->addLayout(stack_, 1);

  connect(editor_, &editor::KeloEditor::textEdited, this,
          [this](const QString& text) { workspace_.setSelectedText(text); });
  connect(editor_, &editor::KeloEditor::cursorReported, this,
          [this](int line, int column) { workspace_.setCursor(line, column); });
  connect(&workspace_, &model::Workspace::changed, this, [this](Field field) {
    if (field == Field::files || field == Field::selectedFileID) {
      showSelection();
    } else if (field == Field::diagnostics) {
      editor_->setDiagnostics(workspace_.diagnostics());
    }
  });

  applyLook();
  showSelection();
  editor_->setDiagnostics(workspace_.diagnostics());
}

QString EditorPane::lineCountText(const QString& text) {
  return countText(editor::lineFeeds(text) + 1, "line", "lines");
}

void EditorPane::showSelection() {
  const std::optional<model::SourceFile> file = workspace_.selected();
  header_->setTitle(file ? file->name : QStringLiteral("No file"));
  kindPill_->setVisible(file.has_value());
  if (file) kindPill_->setText(file->kindLabel());
  lineCount_->setText(lineCountText(file ? file->text : QString()));
  if (file) {
    // Equal texts are skipped by the editor, so the echo of an edit changes nothing.
    editor_->setText(file->text);
    // Another document with the very same text keeps the editor's text, but not its
    // history: an undo must never act on a document it was not done in.
    if (file->id != shownFile_) editor_->textView()->document()->clearUndoRedoStacks();
    shownFile_ = file->id;
    stack_->setCurrentWidget(editor_);
  } else {
    shownFile_ = std::nullopt;
    stack_->setCurrentWidget(emptyState_);
  }
}

void EditorPane::applyLook() {
  editor_->setColours(fromPalette(theme::PaletteScope::of(this)));
}

bool EditorPane::event(QEvent* event) {
  // A pane moved under another palette host gets no change event of its own; equal
  // colours cost nothing.
  if (event->type() == theme::PaletteScope::changedEvent() ||
      event->type() == QEvent::ParentChange || event->type() == QEvent::Show) {
    applyLook();
  }
  return QWidget::event(event);
}

void EditorPane::paintEvent(QPaintEvent*) {
  QPainter(this).fillRect(rect(), theme::PaletteScope::of(this).panel);
}

}  // namespace zx::views
