// A SecretStore for tests whose reads do not answer until the test lets them, as a keyring
// that hangs; its other calls answer at once. Reads come from other threads. The store
// lets every read answer and waits for it to return before it goes.
#pragma once

#include <QByteArray>
#include <condition_variable>
#include <mutex>

#include "client/secret_store.h"

namespace zx::client {

class BlockingSecretStore final : public SecretStore {
 public:
  // `stored`: the data of the one item every read finds, once answered.
  explicit BlockingSecretStore(QByteArray stored) : stored_(std::move(stored)) {}
  ~BlockingSecretStore() override {
    release();
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return waiting_ == 0; });
  }

  // Lets every read answer, now and from now on.
  void release() {
    const std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }
  // Reads begun and not yet answered.
  int waiting() const {
    const std::lock_guard lock(mutex_);
    return waiting_;
  }
  // Reads that have answered.
  int answered() const {
    const std::lock_guard lock(mutex_);
    return answered_;
  }

  Status copyMatching(const ItemQuery&, QByteArray* data) override {
    std::unique_lock lock(mutex_);
    ++waiting_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return released_; });
    *data = stored_;
    --waiting_;
    ++answered_;
    changed_.notify_all();
    return Status::success;
  }
  Status update(const ItemQuery&, const QByteArray&) override { return Status::failed; }
  Status add(const ItemQuery&, const QByteArray&) override { return Status::failed; }
  Status remove(const ItemQuery&) override { return Status::itemNotFound; }

 private:
  const QByteArray stored_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool released_ = false;
  int waiting_ = 0;
  int answered_ = 0;
};

}  // namespace zx::client
