#pragma once

// A strip of a JBIG page (ITU-T T.85, TIFF Compression 9): one bi-level image entity, decoded
// through jbigkit a row at a time into a row sink, with no more than three rows of its state.

#include "base/work_check.h"
#include "codec/page_decode.h"
#include "codec/row_sink.h"

#include <cstdint>
#include <span>

namespace faxlens::codec {

// Decodes the strip's rows from firstRow on, at most rowLimit of them, each width pixels (a
// stream of another width is not read). Returns the rows reached. Where the stream holds data
// that cannot be decoded, or more after its last row, `end` says at which byte (as a bit
// position, as the fax engine does). The check runs between pieces of the stream.
int64_t DecodeT85Strip(RowSink* sink, std::span<uint8_t> data, int32_t width, int32_t rowLimit,
                       int64_t firstRow, const WorkCheck& check, FaxStripEnd& end);

} // namespace faxlens::codec
