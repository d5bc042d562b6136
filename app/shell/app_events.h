// Application-wide events that views post and others may follow: the jump from a problem
// row to its place in the code, with a 1-based line and column.
#pragma once

#include <QObject>

namespace zx::views {

class AppEvents final : public QObject {
  Q_OBJECT

 public:
  explicit AppEvents(QObject* parent = nullptr) : QObject(parent) {}

  void postJumpToLine(int line, int column);

 signals:
  void jumpToLine(int line, int column);
};

}  // namespace zx::views
