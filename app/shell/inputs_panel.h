// The read-only list of the inputs the selected script declares, grouped as the script
// groups them, each with its label, its range and its type.
#pragma once

#include <QList>
#include <QWidget>
#include <optional>

#include "bridge/records.h"

class QScrollArea;
class QVBoxLayout;

namespace zx::theme {
class KitLabel;
class PanelHeader;
}  // namespace zx::theme

namespace zx::views {

// One input: its label (or name), the range when both bounds are given, and the type in
// a badge; the hint (or name) as tooltip. Painted in one piece.
class InputRow final : public QWidget {
 public:
  static constexpr int kHeight = 28;

  explicit InputRow(const bridge::InputSpec& input, QWidget* parent = nullptr);

  void setInput(const bridge::InputSpec& input);

  QString nameText() const { return name_; }
  // Empty without both bounds.
  QString rangeText() const { return range_; }
  QString typeText() const { return type_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString name_;
  QString range_;
  QString type_;
};

// The caption of each group with inputs, in the schema's order, then the ungrouped inputs
// under "Other" when the schema has groups. Rows are kept by position: a new schema
// reuses the widgets at each place and only changes what they show.
class InputsPanel final : public QWidget {
 public:
  explicit InputsPanel(QWidget* parent = nullptr);

  // An equal schema changes nothing, so rows, scrolling and hover survive the check after
  // every keystroke.
  void setSchema(const bridge::InputSchema& schema);
  const bridge::InputSchema& schema() const { return schema_; }

  theme::PanelHeader* header() const { return header_; }
  QString countText() const;
  QScrollArea* scrollArea() const { return scroll_; }
  // The captions and rows in order, as shown.
  QList<QWidget*> entries() const { return entries_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void rebuild();

  bridge::InputSchema schema_;
  theme::PanelHeader* header_;
  theme::KitLabel* count_;
  QScrollArea* scroll_;
  QWidget* content_;
  QVBoxLayout* list_;
  QList<QWidget*> entries_;
};

}  // namespace zx::views
