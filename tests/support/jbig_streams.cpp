#include "support/jbig_streams.h"

#include "support/tiff_builder.h"
#include "tiff/tiff_facts.h"

extern "C" {
#include <jbig.h>
#include <jbig85.h>
}

#include <cstdlib>
#include <filesystem>

namespace faxlens::test {

namespace {

void Collect(unsigned char* start, std::size_t length, void* file) {
    auto& bytes = *static_cast<std::vector<uint8_t>*>(file);
    bytes.insert(bytes.end(), start, start + length);
}

std::size_t RowBytesOf(const Bitmap& page) {
    return (static_cast<std::size_t>(page.width) + 7) / 8;
}

// The rows as jbigkit takes them: the first pixel in the high bit, 1 for black.
std::vector<uint8_t> PackedRows(const Bitmap& page) {
    const std::size_t bpl = RowBytesOf(page);
    std::vector<uint8_t> rows(static_cast<std::size_t>(page.height) * bpl, 0);
    for (int32_t y = 0; y < page.height; ++y)
        for (int32_t x = 0; x < page.width; ++x)
            if (page.At(x, y))
                rows[y * bpl + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    return rows;
}

uint8_t Reversed(uint8_t byte) {
    uint8_t turned = 0;
    for (int bit = 0; bit < 8; ++bit)
        turned |= static_cast<uint8_t>(((byte >> bit) & 1) << (7 - bit));
    return turned;
}

} // namespace

std::vector<uint8_t> EncodeT85(const Bitmap& page, const T85Options& options) {
    std::vector<uint8_t> bie;
    const std::size_t bpl = RowBytesOf(page);
    std::vector<uint8_t> rows = PackedRows(page);
    const auto height = static_cast<unsigned long>(page.height);
    jbg85_enc_state state{};
    jbg85_enc_init(&state, page.width, options.openHeight ? 0xFFFFFFFFUL : height, Collect, &bie);
    jbg85_enc_options(&state, options.options | (options.openHeight ? JBG_VLENGTH : 0),
                      options.stripeRows, options.atMaximum);
    for (int32_t y = 0; y < page.height; ++y) {
        unsigned char* line = rows.data() + y * bpl;
        jbg85_enc_lineout(&state, line, y > 0 ? line - bpl : nullptr,
                          y > 1 ? line - 2 * bpl : nullptr);
        if (options.openHeight && y + 1 == page.height)
            jbg85_enc_newlen(&state, height);
    }
    return bie;
}

std::vector<uint8_t> EncodeT82(const Bitmap& page, int layers) {
    std::vector<uint8_t> bie;
    std::vector<uint8_t> rows = PackedRows(page);
    unsigned char* planes[1] = {rows.data()};
    jbg_enc_state state{};
    jbg_enc_init(&state, page.width, page.height, 1, planes, Collect, &bie);
    jbg_enc_layers(&state, layers);
    jbg_enc_out(&state);
    jbg_enc_free(&state);
    return bie;
}

std::string WriteJbigPage(const std::string& path, std::vector<uint8_t> stream, int compression,
                          int32_t width, int32_t height, bool lowBitFirst) {
    if (lowBitFirst)
        for (uint8_t& byte : stream)
            byte = Reversed(byte);
    TiffBuilder builder;
    const uint32_t strip = builder.AddData(stream);
    builder.Ifd()
        .Long(tiff::tag::kImageWidth, {static_cast<uint32_t>(width)})
        .Long(tiff::tag::kImageLength, {static_cast<uint32_t>(height)})
        .Short(tiff::tag::kCompression, {static_cast<uint16_t>(compression)})
        .Short(tiff::tag::kPhotometric, {0})
        .Short(tiff::tag::kFillOrder, {static_cast<uint16_t>(lowBitFirst ? 2 : 1)})
        .Long(tiff::tag::kStripOffsets, {strip})
        .Long(tiff::tag::kRowsPerStrip, {static_cast<uint32_t>(height)})
        .Long(tiff::tag::kStripByteCounts, {static_cast<uint32_t>(stream.size())});
    builder.WriteTo(path);
    return path;
}

Bitmap DecodeWithJbgtopbm85(const std::vector<uint8_t>& stream, const std::string& folder) {
    const std::filesystem::path in = std::filesystem::path(folder) / "stream.jbg";
    const std::filesystem::path out = std::filesystem::path(folder) / "stream.pbm";
    WriteFile(in.string(), stream);
    const std::string command =
        "jbgtopbm85 '" + in.string() + "' '" + out.string() + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0)
        return {};
    return ReadPbm(out.string());
}

} // namespace faxlens::test
