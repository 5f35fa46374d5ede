#pragma once

#include <cstdint>
#include <string>

namespace faxlens {

// The compression of an image as the report and the viewer name it: "" when the image has no
// width or no height, " 2D" appended for Group 3 with two-dimensional coding.
std::string CompressionText(const std::string& path, int64_t ifdOffset);

// One "Name = value" line per entry of the IFD, in stored order, each ended by CR LF, then the
// line "CompressionType = ..." without a break. Empty when the file is no TIFF file or the IFD
// offset lies outside it.
std::string BuildTagReport(const std::string& path, int64_t ifdOffset);

} // namespace faxlens
