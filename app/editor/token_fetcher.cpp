#include "editor/token_fetcher.h"

#include <QtConcurrent/QtConcurrentRun>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace zx::editor {
namespace {

constexpr qsizetype kTrimAbove = 1 << 20;  // characters, about 30,000 lines

}  // namespace

TokenFetcher::TokenFetcher(const bridge::EngineCalls& engine, QObject* parent)
    : QObject(parent), engine_(engine) {
  pool_.setMaxThreadCount(1);
  connect(&watcher_, &QFutureWatcher<Result>::finished, this, &TokenFetcher::finished);
}

TokenFetcher::~TokenFetcher() {
  waiting_.reset();
  pool_.waitForDone();
}

void TokenFetcher::request(quint64 revision, const QString& text) {
  newest_ = revision;
  if (inFlight_) {
    waiting_.emplace(revision, text);
    return;
  }
  start(revision, text);
}

void TokenFetcher::start(quint64 revision, const QString& text) {
  inFlight_ = true;
  const bridge::EngineCalls& engine = engine_;
  watcher_.setFuture(QtConcurrent::run(&pool_, [&engine, revision, text] {
    SpanBuilder spans(text);
    engine.markTokens(text, spans);
#ifdef __GLIBC__
    // The engine's working memory for a large text (a hundred megabytes for 100,000
    // lines) is freed by now but kept by the allocator in this thread's arena; give it
    // back, so an open file costs what it holds. Small texts leave little behind.
    if (text.size() > kTrimAbove) malloc_trim(0);
#endif
    return Result{revision, spans.take()};
  }));
}

void TokenFetcher::finished() {
  inFlight_ = false;
  // Taken, not copied: a list the finished future still shared would be copied whole by
  // the first edit that moves the highlighter's spans.
  const Result result = watcher_.future().takeResult();
  if (waiting_) {
    const auto [revision, text] = std::move(*waiting_);
    waiting_.reset();
    start(revision, text);
  }
  if (result.revision == newest_) emit fetched(result.revision, result.spans);
}

}  // namespace zx::editor
