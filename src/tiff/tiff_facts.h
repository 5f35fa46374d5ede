#pragma once

// The numbers of the TIFF format that Faxlens reads and writes: tag numbers, the codes of the
// values it acts on, and the field types with their sizes. Every other file names these numbers
// through this header; only the tag dictionary keeps a table of tag numbers, with their names.

#include <cstdint>

namespace faxlens::tiff {

namespace tag {
inline constexpr int32_t kNewSubfileType = 254;
inline constexpr int32_t kImageWidth = 256;
inline constexpr int32_t kImageLength = 257;
inline constexpr int32_t kBitsPerSample = 258;
inline constexpr int32_t kCompression = 259;
inline constexpr int32_t kPhotometric = 262;
inline constexpr int32_t kFillOrder = 266;
inline constexpr int32_t kStripOffsets = 273;
inline constexpr int32_t kSamplesPerPixel = 277;
inline constexpr int32_t kRowsPerStrip = 278;
inline constexpr int32_t kStripByteCounts = 279;
inline constexpr int32_t kXResolution = 282;
inline constexpr int32_t kYResolution = 283;
inline constexpr int32_t kT4Options = 292;
inline constexpr int32_t kT6Options = 293;
inline constexpr int32_t kResolutionUnit = 296;
inline constexpr int32_t kPageNumber = 297;
inline constexpr int32_t kPredictor = 317;
inline constexpr int32_t kColorMap = 320;
inline constexpr int32_t kTileOffsets = 324;
} // namespace tag

namespace compression {
inline constexpr int32_t kNone = 1;
inline constexpr int32_t kHuffmanRle = 2;
inline constexpr int32_t kGroup3 = 3;
inline constexpr int32_t kGroup4 = 4;
inline constexpr int32_t kLzw = 5;
inline constexpr int32_t kDeflate = 8;
inline constexpr int32_t kJbigT85 = 9;
inline constexpr int32_t kJbigT43 = 10;
inline constexpr int32_t kPackBits = 32773;
inline constexpr int32_t kOldDeflate = 32946;
inline constexpr int32_t kJbig = 34661;
inline constexpr int32_t kJpeg2000 = 34712;
inline constexpr int32_t kLzma = 34925;
inline constexpr int32_t kZstandard = 50000;
inline constexpr int32_t kWebP = 50001;
} // namespace compression

namespace photometric {
inline constexpr int32_t kWhiteIsZero = 0;
inline constexpr int32_t kBlackIsZero = 1;
inline constexpr int32_t kPalette = 3;
} // namespace photometric

// Bits of T4Options.
inline constexpr int32_t kT4TwoDimensional = 1;
inline constexpr int32_t kT4FillBits = 4; // each EOL ends on a byte boundary
// T6Options: uncompressed mode is allowed.
inline constexpr int32_t kT6Uncompressed = 2;

inline constexpr int32_t kFillOrderHighBitFirst = 1;
inline constexpr int32_t kFillOrderLowBitFirst = 2;
inline constexpr int32_t kSubfileIsPage = 2; // NewSubfileType bit 1: a page of a document
inline constexpr int32_t kResolutionInInches = 2;
inline constexpr int32_t kResolutionInCentimetres = 3;

// TIFF field types 1 to 12.
enum FieldType : int32_t {
    kByte = 1,
    kAscii = 2,
    kShort = 3,
    kLong = 4,
    kRational = 5,
    kSByte = 6,
    kUndefined = 7,
    kSShort = 8,
    kSLong = 9,
    kSRational = 10,
    kFloat = 11,
    kDouble = 12,
};

// Bytes of one value of the field type; 0 for an unknown type.
constexpr int32_t ElementSize(int32_t type) {
    switch (type) {
    case kByte:
    case kAscii:
    case kSByte:
    case kUndefined:
        return 1;
    case kShort:
    case kSShort:
        return 2;
    case kLong:
    case kSLong:
    case kFloat:
        return 4;
    case kRational:
    case kSRational:
    case kDouble:
        return 8;
    default:
        return 0;
    }
}

} // namespace faxlens::tiff
