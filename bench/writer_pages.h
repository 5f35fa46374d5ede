#pragma once

// Pages written by another program: Ghostscript's fax devices render a page of text, A4 at
// 204 x 196 dpi and A0 at 400 dpi, into one-strip files in the run's temporary folder. Real
// writers' pages take other courses through a decoder than the benchmarks' own pages do.

#include "codec/page_decode.h"
#include "page/page_surface.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace faxlens::bench {

struct WriterPage {
    std::string name;        // "gs_A4/G4": the page and the coding
    codec::FaxCoding coding; // as Faxlens decodes it
    int32_t width = 0;
    int32_t height = 0;
    int32_t xResolution = 0; // dots per inch
    int32_t yResolution = 0;
    std::vector<uint8_t> bytes; // the file
    std::vector<uint8_t> strip; // its one strip
};

// The pages in every coding: "gs_A4/G4", "gs_A4/G3", ..., "gs_A0/RLE".
std::vector<std::string> GhostscriptPageNames();

// The page of that name, rendered the first time it is asked for; null, with the reason on
// stderr, when Ghostscript is not installed or cannot write it.
const WriterPage* GhostscriptPage(const std::string& name);

// The page decoded by Faxlens into a new white surface; null when it does not decode to every
// row.
std::unique_ptr<page::PageSurface> DecodeWriterPage(const WriterPage& page);

} // namespace faxlens::bench
