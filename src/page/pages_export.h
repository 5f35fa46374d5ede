#pragma once

// Images of one or more files as the pages of one new fax file, each coded as the single-page
// saves code it (Group 3, Group 4 or T.85), one page decoded at a time: faxlens-cli pages and the
// main window's "Save Images As TIFF" share it. Images that cannot be shown are left out and
// named; damaged ones are written as decoded and named. A sound Group 4 page in one strip goes
// into a Group 4 file as its own bytes, decoded only to learn that it is sound.

#include "base/result.h"
#include "base/work_check.h"
#include "page/viewed_page.h"
#include "tiff/tiff_file.h"

#include <cstdint>
#include <string>
#include <vector>

namespace faxlens::page {

struct SourceImage {
    const tiff::TiffFile* file = nullptr;
    int64_t ifdOffset = 0;
    std::string name; // for what is said of it: "fax.tif image 3"
};

struct PagesReport {
    int pagesWritten = 0;
    int pagesKept = 0;                // of them, written as their own coding
    std::vector<std::string> leftOut; // "NAME: why", one for each image left out
    std::vector<std::string> damaged; // "NAME is damaged: what"
    int64_t bytesIn = 0;              // the strips of the images written, as they stood
    int64_t bytesOut = 0;             // the file written
    bool verified = false;
    // Why out was not written: it cannot be, no image can be shown, or (verifying) a page read
    // back differs from its image. Nothing is left at out then.
    Status written;
};

struct PagesOptions {
    SaveCoding coding = SaveCoding::Group4;
    // Every page is read back from the file written, before it takes out's place, and compared
    // with its image decoded again, pixel for pixel. Needs a file: out may not be "-".
    bool verify = false;
};

// Fails, leaving nothing at out, when a file cannot be read.
Result<PagesReport> WriteImagesAsTiff(const std::vector<SourceImage>& images,
                                      const std::string& out, const PagesOptions& options,
                                      const WorkCheck& check = {});

} // namespace faxlens::page
