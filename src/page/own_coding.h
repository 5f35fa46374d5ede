#pragma once

// A page's own Group 4 coding, for outputs that can take it as it stands (PDF's
// /CCITTFaxDecode, a Group 4 TIFF page): one strip, every byte of which is in the file.
// Decoding it without damage then tells that it is sound.

#include "tiff/page_info.h"
#include "tiff/tiff_file.h"

#include <cstdint>
#include <vector>

namespace faxlens::page {

bool MayKeepOwnCoding(const tiff::TiffFile& file, const tiff::TiffPage& page);

// The one strip, its bits turned round for FillOrder 2.
std::vector<uint8_t> OwnCoding(const tiff::TiffFile& file, const tiff::TiffPage& page);

} // namespace faxlens::page
