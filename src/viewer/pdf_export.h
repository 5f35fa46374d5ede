#pragma once

// Images of a file as one PDF file, a page each, opened as the viewer opens them: faxlens-cli pdf
// and the main window's "Save Images As PDF..." share it. Images that cannot be shown are left
// out and named; damaged ones are written as decoded.

#include "base/event_pump.h"

#include <cstdint>
#include <string>
#include <vector>

namespace faxlens {

struct PdfImage {
    int number = 0; // as the image list numbers it, from 1
    int64_t ifdOffset = 0;
};

struct PdfOutcome {
    int pagesWritten = 0;
    std::vector<std::string> leftOut; // "image K: why", one for each image left out
    std::string error;                // why the file could not be written; empty when it was
};

// Writes out, or nothing when no image can be shown (error then says so).
PdfOutcome WriteImagesAsPdf(const std::string& path, const std::vector<PdfImage>& images,
                            const std::string& out, const EventPump& pump = {});

// "1,3-5" as image numbers, each between 1 and count; false when the text is not such a list.
bool ParseImageList(const std::string& text, int count, std::vector<int>& numbers);

} // namespace faxlens
