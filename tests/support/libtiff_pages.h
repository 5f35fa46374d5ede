#pragma once

// Bilevel pages for cross-checks with libtiff: content generators, files written by libtiff,
// and pages read back by libtiff.

#include "page/page_surface.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace faxlens::test {

// One byte a pixel, 1 for black, rows top to bottom.
struct Bitmap {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> black;

    Bitmap() = default;
    Bitmap(int32_t w, int32_t h) : width(w), height(h), black(std::size_t(w) * h, 0) {}
    uint8_t& At(int32_t x, int32_t y) { return black[std::size_t(y) * width + x]; }
    uint8_t At(int32_t x, int32_t y) const { return black[std::size_t(y) * width + x]; }
    bool operator==(const Bitmap&) const = default;
};

// The changing elements of row y (columns where the colour changes, white first), ended by
// the width: the row as a ChangeList.
std::vector<int32_t> ChangesOf(const Bitmap& page, int32_t y);

// 1 where the surface holds black (colour 0), 0 for every other colour.
Bitmap BitmapOf(const page::PageSurface& surface);

// Lines of blocky "letters" with margins, like a typed fax page.
Bitmap TextLikePage(int32_t width, int32_t height, uint32_t seed = 1);
// Every pixel black or white at random.
Bitmap NoisePage(int32_t width, int32_t height, uint32_t seed = 1, int blackPercent = 50);

struct FaxOptions {
    int compression = 4;      // 2, 3, 4 or 34661 (JBIG: the whole page in one strip)
    uint32_t t4Options = 0;   // Group 3: bit 0 two-dimensional, bit 2 EOLs byte aligned
    int32_t rowsPerStrip = 0; // 0: the whole page in one strip
    bool bigEndian = false;
    int fillOrder = 1;
    int photometric = 0;      // 0 min-is-white, 1 min-is-black, 3 a palette of two colours
    int paletteDarkIndex = 1; // with a palette: which of its two colours is the dark one
    float xResolution = 204;
    float yResolution = 196;
};

// Appends the page as a new directory of a file written by libtiff.
void WriteFaxPages(const std::string& path, const std::vector<Bitmap>& pages,
                   const FaxOptions& options);

// A damaged page: Group 4 noise of 1728 x 300 pixels in strips of 100 rows, written by libtiff,
// with zeros over six bytes in the middle of strip 1, so that its rows from there on cannot be
// decoded.
void WriteDamagedFaxPage(const std::string& path);

// A page of other samples than one bit a pixel (grey, colour), written by libtiff in one strip;
// the samples run through all their values.
struct SampleLayout {
    int bitsPerSample = 8;
    int samplesPerPixel = 1;
    int photometric = 1; // 1 min-is-black grey, 2 RGB
    int compression = 1;
};
void WriteSamplePage(const std::string& path, int32_t width, int32_t height,
                     const SampleLayout& layout);

// A one-page file that Faxlens cannot show, and the words that it gives instead.
struct UnsupportedPage {
    std::string what;
    std::string path;
    int64_t ifdOffset = 0;
    std::string problem; // "This page cannot be shown: ..."
};

// Writes into the folder one file of each kind of page that cannot be shown: LZW (bilevel and
// colour) and 8-bit grey written by libtiff; JPEG, old JPEG and an unknown compression, RGB and
// palette photometric and a tiled page, built byte by byte.
std::vector<UnsupportedPage> WriteUnsupportedPages(const std::string& folder);

// Decodes directory `page` (from 0) with libtiff; black is 1 whatever the photometric, and on a
// palette page black is the darker of the two colours.
Bitmap ReadWithLibtiff(const std::string& path, int page);

// The same for a page of any file: nothing (and no test failure) when libtiff cannot read it, or
// the page is not one bit a pixel in strips. Also gives the page's IFD offset.
struct LibtiffPage {
    Bitmap bitmap;
    uint64_t ifdOffset = 0;
};
std::optional<LibtiffPage> TryReadBilevelWithLibtiff(const std::string& path, int page);

// A binary PBM file's pixels (as other programs write it, comments and spacing as they come).
Bitmap ReadPbm(const std::string& path);

// Where at most `limit` pixels differ, a short description of the first differences.
std::string DescribeDifferences(const Bitmap& expected, const Bitmap& actual, int limit = 5);

} // namespace faxlens::test
