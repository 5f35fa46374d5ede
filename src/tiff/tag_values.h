#pragma once

// The values of directory entries as the report shows them and as the page parameters read them.

#include "tiff/tiff_file.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace faxlens::tiff {

// The value text of an entry: numbers separated by ", " (LONG unsigned, SBYTE, SSHORT and SLONG
// signed, RATIONAL and SRATIONAL as the quotient of two signed longs), characters for ASCII and
// UNDEFINED (an ASCII value loses one final NUL), nothing for FLOAT, DOUBLE, unknown types and a
// count of 0. Never formats more elements than the file could hold, nor more than the budget
// allows when one is given (the elements formatted are taken off it); a value cut that way ends
// in ", ...".
std::string FormatTagValue(const TiffFile& file, const TagEntry& entry,
                           int64_t* elementBudget = nullptr);

// The numbers of an entry, read the lenient way: every element of an integer type, every
// quotient of a rational rounded half to even, the numbers between the commas of an ASCII or
// UNDEFINED text (blanks skipped, a piece without a leading number giving 0, empty pieces none);
// none for FLOAT, DOUBLE and unknown types. At most as many as the file could hold.
std::vector<int64_t> TagNumbers(const TiffFile& file, const TagEntry& entry);

// The first of the numbers; none when the entry is missing or its value has no text (FLOAT,
// DOUBLE, an unknown type, a count of 0, an ASCII value of one NUL).
std::optional<int64_t> TagNumber(const TiffFile& file, const TagEntry* entry);

// Whether the entry's value text is exactly `text`; only values short enough to give it are
// formatted to find out.
bool ValueTextIs(const TiffFile& file, const TagEntry& entry, const std::string& text);

// The text of a quotient as the reports show it: up to 15 significant digits, a point as
// decimal separator, exponent form below 1E-04 and from 1E+15 on.
std::string QuotientText(double quotient);

// The leading number of a value text, read leniently and rounded half to even; clamped to the
// range of a 32-bit long.
int32_t TextToInt32(std::string_view value);

} // namespace faxlens::tiff
