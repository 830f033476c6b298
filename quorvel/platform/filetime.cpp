#include "quorvel/platform/filetime.h"

namespace quorvel::platform {

std::int64_t filetime_to_unix_seconds(std::uint64_t ticks) {
  // Divide the unsigned count first, then move the epoch.
  auto seconds = static_cast<std::int64_t>(ticks / ticks_per_second) - seconds_1601_to_1970;
  if (ticks % ticks_per_second >= ticks_per_second / 2) {
    ++seconds;
  }
  return seconds;
}

}  // namespace quorvel::platform
