#pragma once

#include <cstdint>

namespace platform {

// The processor's time-stamp counter where there is one (x86-64), else a
// steady clock in nanoseconds. Only differences between readings mean
// anything.
std::uint64_t ReadTimestamp();

// Counter ticks that pass in `microseconds`, measured once by sleeping that
// long; at least 1.
std::int64_t CalibrateTicks(std::int32_t microseconds);

}  // namespace platform
