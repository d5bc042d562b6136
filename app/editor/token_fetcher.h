// Asks the engine for tokens off the main thread, one request at a time.
//
// Each request carries the text's revision. While one is in flight, newer requests
// wait, and only the newest waiting one is sent next; a result whose revision is no
// longer the newest asked for is dropped. Scalar offsets become UTF-16 spans on the
// worker, so the main thread only swaps lists.
#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QThreadPool>
#include <optional>

#include "bridge/engine_calls.h"
#include "editor/text_spans.h"

namespace zx::editor {

class TokenFetcher : public QObject {
  Q_OBJECT

 public:
  TokenFetcher(const bridge::EngineCalls& engine, QObject* parent = nullptr);
  // Waits for a request in flight: the worker holds a reference to the engine.
  ~TokenFetcher() override;

  void request(quint64 revision, const QString& text);

 signals:
  // The spans of the newest text asked for.
  void fetched(quint64 revision, const QList<zx::editor::TokenSpan>& spans);

 private:
  struct Result {
    quint64 revision = 0;
    QList<TokenSpan> spans;
  };
  void start(quint64 revision, const QString& text);
  void finished();

  const bridge::EngineCalls& engine_;
  QThreadPool pool_;
  QFutureWatcher<Result> watcher_;
  bool inFlight_ = false;
  quint64 newest_ = 0;
  std::optional<std::pair<quint64, QString>> waiting_;
};

}  // namespace zx::editor
