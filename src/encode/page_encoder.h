#pragma once

// Writes a page into a new single-page TIFF file, Group 3
// (modified Huffman rows, each closed by fill bits and an EOL), Group 4 (every row coded
// two-dimensionally against the row above, the strip ended by an EOFB) or JBIG as fax machines
// code it (T.85, Compression 9: one layer in stripes of 128 rows). The header and directory come
// first, then the rows one by one, then the strip's byte count.

#include "base/result.h"
#include "base/work_check.h"
#include "encode/row_source.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace faxlens::encode {

// Width and height below 1 are taken from the page. The file is written beside fileName and
// renamed over it only when every byte is written, so a failed save leaves an existing file of
// that name untouched; a failure says why the file could not be written. The check runs after every
// row.
Status SavePageG3(const RowSource& page, int32_t xResolution, int32_t yResolution,
                  const std::string& fileName, int32_t width, int32_t height,
                  const WorkCheck& check = {});
Status SavePageG4(const RowSource& page, int32_t xResolution, int32_t yResolution,
                  const std::string& fileName, int32_t width, int32_t height,
                  const WorkCheck& check = {});
Status SavePageT85(const RowSource& page, int32_t xResolution, int32_t yResolution,
                   const std::string& fileName, int32_t width, int32_t height,
                   const WorkCheck& check = {});

// Where the bytes of a coded strip go, a block of about a MiB at a time.
using StripBlockSink = std::function<void(std::span<const uint8_t>)>;

// The strip of a page as the save commands code it, handed to the sink in blocks: Group 3 (an
// EOL, then every row's codes, fill bits and an EOL) or Group 4 (every row against the row
// above, then an EOFB). Width and height below 1 are taken from the page. Returns the strip's
// length in bytes. The check runs after every row.
int64_t CodeStripG3(const RowSource& page, int32_t width, int32_t height,
                    const StripBlockSink& sink, const WorkCheck& check = {});
int64_t CodeStripG4(const RowSource& page, int32_t width, int32_t height,
                    const StripBlockSink& sink, const WorkCheck& check = {});
// The strip of a T.85 page: one bi-level image entity of the page's height.
int64_t CodeStripT85(const RowSource& page, int32_t width, int32_t height,
                     const StripBlockSink& sink, const WorkCheck& check = {});

} // namespace faxlens::encode
