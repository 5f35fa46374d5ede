#pragma once

// Unpackers for strips of one-bit pages that are stored with a general-purpose compression
// rather than a fax code: TIFF LZW and Deflate. Each gives the strip's bytes as they were before
// packing, never more than a given limit, and keeps whatever came out before damaged data.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace faxlens::codec {

// TIFF LZW (Compression 5) unpacked into at most `limit` bytes. Reads both bit orders that
// TIFF readers accept: the usual codes packed most significant bit first, whose code width
// grows one code early, and the old form of early writers, packed least significant bit first
// with the width growing on time (recognised as libtiff does: the strip begins with a 0 byte
// followed by a byte whose low bit is set). Decoding stops at the end-of-information code, at
// the limit, at the end of the data, or at the first code that cannot be valid; what was
// unpacked before it is kept.
std::vector<uint8_t> UnpackLzw(std::span<const uint8_t> packed, std::size_t limit);

// Deflate (Compression 8 and 32946: a zlib stream) inflated into at most `limit` bytes; what
// was inflated before damaged data or the end of the input is kept.
std::vector<uint8_t> Inflate(std::span<const uint8_t> packed, std::size_t limit);

} // namespace faxlens::codec
