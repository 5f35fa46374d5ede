// Arbitrary pixels saved as Group 3 and as Group 4 and decoded again by Faxlens come back the
// same; the run encoder's codes decode to the run they were made for.

#include "codec/page_decode.h"
#include "codec/reference/run_decoding.h"
#include "codec/reference/run_encoder.h"
#include "encode/page_encoder.h"
#include "fuzz_support.h"
#include "page/decoded_page.h"
#include "page/surface_rows.h"

namespace {

using namespace faxlens;

void CheckRunCodes(const uint8_t* data, std::size_t size) {
    for (std::size_t i = 0; i + 2 < size && i < 64; i += 3) {
        const int32_t run = data[i] | data[i + 1] << 8 | (data[i + 2] & 0x3F) << 16;
        const codec::Colour colour = data[i + 2] & 0x80 ? codec::kBlack : codec::kWhite;
        const codec::BitString code = reference::EncodeRun(run, colour, "");
        int32_t decoded = 0;
        int32_t used = 0;
        if (!reference::DecodeRun(code, 1, colour, decoded, used) || decoded != run ||
            used != static_cast<int32_t>(code.size()))
            __builtin_trap();
    }
}

std::unique_ptr<page::PageSurface> SurfaceOf(const uint8_t* data, std::size_t size) {
    const int32_t width = 1 + (data[0] | (data[1] & 0x03) << 8); // 1 to 1024
    const int32_t height = 1 + data[2] % 32;
    auto surface = page::CreatePageSurface(width, height, page::kColourWhite);
    // One bit a pixel from the rest of the input, repeated when it runs out; a bit that is
    // set in the control byte's low nibble gives runs rather than noise.
    const std::size_t bits = (size - 4) * 8;
    const bool runs = data[3] & 1;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const std::size_t at = (static_cast<std::size_t>(y) * width + x) / (runs ? 16 : 1);
            if (bits > 0 && (data[4 + (at / 8) % (size - 4)] >> (at % 8)) & 1)
                surface->PaintLine(x, y, x, page::kColourBlack);
        }
    return surface;
}

void CheckSavedPage(const page::PageSurface& surface, bool group4, const std::string& path) {
    const auto save = group4 ? encode::SavePageG4 : encode::SavePageG3;
    if (!save(page::SurfaceRows(surface), 0, 0, path, 0, 0, {}))
        __builtin_trap();
    const Result<tiff::TiffFile> file = tiff::TiffFile::Open(path);
    if (!file)
        __builtin_trap();
    const auto decoded = page::DecodePage(*file, 8 + 16);
    if (!decoded || !decoded->surface)
        __builtin_trap();
    for (int32_t y = 0; y < surface.Height(); ++y)
        for (int32_t x = 0; x < surface.Width(); ++x)
            if (decoded->surface->Pixel(x, y) != surface.Pixel(x, y))
                __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    CheckRunCodes(data, size);
    if (size < 5)
        return 0;
    static const fuzz::ProcessFile saved("saved");
    const auto surface = SurfaceOf(data, size);
    CheckSavedPage(*surface, false, saved.Path());
    CheckSavedPage(*surface, true, saved.Path());
    return 0;
}
