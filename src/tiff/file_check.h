#pragma once

// Why a file cannot be listed as a TIFF file, in words for the user: it cannot be opened (no
// such file, no permission, a folder), it is empty, or its first bytes are not a TIFF header.

#include <string>

namespace faxlens {

// Empty when the file opens and begins with a classic TIFF header of either byte order.
std::string WhyNotATiffFile(const std::string& path);

} // namespace faxlens
