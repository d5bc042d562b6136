// The check pipeline. Every request bumps the generation; a request whose generation is
// no longer the latest is dropped where a cancelled one would stop: before the engine
// runs, and before publishing. The engine calls run on a worker, one check at a time.
#include <QElapsedTimer>
#include <QtConcurrent/QtConcurrentRun>

#include "model/workspace.h"

namespace zx::model {

void Workspace::runCheck(bool immediately) {
  CheckRequest request;
  request.generation = ++checkGeneration_;
  // The text as it is now, not when the delay ends.
  if (const std::optional<SourceFile> file = selected()) {
    request.text = file->text;
    request.name = file->name;
  } else {
    request.name = QStringLiteral("untitled.kelo");
  }
  if (immediately) {
    checkDelay_.stop();
    QTimer::singleShot(0, this, [this, request] { startCheck(request); });
  } else {
    delayedCheck_ = std::move(request);
    checkDelay_.start();
  }
}

void Workspace::startCheck(const CheckRequest& request) {
  if (request.generation != checkGeneration_) return;
  if (checkWatcher_.isRunning()) {
    queuedCheck_ = request;
    return;
  }
  const bridge::EngineCalls* engine = &engine_;
  checkWatcher_.setFuture(QtConcurrent::run([engine, request] {
    QElapsedTimer clock;
    clock.start();
    CheckOutcome outcome;
    outcome.generation = request.generation;
    outcome.check = engine->check(request.text, request.name);
    outcome.inputs = engine->inputs(request.text, request.name);
    // Truncated: a check of 2.9 ms shows 2.
    outcome.milliseconds = clock.nsecsElapsed() / 1000000;
    return outcome;
  }));
}

void Workspace::checkFinished() {
  CheckOutcome outcome = checkWatcher_.result();
  if (outcome.generation == checkGeneration_) {
    setDiagnostics(std::move(outcome.check.diagnostics));
    setSchema(outcome.inputs.ok ? std::optional<bridge::InputSchema>(std::move(outcome.inputs))
                                : std::nullopt);
    setLastCheckMilliseconds(outcome.milliseconds);
  }
  if (queuedCheck_) {
    const CheckRequest next = std::move(*queuedCheck_);
    queuedCheck_.reset();
    startCheck(next);
  }
}

}  // namespace zx::model
