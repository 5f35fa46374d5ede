#pragma once

// Numbers of the file and the codec are longs (32-bit); arithmetic on them is done in 64 bits and
// brought back saturating at the ends of a long instead of wrapping.

#include <cstdint>
#include <limits>

namespace faxlens {

inline int32_t SaturateToLong(int64_t value) {
    constexpr int64_t kLowest = std::numeric_limits<int32_t>::min();
    constexpr int64_t kHighest = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(value < kLowest ? kLowest : value > kHighest ? kHighest : value);
}

} // namespace faxlens
