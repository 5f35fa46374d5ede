#pragma once

// Images of a file as one PDF file, a page each, opened as the viewer opens them: faxlens-cli pdf
// and the main window's "Save Images As PDF..." share it. Images that cannot be shown are left
// out and named; damaged ones are written as decoded and named.

#include "base/result.h"
#include "base/work_check.h"
#include "tiff/tiff_file.h"

#include <cstdint>
#include <string>
#include <vector>

namespace faxlens::page {

struct PdfImage {
    int number = 0; // as the image list numbers it, from 1
    int64_t ifdOffset = 0;
};

struct PdfReport {
    int pagesWritten = 0;
    std::vector<std::string> leftOut; // "image K: why", one for each image left out
    std::vector<std::string> damaged; // "image K is damaged: what", one for each damaged image
    // Why out was not written: it cannot be, or no image can be shown. Nothing is left at out
    // then.
    Status written;
};

// Writes the images of the file to out. Fails, leaving nothing at out, when the file cannot be
// read.
Result<PdfReport> WriteImagesAsPdf(const tiff::TiffFile& file, const std::vector<PdfImage>& images,
                                   const std::string& out, const WorkCheck& check = {});

// "1,3-5" as image numbers, each between 1 and count; false when the text is not such a list.
bool ParseImageList(const std::string& text, int count, std::vector<int>& numbers);

} // namespace faxlens::page
