#pragma once

#include "base/result.h"
#include "tiff/tiff_file.h"

#include <cstdint>
#include <string>

namespace faxlens::tiff {

// The compression of an image as the report and the viewer name it: "" when the image has no
// width or no height, " 2D" appended for Group 3 with two-dimensional coding.
std::string CompressionText(const TiffFile& file, const Directory& directory);

// One "Name = value" line per entry of the IFD, in stored order, each ended by CR LF, then the
// line "CompressionType = ..." without a break. Empty when the IFD offset lies outside the file.
// Fails only when the file cannot be read.
Result<std::string> BuildTagReport(const TiffFile& file, int64_t ifdOffset);

} // namespace faxlens::tiff
