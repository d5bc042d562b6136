#pragma once

// Test support for column results: NaN must meet NaN, infinities must match exactly, and
// finite values agree to nine significant digits. Only tests include this.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

namespace kelo_vm::testing {

inline void expect_column(const std::vector<double>& got, const std::vector<double>& want,
                          const std::string& what) {
  ASSERT_EQ(got.size(), want.size()) << what;
  for (std::size_t i = 0; i < want.size(); ++i) {
    if (std::isnan(want[i])) {
      EXPECT_TRUE(std::isnan(got[i])) << what << " [" << i << "] = " << got[i];
    } else if (std::isinf(want[i])) {
      EXPECT_EQ(got[i], want[i]) << what << " [" << i << "]";
    } else {
      EXPECT_NEAR(got[i], want[i], 1e-9 * std::max(1.0, std::fabs(want[i])))
          << what << " [" << i << "]";
    }
  }
}

}  // namespace kelo_vm::testing
