#include "vm/text_builder.h"

#include <gtest/gtest.h>

#include <string>

namespace kelo_vm {
namespace {

using Status = TextBuilder::Status;

TEST(TextBuilder, PiecesUnderTheLimitsAreJoinedInOrder) {
  TextBuilder b;
  EXPECT_TRUE(b.append("ab"));
  EXPECT_TRUE(b.push_back('-'));
  EXPECT_TRUE(b.append(""));
  EXPECT_TRUE(b.append(std::string(100, 'x')));
  EXPECT_EQ(b.status(), Status::Ok);
  EXPECT_EQ(std::move(b).take(), "ab-" + std::string(100, 'x'));
}

// Growing in steps up to the cap never reserves more than the cap, so the copy made
// while growing holds at most two buffers of the cap's size, and the byte past the cap
// is refused as too long.
TEST(TextBuilder, GrowsUpToTheCapAndNoFurther) {
  const heap::LimitOverride roomy(int64_t{1} << 40);
  const std::string chunk(std::size_t{3} << 20, 'y');  // not a divisor of the cap
  TextBuilder b;
  while (b.size() + chunk.size() <= kMaxTextBytes) ASSERT_TRUE(b.append(chunk));
  const std::size_t rest = kMaxTextBytes - b.size();
  ASSERT_TRUE(b.append(std::string_view(chunk).substr(0, rest)));
  EXPECT_EQ(b.size(), kMaxTextBytes);
  EXPECT_FALSE(b.push_back('z'));
  EXPECT_EQ(b.status(), Status::TooLong);
  EXPECT_FALSE(b.append(""));  // a failed builder stays failed
  const std::string whole = std::move(b).take();
  EXPECT_EQ(whole.size(), kMaxTextBytes);
  EXPECT_LE(whole.capacity(), kMaxTextBytes);
}

TEST(TextBuilder, RefusesGrowthTheRunsMemoryCannotHold) {
  struct Row {
    const char* name;
    std::size_t room;   // bytes left under the limit
    std::size_t first;  // size of the first piece
    std::size_t second;
    Status expected;
  };
  const Row rows[] = {
      {"first piece fits", 1 << 20, 1000, 0, Status::Ok},
      {"first piece alone is too big", 1000, 4000, 0, Status::NoMemory},
      // Growing from 300 KiB to 600 KiB needs both buffers at once: 900 KiB.
      {"the old buffer counts while it is copied", 800 << 10, 300 << 10, 300 << 10,
       Status::NoMemory},
      {"both buffers fit", 1000 << 10, 300 << 10, 300 << 10, Status::Ok},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const heap::LimitOverride tight(heap::live() + static_cast<int64_t>(row.room));
    TextBuilder b;
    b.append(std::string(row.first, 'a'));
    b.append(std::string(row.second, 'b'));
    EXPECT_EQ(b.status(), row.expected);
    if (row.expected == Status::Ok) {
      EXPECT_EQ(b.size(), row.first + row.second);
    }
  }
}

}  // namespace
}  // namespace kelo_vm
