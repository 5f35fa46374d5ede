#include "page_files.h"

#include "codec/page_decode.h"
#include "memory_tiff.h"
#include "page/surface_row_sink.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <unistd.h>

namespace faxlens::bench {

namespace {

[[noreturn]] void Fail(const std::string& why) {
    std::fprintf(stderr, "bench pages: %s\n", why.c_str());
    std::exit(1); // runs the static destructors, which remove the temporary folder
}

// A new folder under the system's temporary folder, removed with its files at destruction.
class TemporaryFolder {
public:
    TemporaryFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "faxlens-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            Fail("cannot make a temporary folder");
        path_ = pattern;
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool MatchesPage(const page::PageSurface& surface, BenchPage page) {
    const PageFormat& format = FormatOf(page);
    if (!surface.IsBilevel() || surface.Background() != page::kColourWhite ||
        surface.Ink() != page::kColourBlack ||
        surface.PlaneStride() != page::PlaneStrideOf(format.width))
        return false;
    std::vector<uint8_t> row(page::PlaneStrideOf(format.width));
    for (int32_t y = 0; y < format.height; ++y) {
        PageRow(page, y, row);
        if (std::memcmp(row.data(), surface.PlaneRow(y), row.size()) != 0)
            return false;
    }
    return true;
}

} // namespace

const char* NameOf(Coding coding) {
    return coding == Coding::Group3 ? "G3" : "G4";
}

std::string TemporaryPath(const std::string& name) {
    static const TemporaryFolder folder;
    return (folder.Path() / name).string();
}

void SetFaxTags(TIFF* tif, const PageFormat& format, Coding coding) {
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, format.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, format.height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tif, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, format.height);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<float>(format.xResolution));
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<float>(format.yResolution));
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    if (coding == Coding::Group3) {
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX3);
        TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, GROUP3OPT_FILLBITS);
    } else {
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    }
}

bool WritePageFile(BenchPage page, Coding coding, const std::string& path) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (tif == nullptr)
        return false;
    const PageFormat& format = FormatOf(page);
    SetFaxTags(tif, format, coding);
    std::vector<uint8_t> row(page::PlaneStrideOf(format.width));
    bool written = true;
    for (int32_t y = 0; written && y < format.height; ++y) {
        PageRow(page, y, row);
        written = TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y), 0) == 1;
    }
    written = written && TIFFWriteDirectory(tif) == 1;
    TIFFClose(tif);
    return written;
}

const PageFile& FileOf(BenchPage page, Coding coding) {
    static std::map<std::pair<BenchPage, Coding>, PageFile> files;
    const auto key = std::pair(page, coding);
    if (const auto found = files.find(key); found != files.end())
        return found->second;
    PageFile file;
    file.path = TemporaryPath(std::string(FormatOf(page).name) + "-" + NameOf(coding) + ".tif");
    if (!WritePageFile(page, coding, file.path))
        Fail("libtiff cannot write " + file.path);
    file.bytes = ReadWholeFile(file.path);
    file.strip = FirstStripOf(file.bytes);
    if (file.strip.empty())
        Fail("libtiff finds no strip in " + file.path);
    return files.emplace(key, std::move(file)).first->second;
}

std::unique_ptr<page::PageSurface> DecodeIntoNewSurface(BenchPage page, Coding coding,
                                                        std::span<const uint8_t> strip) {
    const PageFormat& format = FormatOf(page);
    auto surface = page::CreatePageSurface(format.width, format.height, page::kColourWhite);
    const auto faxCoding =
        coding == Coding::Group3 ? codec::FaxCoding::Group3 : codec::FaxCoding::Group4;
    page::SurfaceRowSink sink(*surface, page::kColourBlack);
    const int64_t rows =
        codec::DecodeFaxStrip(faxCoding, &sink, strip, false, format.width, format.height, 0);
    return rows == format.height ? std::move(surface) : nullptr;
}

const page::PageSurface& SurfaceOf(BenchPage page) {
    static std::map<BenchPage, std::unique_ptr<page::PageSurface>> surfaces;
    std::unique_ptr<page::PageSurface>& surface = surfaces[page];
    if (!surface) {
        surface = DecodeIntoNewSurface(page, Coding::Group4, FileOf(page, Coding::Group4).strip);
        if (!surface || !MatchesPage(*surface, page))
            Fail(std::string("Faxlens does not decode the ") + FormatOf(page).name +
                 " page as it was made");
    }
    return *surface;
}

} // namespace faxlens::bench
