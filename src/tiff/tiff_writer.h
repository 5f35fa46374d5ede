#pragma once

// Writes everything of a saved page's file but its strip: the "MM" header, the two resolution
// values in the reserved area after it, and one directory of 16 entries at offset 24 (15 for
// T.85, which has no options field), so that the strip follows at offset 222 (210). All
// numbers are big-endian.

#include "base/output_file.h"
#include "tiff/tiff_facts.h"

#include <cstdint>
#include <span>

namespace faxlens::tiff {

// "MM", 42, the directory's offset (reserved length + 8) and the reserved area of zeros.
void WriteFileHeader(OutputFile& file, int32_t reservedLength);
void AppendShort(OutputFile& file, int32_t value);
void AppendLong(OutputFile& file, int32_t value);

// Appends one entry. Values of at most four bytes stand in the entry; longer ones are written
// at dataOffset, which the entry then names.
void WriteEntry(OutputFile& file, int32_t tag, FieldType type, std::span<const int32_t> values,
                int32_t dataOffset);
void WriteRationalEntry(OutputFile& file, int32_t tag, std::span<const int32_t> numerators,
                        std::span<const int32_t> denominators, int32_t dataOffset);

// The header and directory of a Group 3 (T4Options: fill bits before each EOL) or Group 4
// (T6Options: uncompressed mode allowed) page. The file must be empty. Returns the position of the
// byte count.
int32_t WriteHeaderG3(OutputFile& file, int32_t width, int32_t height, int32_t xResolution,
                      int32_t yResolution, int32_t bitsPerSample);
int32_t WriteHeaderG4(OutputFile& file, int32_t width, int32_t height, int32_t xResolution,
                      int32_t yResolution, int32_t bitsPerSample);
// The same for a JBIG page coded by T.85 (Compression 9).
int32_t WriteHeaderT85(OutputFile& file, int32_t width, int32_t height, int32_t xResolution,
                       int32_t yResolution, int32_t bitsPerSample);

} // namespace faxlens::tiff
