#include "app/page_image_files.h"

#include "tiff/output_file.h"

#include <algorithm>
#include <zlib.h>

namespace faxlens::cli {

namespace {

// One row, eight pixels a byte, most significant bit first; `blackBit` is the bit of a black
// pixel (1 in PBM, 0 in a greyscale PNG). A decoded page holds only black and white.
void PackRow(const PageSurface& surface, int32_t y, bool blackBit, uint8_t* out) {
    const uint8_t* pixel = surface.Row(y);
    const int32_t width = surface.Width();
    for (int32_t x = 0; x < width; x += 8) {
        const int32_t count = std::min(8, width - x);
        uint8_t byte = 0;
        for (int32_t bit = 0; bit < count; ++bit, pixel += 3) {
            const bool black = (pixel[0] | pixel[1] | pixel[2]) == 0;
            byte |= static_cast<uint8_t>((black == blackBit) << (7 - bit));
        }
        *out++ = byte;
    }
}

void PutBigEndian32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

void AppendChunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
    PutBigEndian32(png, static_cast<uint32_t>(data.size()));
    const std::size_t typeAt = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    const uLong crc = crc32(0L, png.data() + typeAt, static_cast<uInt>(4 + data.size()));
    PutBigEndian32(png, static_cast<uint32_t>(crc));
}

std::vector<uint8_t> PngHeader(const PageSurface& surface) {
    std::vector<uint8_t> header;
    PutBigEndian32(header, static_cast<uint32_t>(surface.Width()));
    PutBigEndian32(header, static_cast<uint32_t>(surface.Height()));
    const uint8_t bitDepth = 1, greyscale = 0, deflate = 0, adaptive = 0, noInterlace = 0;
    header.insert(header.end(), {bitDepth, greyscale, deflate, adaptive, noInterlace});
    return header;
}

// Every row behind a filter byte of 0, deflated as one stream.
std::vector<uint8_t> PngImageData(const PageSurface& surface) {
    const std::size_t rowBytes = (static_cast<std::size_t>(surface.Width()) + 7) / 8;
    std::vector<uint8_t> raw((rowBytes + 1) * static_cast<std::size_t>(surface.Height()), 0);
    for (int32_t y = 0; y < surface.Height(); ++y)
        PackRow(surface, y, false, raw.data() + y * (rowBytes + 1) + 1);
    uLongf packedLength = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packedLength);
    compress2(packed.data(), &packedLength, raw.data(), static_cast<uLong>(raw.size()), 6);
    packed.resize(packedLength);
    return packed;
}

} // namespace

std::vector<uint8_t> EncodePbm(const PageSurface& surface) {
    const std::string header =
        "P4\n" + std::to_string(surface.Width()) + " " + std::to_string(surface.Height()) + "\n";
    const std::size_t rowBytes = (static_cast<std::size_t>(surface.Width()) + 7) / 8;
    std::vector<uint8_t> pbm(header.begin(), header.end());
    pbm.resize(header.size() + rowBytes * static_cast<std::size_t>(surface.Height()));
    for (int32_t y = 0; y < surface.Height(); ++y)
        PackRow(surface, y, true, pbm.data() + header.size() + y * rowBytes);
    return pbm;
}

std::vector<uint8_t> EncodePng(const PageSurface& surface) {
    std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    AppendChunk(png, "IHDR", PngHeader(surface));
    AppendChunk(png, "IDAT", PngImageData(surface));
    AppendChunk(png, "IEND", {});
    return png;
}

std::string WriteFileWhole(const std::string& path, const std::vector<uint8_t>& bytes) {
    OutputFile file = OutputFile::CreateBeside(path);
    file.Append(bytes);
    return file.MoveInto(path) ? std::string() : file.Error();
}

} // namespace faxlens::cli
