#include "support/libtiff_pages.h"

#include "support/tiff_builder.h"

#include <cctype>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <sstream>
#include <tiffio.h>

namespace faxlens::test {

namespace {

struct TiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

void FillBlock(Bitmap& page, int32_t x0, int32_t y0, int32_t w, int32_t h) {
    for (int32_t y = y0; y < y0 + h && y < page.height; ++y)
        for (int32_t x = x0; x < x0 + w && x < page.width; ++x)
            page.At(x, y) = 1;
}

std::vector<uint8_t> PackRow(const Bitmap& page, int32_t y, bool minIsBlack) {
    std::vector<uint8_t> row((page.width + 7) / 8, 0);
    for (int32_t x = 0; x < page.width; ++x)
        if (page.At(x, y) != static_cast<uint8_t>(minIsBlack))
            row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    return row;
}

} // namespace

std::vector<int32_t> ChangesOf(const Bitmap& page, int32_t y) {
    std::vector<int32_t> changes;
    uint8_t colour = 0;
    for (int32_t x = 0; x < page.width; ++x)
        if (page.At(x, y) != colour) {
            changes.push_back(x);
            colour ^= 1;
        }
    changes.push_back(page.width);
    return changes;
}

Bitmap BitmapOf(const page::PageSurface& surface) {
    Bitmap page(surface.Width(), surface.Height());
    for (int32_t y = 0; y < page.height; ++y)
        for (int32_t x = 0; x < page.width; ++x)
            page.At(x, y) = surface.Pixel(x, y) == page::kColourBlack;
    return page;
}

Bitmap TextLikePage(int32_t width, int32_t height, uint32_t seed) {
    Bitmap page(width, height);
    std::mt19937 random(seed);
    const int32_t margin = width / 12;
    for (int32_t line = margin; line + 24 < height - margin; line += 40) {
        for (int32_t x = margin; x + 14 < width - margin;) {
            if (random() % 7 == 0) { // a blank between words
                x += 14;
                continue;
            }
            // A letter: a few strokes inside a 12 x 20 cell.
            for (int stroke = 0; stroke < 3; ++stroke) {
                const bool vertical = random() % 2;
                const int32_t sx = x + static_cast<int32_t>(random() % 10);
                const int32_t sy = line + static_cast<int32_t>(random() % 18);
                if (vertical)
                    FillBlock(page, sx, line, 2, 20);
                else
                    FillBlock(page, x, sy, 12, 2);
            }
            x += 14;
        }
    }
    FillBlock(page, margin, margin / 2, width - 2 * margin, 3); // a rule under the header
    return page;
}

Bitmap NoisePage(int32_t width, int32_t height, uint32_t seed, int blackPercent) {
    Bitmap page(width, height);
    std::mt19937 random(seed);
    for (auto& pixel : page.black)
        pixel = static_cast<int>(random() % 100) < blackPercent;
    return page;
}

void WriteFaxPages(const std::string& path, const std::vector<Bitmap>& pages,
                   const FaxOptions& options) {
    TiffHandle tif(TIFFOpen(path.c_str(), options.bigEndian ? "wb" : "wl"));
    ASSERT_TRUE(tif) << "libtiff cannot write " << path;
    for (const Bitmap& page : pages) {
        TIFF* t = tif.get();
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, page.width);
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, page.height);
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(t, TIFFTAG_COMPRESSION, options.compression);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, options.photometric);
        TIFFSetField(t, TIFFTAG_FILLORDER, options.fillOrder);
        TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(t, TIFFTAG_XRESOLUTION, options.xResolution);
        TIFFSetField(t, TIFFTAG_YRESOLUTION, options.yResolution);
        TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP,
                     options.rowsPerStrip > 0 ? options.rowsPerStrip : page.height);
        if (options.compression == 3)
            TIFFSetField(t, TIFFTAG_GROUP3OPTIONS, options.t4Options);
        bool zeroIsBlack = options.photometric == 1;
        if (options.photometric == 3) {
            // A dark blue and a pale yellow.
            uint16_t red[2] = {0xF000, 0xF000}, green[2] = {0xFF00, 0xFF00},
                     blue[2] = {0xE000, 0xE000};
            const int dark = options.paletteDarkIndex;
            red[dark] = 0x1000, green[dark] = 0x2000, blue[dark] = 0x6000;
            TIFFSetField(t, TIFFTAG_COLORMAP, red, green, blue);
            zeroIsBlack = dark == 0;
        }
        if (options.compression == COMPRESSION_JBIG) {
            // libtiff codes JBIG a whole strip at a time.
            std::vector<uint8_t> strip;
            for (int32_t y = 0; y < page.height; ++y) {
                const auto row = PackRow(page, y, zeroIsBlack);
                strip.insert(strip.end(), row.begin(), row.end());
            }
            ASSERT_GT(
                TIFFWriteEncodedStrip(t, 0, strip.data(), static_cast<tmsize_t>(strip.size())), 0);
        }
        for (int32_t y = 0; y < page.height && options.compression != COMPRESSION_JBIG; ++y) {
            auto row = PackRow(page, y, zeroIsBlack);
            ASSERT_EQ(TIFFWriteScanline(t, row.data(), static_cast<uint32_t>(y), 0), 1);
        }
        ASSERT_EQ(TIFFWriteDirectory(t), 1);
    }
}

void WriteSamplePage(const std::string& path, int32_t width, int32_t height,
                     const SampleLayout& layout) {
    TiffHandle tif(TIFFOpen(path.c_str(), "wl"));
    ASSERT_TRUE(tif) << "libtiff cannot write " << path;
    TIFF* t = tif.get();
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, layout.bitsPerSample);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, layout.samplesPerPixel);
    TIFFSetField(t, TIFFTAG_COMPRESSION, layout.compression);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, layout.photometric);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, height);
    std::vector<uint8_t> row(static_cast<std::size_t>(TIFFScanlineSize(t)));
    for (int32_t y = 0; y < height; ++y) {
        for (std::size_t i = 0; i < row.size(); ++i)
            row[i] = static_cast<uint8_t>(i * 7 + static_cast<std::size_t>(y) * 3);
        ASSERT_EQ(TIFFWriteScanline(t, row.data(), static_cast<uint32_t>(y), 0), 1);
    }
    ASSERT_EQ(TIFFWriteDirectory(t), 1);
}

std::vector<UnsupportedPage> WriteUnsupportedPages(const std::string& folder) {
    const std::string cannot = "This page cannot be shown: ";
    const std::string notBilevel = "; only black and white pages are shown.";
    const std::string onlyOneBit = "; only black and white pages of 1 bit per pixel are shown.";
    std::vector<UnsupportedPage> pages = {
        {"colour LZW", folder + "/rgb-lzw.tif", 0,
         cannot + "it has 8 bits per sample and 3 samples per pixel" + onlyOneBit},
        {"8-bit grey", folder + "/grey.tif", 0,
         cannot + "it has 8 bits per sample and 1 sample per pixel" + onlyOneBit},
    };
    WriteSamplePage(pages[0].path, 50, 20, {8, 3, 2, 5});
    WriteSamplePage(pages[1].path, 50, 20, {8, 1, 1, 1});
    for (UnsupportedPage& page : pages) { // libtiff writes little-endian here
        const std::vector<uint8_t> bytes = ReadFile(page.path);
        page.ifdOffset = bytes.size() < 8
                             ? 0
                             : bytes[4] | bytes[5] << 8 | bytes[6] << 16 | int64_t{bytes[7]} << 24;
    }

    enum Layout { Strips, Tiles, Nothing };
    const struct {
        const char* what;
        const char* name;
        uint16_t compression;
        uint16_t photometric;
        Layout layout;
        uint16_t predictor; // 0: no Predictor tag
        std::string reason;
    } built[] = {
        {"JPEG", "jpeg", 7, 0, Strips, 0, "its compression is JPEG."},
        {"old JPEG", "old-jpeg", 6, 0, Strips, 0, "its compression is JPEG (old format)."},
        {"JPEG 2000", "jpeg2000", 34712, 0, Strips, 0, "its compression is JPEG 2000."},
        {"unknown compression", "unknown", 34999, 0, Strips, 0,
         "its compression is unknown (34999)."},
        {"RGB photometric", "rgb", 4, 2, Strips, 0,
         "its photometric interpretation is 2" + notBilevel},
        {"palette without colour map", "palette", 1, 3, Strips, 0,
         "its colour map does not hold two colours."},
        {"Deflate with a predictor", "predictor", 8, 0, Strips, 2,
         "its predictor is 2; only pages without a predictor are shown."},
        {"tiled Group 4", "tiled", 4, 0, Tiles, 0, "it is stored in tiles."},
        {"no strips", "no-strips", 4, 0, Nothing, 0, "it has no strips."},
    };
    for (const auto& b : built) {
        TiffBuilder builder;
        const uint32_t data = builder.AddData(std::vector<uint8_t>(128, 0x55));
        builder.Ifd()
            .Long(tiff::tag::kImageWidth, {64})
            .Long(tiff::tag::kImageLength, {16})
            .Short(tiff::tag::kBitsPerSample, {1})
            .Short(tiff::tag::kCompression, {b.compression});
        builder.Short(tiff::tag::kPhotometric, {b.photometric});
        if (b.layout == Tiles)
            builder.Short(tiff::tag::kSamplesPerPixel, {1})
                .Long(322, {64})
                .Long(323, {16})
                .Long(tiff::tag::kTileOffsets, {data})
                .Long(325, {128});
        else if (b.layout == Strips)
            builder.Long(tiff::tag::kStripOffsets, {data})
                .Short(tiff::tag::kSamplesPerPixel, {1})
                .Long(tiff::tag::kRowsPerStrip, {16})
                .Long(tiff::tag::kStripByteCounts, {128});
        if (b.predictor != 0)
            builder.Short(tiff::tag::kPredictor, {b.predictor});
        const std::string path = folder + "/" + b.name + ".tif";
        builder.WriteTo(path);
        pages.push_back({b.what, path, builder.IfdOffsets().at(0), cannot + b.reason});
    }
    return pages;
}

namespace {

// Reads the current directory's page as bitmap; the text says why it could not.
std::string ReadBilevel(TIFF* tif, Bitmap& bitmap) {
    uint32_t width = 0, height = 0;
    uint16_t photometric = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    bool zeroIsBlack = photometric == PHOTOMETRIC_MINISBLACK;
    if (photometric == PHOTOMETRIC_PALETTE) {
        uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
        if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue))
            return "no colour map";
        auto grey = [&](int i) { return 0.2989 * red[i] + 0.5866 * green[i] + 0.1145 * blue[i]; };
        zeroIsBlack = grey(0) < grey(1);
    }
    bitmap = Bitmap(static_cast<int32_t>(width), static_cast<int32_t>(height));
    std::vector<uint8_t> row(static_cast<std::size_t>(TIFFScanlineSize(tif)));
    for (uint32_t y = 0; y < height; ++y) {
        if (TIFFReadScanline(tif, row.data(), y, 0) != 1)
            return "cannot read row " + std::to_string(y);
        for (uint32_t x = 0; x < width; ++x) {
            const bool set = row[x / 8] & (0x80 >> (x % 8));
            bitmap.At(static_cast<int32_t>(x), static_cast<int32_t>(y)) = zeroIsBlack ? !set : set;
        }
    }
    return {};
}

} // namespace

Bitmap ReadWithLibtiff(const std::string& path, int page) {
    TiffHandle tif(TIFFOpen(path.c_str(), "r"));
    if (!tif || !TIFFSetDirectory(tif.get(), static_cast<tdir_t>(page))) {
        ADD_FAILURE() << "libtiff cannot read page " << page << " of " << path;
        return {};
    }
    Bitmap bitmap;
    if (const std::string failure = ReadBilevel(tif.get(), bitmap); !failure.empty())
        ADD_FAILURE() << "libtiff: " << failure << " in page " << page << " of " << path;
    return bitmap;
}

std::optional<LibtiffPage> TryReadBilevelWithLibtiff(const std::string& path, int page) {
    TIFFErrorHandler quietErrors = TIFFSetErrorHandler(nullptr);
    TIFFErrorHandler quietWarnings = TIFFSetWarningHandler(nullptr);
    std::optional<LibtiffPage> result;
    TiffHandle tif(TIFFOpen(path.c_str(), "r"));
    uint16_t bits = 1, samples = 1;
    if (tif && TIFFSetDirectory(tif.get(), static_cast<tdir_t>(page)) && !TIFFIsTiled(tif.get()) &&
        TIFFGetFieldDefaulted(tif.get(), TIFFTAG_BITSPERSAMPLE, &bits) && bits == 1 &&
        TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLESPERPIXEL, &samples) && samples == 1) {
        LibtiffPage read;
        read.ifdOffset = TIFFCurrentDirOffset(tif.get());
        if (ReadBilevel(tif.get(), read.bitmap).empty())
            result = std::move(read);
    }
    TIFFSetErrorHandler(quietErrors);
    TIFFSetWarningHandler(quietWarnings);
    return result;
}

std::string DescribeDifferences(const Bitmap& expected, const Bitmap& actual, int limit) {
    std::ostringstream out;
    if (expected.width != actual.width || expected.height != actual.height) {
        out << "size " << actual.width << "x" << actual.height << ", expected " << expected.width
            << "x" << expected.height;
        return out.str();
    }
    int shown = 0;
    std::size_t differing = 0;
    for (int32_t y = 0; y < expected.height; ++y)
        for (int32_t x = 0; x < expected.width; ++x)
            if (expected.At(x, y) != actual.At(x, y)) {
                ++differing;
                if (shown++ < limit)
                    out << "(" << x << "," << y << ") ";
            }
    out << differing << " pixels differ";
    return out.str();
}

void WriteDamagedFaxPage(const std::string& path) {
    FaxOptions options;
    options.rowsPerStrip = 100;
    WriteFaxPages(path, {NoisePage(1728, 300, 4, 20)}, options);
    uint64_t* offsets = nullptr;
    uint64_t* counts = nullptr;
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    ASSERT_NE(tif, nullptr);
    TIFFGetField(tif, TIFFTAG_STRIPOFFSETS, &offsets);
    TIFFGetField(tif, TIFFTAG_STRIPBYTECOUNTS, &counts);
    const std::size_t middle = offsets[1] + counts[1] / 2;
    TIFFClose(tif);
    std::vector<uint8_t> bytes = ReadFile(path);
    std::fill_n(bytes.begin() + static_cast<long>(middle), 6, uint8_t{0x00});
    WriteFile(path, bytes);
}

// A binary PBM file's pixels, comments in the header skipped.
Bitmap ReadPbm(const std::string& path) {
    const std::vector<uint8_t> bytes = ReadFile(path);
    std::size_t at = 2;
    int32_t numbers[2] = {0, 0};
    for (int32_t& number : numbers) {
        while (at < bytes.size() && (std::isspace(bytes[at]) || bytes[at] == '#')) {
            if (bytes[at] == '#')
                while (at < bytes.size() && bytes[at] != '\n')
                    ++at;
            else
                ++at;
        }
        while (at < bytes.size() && std::isdigit(bytes[at]))
            number = number * 10 + (bytes[at++] - '0');
    }
    ++at;
    Bitmap bitmap(numbers[0], numbers[1]);
    const std::size_t stride = (static_cast<std::size_t>(numbers[0]) + 7) / 8;
    for (int32_t y = 0; y < bitmap.height; ++y)
        for (int32_t x = 0; x < bitmap.width; ++x) {
            const std::size_t byte = at + y * stride + x / 8;
            bitmap.At(x, y) = byte < bytes.size() && (bytes[byte] >> (7 - x % 8) & 1);
        }
    return bitmap;
}

} // namespace faxlens::test
