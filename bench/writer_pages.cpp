#include "writer_pages.h"

#include "memory_tiff.h"
#include "page/surface_row_sink.h"
#include "page_files.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>

namespace faxlens::bench {

namespace {

// Lines of text from margin to margin and top to bottom, and a few circles, on a page of the
// size given in points.
std::string PageProgram(int width, int height, int fontSize) {
    return "%!PS\n<< /PageSize [" + std::to_string(width) + " " + std::to_string(height) +
           "] >> setpagedevice\n/Courier findfont " + std::to_string(fontSize) +
           " scalefont setfont\n"
           "/line (FAX 0123456789 THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG; "
           "pack my box with five dozen liquor jugs. ) def\n"
           "/y currentpagedevice /PageSize get 1 get 36 sub def\n"
           "{ y 36 lt { exit } if 36 y moveto\n"
           "  { currentpoint pop currentpagedevice /PageSize get 0 get 36 sub gt { exit } if\n"
           "    line show } loop\n"
           "  /y y " +
           std::to_string(fontSize + 2) +
           " sub def } loop\n"
           "1 setlinewidth 1 1 6 { dup 100 mul 300 add 300 3 -1 roll 40 mul 0 360 arc stroke }"
           " for\nshowpage\n";
}

struct Device {
    const char* name; // Ghostscript's
    const char* label;
    codec::FaxCoding coding;
};

constexpr Device kDevices[] = {
    {"tiffg4", "G4", codec::FaxCoding::Group4},
    {"tiffg3", "G3", codec::FaxCoding::Group3},
    {"tiffg32d", "G3_2D", codec::FaxCoding::Group3TwoD},
    {"tiffcrle", "RLE", codec::FaxCoding::HuffmanRle},
};

struct Sheet {
    const char* label;
    int widthPoints;
    int heightPoints;
    const char* resolution; // Ghostscript's -r
    int32_t xResolution;
    int32_t yResolution;
    int fontSize;
};

constexpr Sheet kSheets[] = {
    {"gs_A4", 595, 842, "204x196", 204, 196, 9},
    {"gs_A0", 2384, 3370, "400", 400, 400, 8},
};

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool GhostscriptInstalled() {
    return std::system("gs --version >/dev/null 2>&1") == 0;
}

// Renders the sheet with the device into one strip; false when Ghostscript fails.
bool Render(const Sheet& sheet, const Device& device, const std::string& program,
            const std::string& out) {
    const std::string command = std::string("gs -q -dNOPAUSE -dBATCH -dSAFER -dMaxStripSize=0") +
                                " -sDEVICE=" + device.name + " -r" + sheet.resolution +
                                " -sOutputFile='" + out + "' '" + program + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

std::string NameOf(const Sheet& sheet, const Device& device) {
    return std::string(sheet.label) + "/" + device.label;
}

// The sheet rendered by the device; why not, when it cannot be.
std::optional<WriterPage> MakePage(const Sheet& sheet, const Device& device) {
    const std::string name = NameOf(sheet, device);
    if (!GhostscriptInstalled()) {
        std::fprintf(stderr, "bench pages: Ghostscript (gs) is not installed\n");
        return std::nullopt;
    }
    const std::string program = TemporaryPath(std::string(sheet.label) + ".ps");
    std::ofstream(program) << PageProgram(sheet.widthPoints, sheet.heightPoints, sheet.fontSize);
    const std::string path = TemporaryPath(std::string(sheet.label) + "-" + device.label + ".tif");
    if (!Render(sheet, device, program, path)) {
        std::fprintf(stderr, "bench pages: Ghostscript cannot write %s\n", name.c_str());
        return std::nullopt;
    }
    WriterPage page;
    page.name = name;
    page.coding = device.coding;
    page.bytes = ReadFile(path);
    page.strip = FirstStripOf(page.bytes);
    MemoryTiff memory(page.bytes);
    TIFF* tif = memory.Open("r");
    uint32_t width = 0;
    uint32_t height = 0;
    if (tif == nullptr || TIFFNumberOfStrips(tif) != 1 ||
        TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) != 1 ||
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height) != 1 || page.strip.empty()) {
        std::fprintf(stderr, "bench pages: %s is not a one-strip page\n", name.c_str());
        return std::nullopt;
    }
    page.width = static_cast<int32_t>(width);
    page.height = static_cast<int32_t>(height);
    page.xResolution = sheet.xResolution;
    page.yResolution = sheet.yResolution;
    return page;
}

} // namespace

std::vector<std::string> GhostscriptPageNames() {
    std::vector<std::string> names;
    for (const Sheet& sheet : kSheets)
        for (const Device& device : kDevices)
            names.push_back(NameOf(sheet, device));
    return names;
}

const WriterPage* GhostscriptPage(const std::string& name) {
    static std::map<std::string, std::optional<WriterPage>> pages;
    if (const auto found = pages.find(name); found != pages.end())
        return found->second ? &*found->second : nullptr;
    for (const Sheet& sheet : kSheets)
        for (const Device& device : kDevices)
            if (NameOf(sheet, device) == name) {
                const auto& made = pages.emplace(name, MakePage(sheet, device)).first->second;
                return made ? &*made : nullptr;
            }
    return nullptr;
}

std::unique_ptr<page::PageSurface> DecodeWriterPage(const WriterPage& page) {
    auto surface = page::CreatePageSurface(page.width, page.height, page::kColourWhite);
    page::SurfaceRowSink sink(*surface, page::kColourBlack);
    const int64_t rows =
        codec::DecodeFaxStrip(page.coding, &sink, page.strip, false, page.width, page.height, 0);
    return rows == page.height ? std::move(surface) : nullptr;
}

} // namespace faxlens::bench
