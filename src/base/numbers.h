#pragma once

// Numbers of the file and the codec are 32-bit: arithmetic on them is done in 64 bits or
// in doubles and brought back saturating at the ends of 32 bits instead of wrapping.

#include <cmath>
#include <cstdint>
#include <limits>

namespace faxlens {

inline constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();
inline constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

inline int32_t SaturateToInt32(int64_t value) {
    return static_cast<int32_t>(value < kInt32Min   ? kInt32Min
                                : value > kInt32Max ? kInt32Max
                                                    : value);
}

// Rounds to the nearest 32-bit number, a half to the even neighbour (2.5 gives 2, 3.5 gives 4); a
// value beyond the range of 32 bits saturates, and NaN gives 0.
inline int32_t RoundHalfEven(double value) {
    if (std::isnan(value))
        return 0;
    const double rounded = std::nearbyint(value);
    if (rounded <= static_cast<double>(kInt32Min))
        return static_cast<int32_t>(kInt32Min);
    if (rounded >= static_cast<double>(kInt32Max))
        return static_cast<int32_t>(kInt32Max);
    return static_cast<int32_t>(rounded);
}

} // namespace faxlens
