#pragma once

// Types the CCITT codec shares with the parts that feed it and read its results.

#include <cstdint>
#include <string>
#include <vector>

namespace faxlens::codec {

// Bits as text: one character '0' or '1' per bit, the first bit first. Positions in it are
// counted from 1.
using BitString = std::string;

// The changing elements of one row: running sums of its run lengths, white run first, so even
// indices are changes to black and odd indices changes to white.
using ChangeList = std::vector<int32_t>;

// The colour of a run. A row's runs alternate, white first.
enum class Colour : uint8_t { White = 0, Black = 1 };
inline constexpr Colour kWhite = Colour::White;
inline constexpr Colour kBlack = Colour::Black;

// The colour of the run that follows a run of `colour`.
inline constexpr Colour OppositeColour(Colour colour) {
    return static_cast<Colour>(static_cast<uint8_t>(colour) ^ 1);
}

} // namespace faxlens::codec
