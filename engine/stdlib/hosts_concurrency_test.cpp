// The first calls of the process-wide table race on purpose: this executable does nothing
// else before them, so the one-time build really runs under contention.
#include <gtest/gtest.h>

#include <latch>
#include <thread>
#include <vector>

#include "stdlib/hosts.h"

namespace kelo_std::hosts {
namespace {

TEST(HostTableConcurrencyTest, ConcurrentFirstCallsShareOneTable) {
  constexpr int kThreads = 8;
  std::latch start(kThreads);
  std::vector<const HostTable*> seen(kThreads, nullptr);
  std::vector<std::size_t> sizes(kThreads, 0);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      start.arrive_and_wait();
      const HostTable& t = table();
      seen[i] = &t;
      // Read through the shared Types as well, as the compiler and interpreter do.
      std::size_t n = 0;
      for (const HostFn& fn : t.fns) n += fn.type.to_string().size() > 0 ? 1 : 0;
      sizes[i] = n;
    });
  }
  for (auto& thread : threads) thread.join();
  for (int i = 0; i < kThreads; ++i) {
    EXPECT_EQ(seen[i], seen[0]);
    EXPECT_EQ(sizes[i], seen[0]->fns.size());
  }
  EXPECT_FALSE(seen[0]->fns.empty());
}

}  // namespace
}  // namespace kelo_std::hosts
