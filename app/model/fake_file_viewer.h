// A FileViewer for tests: records each path and answers `shown` on the next turn of
// the event loop, as the real one answers later.
#pragma once

#include <QCoreApplication>
#include <QStringList>
#include <QTimer>

#include "model/file_viewer.h"

namespace zx::model {

class FakeFileViewer final : public FileViewer {
 public:
  bool shown = true;  // the answer every request gets
  QStringList paths;  // every path asked for, in order

  void reveal(const QString& path, QObject* context,
              std::function<void(bool shown)> done) override {
    paths << path;
    QObject* receiver = context ? context : QCoreApplication::instance();
    QTimer::singleShot(0, receiver, [done = std::move(done), answer = shown] { done(answer); });
  }
};

}  // namespace zx::model
