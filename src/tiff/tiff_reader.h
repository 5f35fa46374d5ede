#pragma once

// Reading the container structure of TIFF files of either byte order: the header, the chain of
// image file directories (IFDs), the 12-byte entries and their values as text. The reader keeps
// nothing between calls: each operation either opens the path itself and closes it again, or
// uses a file its caller already has open.

#include "base/event_pump.h"
#include "tiff/binary_file.h"
#include "tiff/tiff_facts.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace faxlens {

// Carried as a 16-bit boolean: Intel (true, -1) for "II" files, Motorola (false, 0) for "MM".
enum class ByteOrder : int16_t { Motorola = 0, Intel = -1 };

struct TiffHeader {
    bool valid = false;
    ByteOrder byteOrder = ByteOrder::Motorola;
    int32_t firstIfdOffset = -1;
    int64_t fileLength = -1;
};

struct IfdHeader {
    int32_t entryCount = -1;
    int32_t nextIfdOffset = -1;
};

struct TagEntry {
    int32_t tag = -1;
    int32_t type = -1;
    int32_t count = -1;
    int64_t valueOffset = -1; // where the value's first byte lies in the file
};

// b0 is the byte at the lower offset. A signBits above 0 makes the value signed with that width.
int32_t AssembleWord(uint8_t b0, uint8_t b1, int signBits, ByteOrder order);
int32_t AssembleLong(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3, int signBits, ByteOrder order);

TiffHeader ReadTiffHeader(const BinaryFile& file);
TiffHeader ReadTiffHeader(const std::string& path);

// Returns false only when the file is not open (the header then holds -1 values).
bool ReadIfdHeader(const BinaryFile& file, int64_t ifdOffset, ByteOrder order, IfdHeader& header);

// Returns false only when the file is not open (the entry then holds -1 values).
bool ReadTagEntry(const BinaryFile& file, int64_t entryOffset, ByteOrder order, TagEntry& entry);

// The value text of an entry: numbers separated by ", ", characters for ASCII and UNDEFINED,
// nothing for FLOAT, DOUBLE and unknown types. Never formats more elements than the file could
// hold, nor more than the budget allows when one is given (the elements formatted are taken off
// it); a value cut that way ends in ", ...".
std::string FormatTagValue(const BinaryFile& file, int64_t valueOffset, int32_t type, int32_t count,
                           ByteOrder order, int64_t* elementBudget = nullptr);

// Walks the IFD chain and stores the offset of every IFD that has entries. A limit of 0 means
// no limit. Returns false (count -1) when the file cannot be opened. An offset below 2, the
// first one included, ends the chain; each IFD is listed once, even when the chain loops back.
// The pump runs after every 50th image found.
bool ListImages(const std::string& path, std::vector<int32_t>& offsets, int32_t& count,
                int32_t limit, const EventPump& pump = {});
// The offsets ListImages finds, without a limit; none when the file cannot be opened.
std::vector<int32_t> ImageOffsets(const std::string& path);

// The value text of the first entry with the tag in the IFD; "" when there is none, "-1" when
// the file cannot be opened.
std::string GetTagText(const std::string& path, int64_t ifdOffset, int32_t tag);

// The leading number of a value text, read leniently and rounded half to even; clamped to the
// range of a 32-bit long.
int32_t TextToLong(std::string_view value);

// The text of a quotient as the reports show it: up to 15 significant digits, a point as
// decimal separator, exponent form below 1E-04 and from 1E+15 on.
std::string QuotientText(double quotient);

} // namespace faxlens
