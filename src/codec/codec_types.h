#pragma once

// Types the CCITT codec shares with the parts that feed it and read its results.

#include <cstdint>
#include <string>
#include <vector>

namespace faxlens {

// Bits as text: one character '0' or '1' per bit, the first bit first. Positions in it are
// counted from 1.
using BitString = std::string;

// The changing elements of one row: running sums of its run lengths, white run first, so even
// indices are changes to black and odd indices changes to white.
using ChangeList = std::vector<int32_t>;

// Colour flag of the codec, a 16-bit boolean: 0 is white; any other value selects black.
inline constexpr int16_t kWhite = 0;
inline constexpr int16_t kBlack = -1;

// The colour of the run that follows a run of `colour`.
inline constexpr int16_t OppositeColour(int16_t colour) {
    return colour == kWhite ? kBlack : kWhite;
}

} // namespace faxlens
