#pragma once

// Two-dimensional coding of one row against the row above it (ITU-T T.6, as Group 4 pages
// are coded): pass, vertical and horizontal modes, the runs of horizontal mode in modified
// Huffman code words.

#include "codec/codec_types.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace faxlens::modTIF {

// Ends a Group 4 strip: two EOLs.
inline constexpr std::string_view kEndOfFacsimileBlock = "000000000001000000000001";

// The changing elements of the imaginary white row above the first row of a page.
ChangeList WhiteRowChanges(int32_t width);

// Appends the codes of the coding row to line. Both rows are ChangeLists (running sums of their
// runs, white first) that end at the row width.
void AppendRow2D(BitString& line, std::span<const int32_t> reference,
                 std::span<const int32_t> coding, int32_t width);

} // namespace faxlens::modTIF
