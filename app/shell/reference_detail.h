// The details of the chosen standard-library entry, under the reference list: its name,
// its type (selectable, for copying) and its summary when it has one.
#pragma once

#include <QWidget>

#include "bridge/records.h"

class QLabel;

namespace zx::theme {
class KitLabel;
}

namespace zx::views {

class ReferenceDetail final : public QWidget {
 public:
  explicit ReferenceDetail(QWidget* parent = nullptr);

  void setEntry(const bridge::Completion& entry);

  theme::KitLabel* nameLabel() const { return name_; }
  QLabel* typeLabel() const { return type_; }
  QLabel* summaryLabel() const { return summary_; }

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void applyColours();

  theme::KitLabel* name_;
  QLabel* type_;
  QLabel* summary_;
};

}  // namespace zx::views
