#pragma once
// The conversion of a Windows FILETIME into whole seconds since 1970, shared by
// every platform so that all of them round time stamps the same way.

#include <cstdint>

namespace quorvel::platform {

// Ticks of 100 ns between 1601-01-01 and 1970-01-01 (UTC).
inline constexpr std::uint64_t ticks_per_second = 10'000'000;
inline constexpr std::int64_t seconds_1601_to_1970 = 11'644'473'600;

// Returns `ticks` (100 ns units since 1601-01-01 UTC) as seconds since
// 1970-01-01 UTC, to the nearest second with half a second rounding up.
// Instants before 1970 give negative values; 0 ticks gives -11644473600.
std::int64_t filetime_to_unix_seconds(std::uint64_t ticks);

}  // namespace quorvel::platform
