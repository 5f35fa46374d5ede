#pragma once

// modConvert_DC2TIF: writes the page of a surface into a new single-page TIFF file, Group 3
// (modified Huffman rows, each closed by fill bits and an EOL) or Group 4 (every row coded
// two-dimensionally against the row above, the strip ended by an EOFB). The header and
// directory come first, then the rows one by one, then the strip's byte count.

#include "base/event_pump.h"
#include "base/result.h"
#include "codec/codec_types.h"
#include "viewer/page_surface.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace faxlens::modConvert_DC2TIF {

// Width and height below 1 are taken from the surface. The file is written beside fileName and
// renamed over it only when every byte is written, so a failed save leaves an existing file of
// that name untouched; a failure says why the file could not be written. The pump runs after every
// row.
Status SavePageG3(const PageSurface& surface, int32_t xResolution, int32_t yResolution,
                  const std::string& fileName, int32_t width, int32_t height,
                  const EventPump& pump = {});
Status SavePageG4(const PageSurface& surface, int32_t xResolution, int32_t yResolution,
                  const std::string& fileName, int32_t width, int32_t height,
                  const EventPump& pump = {});

// Where the bytes of a coded strip go, a block of about a MiB at a time.
using StripBlockSink = std::function<void(std::span<const uint8_t>)>;

// The strip of a page as the save commands code it, handed to the sink in blocks: Group 3 (an
// EOL, then every row's codes, fill bits and an EOL) or Group 4 (every row against the row
// above, then an EOFB). Width and height below 1 are taken from the surface. Returns the strip's
// length in bytes. The pump runs after every row.
int64_t CodeStripG3(const PageSurface& surface, int32_t width, int32_t height,
                    const StripBlockSink& sink, const EventPump& pump = {});
int64_t CodeStripG4(const PageSurface& surface, int32_t width, int32_t height,
                    const StripBlockSink& sink, const EventPump& pump = {});

// Packs the whole bytes of a BitString, most significant bit first: byte k holds characters
// 8k + 1 to 8k + 8; a '1' is a one bit, any other character a zero bit.
void BitsToBytes(std::string_view line, std::vector<uint8_t>& bytes);

} // namespace faxlens::modConvert_DC2TIF
