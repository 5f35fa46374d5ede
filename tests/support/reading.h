#pragma once

// Reading a file as the program does, in one call for tests that look at what comes out: each
// opens the file once and fails the test (giving an empty result) when it cannot be read.

#include "codec/page_decode.h"
#include "page/viewed_page.h"
#include "tiff/image_list.h"
#include "tiff/page_info.h"

#include <cstdint>
#include <string>
#include <vector>

namespace faxlens::test {

// The file's image list.
tiff::ImageList ListedImages(const std::string& path);
// The offsets of the file's images.
std::vector<int64_t> ImageOffsetsOf(const std::string& path);
std::string ReportOf(const std::string& path, int64_t ifdOffset);
tiff::TiffPage PageParametersOf(const std::string& path, int64_t ifdOffset);
page::DecodedPage DecodeImage(const std::string& path, int64_t ifdOffset);
page::ViewedPage OpenViewedPage(const std::string& path, int64_t ifdOffset);

} // namespace faxlens::test
