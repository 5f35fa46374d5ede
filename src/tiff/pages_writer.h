#pragma once

// Writes a multi-page fax file page after page, each page's directory right before its values
// and its strip: the "MM" header, then for each page its directory, its two resolutions and its
// strip, each directory naming the next one. Nothing is ever written back, so the file may be a
// stream. All numbers are big-endian.

#include "base/output_file.h"

#include <cstdint>
#include <span>

namespace faxlens::tiff {

// One page as it goes into the file, coded already.
struct CodedPage {
    int32_t width = 0;
    int32_t height = 0;
    int32_t compression = 0; // 3, 4 or 9
    int32_t xResolution = 0; // dots per inch; 0 is written as 0/1
    int32_t yResolution = 0;
    std::span<const uint8_t> strip;
};

class PagesWriter {
public:
    // Writes the header; `pageCount` pages follow, numbered in PageNumber as 0 to count - 1.
    PagesWriter(OutputFile& file, int32_t pageCount);

    // Appends the next page: the fields the single-page saves write (NewSubfileType page,
    // white-is-zero, fill order 1, one strip, the options field of Group 3 and Group 4) and
    // PageNumber. The last page's directory ends the chain.
    void AddPage(const CodedPage& page);

    int32_t PagesAdded() const { return added_; }

private:
    OutputFile& file_;
    int32_t count_;
    int32_t added_ = 0;
};

} // namespace faxlens::tiff
