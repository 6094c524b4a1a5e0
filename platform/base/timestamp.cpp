#include "platform/base/timestamp.h"

#include <chrono>
#include <thread>

#if defined(__x86_64__)
#include <x86intrin.h>
#endif

namespace platform {

std::uint64_t ReadTimestamp() {
#if defined(__x86_64__)
    return __rdtsc();
#else
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
#endif
}

std::int64_t CalibrateTicks(std::int32_t microseconds) {
    if (microseconds < 1)
        microseconds = 1;
    // The sleep may overrun; measuring the real interval on the steady
    // clock keeps the ratio right regardless.
    const auto wallStart = std::chrono::steady_clock::now();
    const std::uint64_t start = ReadTimestamp();
    std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
    const std::uint64_t ticks = ReadTimestamp() - start;
    const auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(
                             std::chrono::steady_clock::now() - wallStart)
                             .count();
    if (elapsed <= 0)
        return 1;
    const long double perInterval = static_cast<long double>(ticks) * microseconds * 1000.0L /
                                    static_cast<long double>(elapsed);
    return perInterval < 1 ? 1 : static_cast<std::int64_t>(perInterval);
}

}  // namespace platform
