#pragma once

// The run encoder: one run of one colour as its modified Huffman code words (ITU-T T.4), or the
// end-of-line code with the fill zeros that make it end on a byte boundary.

#include "codec/codec_types.h"

#include <cstdint>
#include <string_view>

namespace faxlens::modTIF {

// The codes of one run, for the caller to append to lineSoFar (which is read for its length
// only). A run of 64 or more gives make-up words of at most 2560 pixels each and always a
// terminating word; a negative run gives 0 to 7 fill zeros and the EOL, so that lineSoFar plus
// the result is a whole number of bytes. Colour 0 is white, any other value black; an EOL
// ignores it.
BitString EncodeRun(int32_t run, int16_t colour, std::string_view lineSoFar);

// The same codes, appended to line in place; line is also the line so far.
void AppendRun(BitString& line, int32_t run, int16_t colour);

} // namespace faxlens::modTIF
