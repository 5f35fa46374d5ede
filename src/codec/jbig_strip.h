#pragma once

// A strip of a JBIG page (ITU-T T.82, TIFF Compression 34661, and its fax profile T.85,
// Compression 9): one bi-level image entity decoded through jbigkit into a row sink.

#include "base/work_check.h"
#include "codec/page_decode.h"
#include "codec/row_sink.h"

#include <cstdint>
#include <span>

namespace faxlens::codec {

// Decodes the strip's rows from firstRow on, at most rowLimit of them, each width pixels; a
// stream of another width is not read. Returns the rows reached. Where the stream holds data
// that cannot be decoded, or more after its last row, `end` says at which byte (as a bit
// position, as the fax engine does). The check runs between pieces of the stream.
//
// A stream of one layer (every fax stream) decodes a row at a time with no more than three rows
// of jbigkit's state, and as far as it goes when it breaks. A progressive stream of several
// layers decodes whole or not at all, with the image in memory, and only when its height fits
// the strip's rows.
int64_t DecodeJbigStrip(RowSink* sink, std::span<uint8_t> data, int32_t width, int32_t rowLimit,
                        int64_t firstRow, const WorkCheck& check, FaxStripEnd& end);

} // namespace faxlens::codec
