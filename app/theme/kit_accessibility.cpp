#include "theme/kit_accessibility.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QVariant>
#include <mutex>

namespace zx::theme {
namespace {

constexpr char kRoleProperty[] = "zxAccessibleRole";

class PageTab final : public QAccessibleWidget {
 public:
  explicit PageTab(QAbstractButton* tab) : QAccessibleWidget(tab, QAccessible::PageTab) {}

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.selectable = true;
    s.selected = button()->isChecked();
    return s;
  }
  QStringList actionNames() const override {
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& name) override {
    if (name == pressAction()) {
      button()->click();
      return;
    }
    QAccessibleWidget::doAction(name);
  }

 private:
  QAbstractButton* button() const { return static_cast<QAbstractButton*>(widget()); }
};

// Asked before Qt's own factories, which would answer for the widget's base classes.
QAccessibleInterface* kitInterface(const QString&, QObject* object) {
  if (!object || !object->isWidgetType()) return nullptr;
  const QVariant role = object->property(kRoleProperty);
  if (!role.isValid()) return nullptr;
  auto* widget = static_cast<QWidget*>(object);
  const auto r = QAccessible::Role(role.toInt());
  if (r == QAccessible::PageTab) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return new PageTab(button);
  }
  return new QAccessibleWidget(widget, r);
}

}  // namespace

void setAccessibleRole(QWidget* widget, QAccessible::Role role) {
  static std::once_flag installed;
  std::call_once(installed, [] { QAccessible::installFactory(kitInterface); });
  widget->setProperty(kRoleProperty, int(role));
}

}  // namespace zx::theme
