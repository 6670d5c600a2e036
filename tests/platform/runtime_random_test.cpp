#include "platform/runtime_random.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(RuntimeRandom, FirstDrawsFromProgramStart) {
  ResetRuntimeRandom();
  EXPECT_EQ(RuntimeRandom(), 346);
  EXPECT_EQ(RuntimeRandom(), 130);
  EXPECT_EQ(RuntimeRandom(), 10982);
}

TEST(RuntimeRandom, FirstTenAlternativesOfFive) {
  ResetRuntimeRandom();
  std::vector<int> alternatives;
  for (int i = 0; i < 10; ++i) alternatives.push_back(RuntimeRandom() % 5);
  EXPECT_EQ(alternatives, (std::vector<int>{1, 0, 2, 0, 1, 2, 0, 0, 3, 1}));
}

TEST(RuntimeRandom, StaysInRangeAndResetRestarts) {
  ResetRuntimeRandom();
  std::vector<int> first;
  for (int i = 0; i < 100000; ++i) {
    const int r = RuntimeRandom();
    ASSERT_GE(r, 0);
    ASSERT_LE(r, kRuntimeRandomMax);
    if (i < 5) first.push_back(r);
  }
  ResetRuntimeRandom();
  for (int expected : first) EXPECT_EQ(RuntimeRandom(), expected);
}

}  // namespace
