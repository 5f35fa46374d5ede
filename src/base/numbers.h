#pragma once

// Numbers of the file and the codec are longs (32-bit): arithmetic on them is done in 64 bits or
// in doubles and brought back saturating at the ends of a long instead of wrapping.

#include <cmath>
#include <cstdint>
#include <limits>

namespace faxlens {

inline constexpr int64_t kLowestLong = std::numeric_limits<int32_t>::min();
inline constexpr int64_t kHighestLong = std::numeric_limits<int32_t>::max();

inline int32_t SaturateToLong(int64_t value) {
    return static_cast<int32_t>(value < kLowestLong    ? kLowestLong
                                : value > kHighestLong ? kHighestLong
                                                       : value);
}

// Rounds to the nearest long, a half to the even neighbour (2.5 gives 2, 3.5 gives 4); a value
// beyond the range of a long saturates, and NaN gives 0.
inline int32_t RoundHalfEven(double value) {
    if (std::isnan(value))
        return 0;
    const double rounded = std::nearbyint(value);
    if (rounded <= static_cast<double>(kLowestLong))
        return static_cast<int32_t>(kLowestLong);
    if (rounded >= static_cast<double>(kHighestLong))
        return static_cast<int32_t>(kHighestLong);
    return static_cast<int32_t>(rounded);
}

} // namespace faxlens
