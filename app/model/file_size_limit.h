// For tests: while a FileSizeLimit lives, writing past the given size fails with EFBIG
// ("File too large") as writing to a full disk fails with ENOSPC, without privileges.
// SIGXFSZ is ignored meanwhile, so the write fails instead of ending the process. Both
// are process-wide: keep the object's life to the steps that need it.
#pragma once

#include <sys/resource.h>

#include <csignal>

namespace zx::model::testing {

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &previous_);
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lowered = previous_;
    lowered.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &lowered);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit previous_{};
  void (*previousHandler_)(int) = nullptr;
};

}  // namespace zx::model::testing
