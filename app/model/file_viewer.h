// Shows a file selected in the desktop's file manager. `DesktopFileViewer`
// (model/desktop_file_viewer.h) is the real one; `FakeFileViewer`
// (model/fake_file_viewer.h) records requests in tests.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

namespace zx::model {

class FileViewer {
 public:
  virtual ~FileViewer() = default;

  // Asks for `path` to be shown. `done(shown)` is called once, on the main thread and
  // never before this call returns, unless `context` is destroyed first; then never.
  virtual void reveal(const QString& path, QObject* context,
                      std::function<void(bool shown)> done) = 0;
};

}  // namespace zx::model
