#include "quorvel/platform/filetime.h"

#include <gtest/gtest.h>

namespace quorvel::platform {
namespace {

TEST(FiletimeTest, RoundsToTheNearestSecondSince1970) {
  const struct {
    std::uint64_t ticks;
    std::int64_t seconds;
  } rows[] =
      {
          {116'444'736'000'000'000u, 0},  {116'444'736'004'999'999u, 0},
          {116'444'736'005'000'000u, 1},  {0u, -11'644'473'600},
          {116'444'735'995'000'000u, 0},  // half a second before 1970 rounds up to it
          {116'444'735'994'999'999u, -1},
      };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.ticks);
    EXPECT_EQ(filetime_to_unix_seconds(row.ticks), row.seconds);
  }
}

}  // namespace
}  // namespace quorvel::platform
