#pragma once

// Pages for the tests of saving (here and in the faxlens-cli convert tests): surfaces painted
// from bitmaps or pictures, saved files read back, writes made to fail.

#include "page/page_surface.h"
#include "support/libtiff_pages.h"

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace faxlens::test {

// A white surface of the bitmap's size with its black pixels painted black, run by run.
inline std::unique_ptr<page::PageSurface> SurfaceFrom(const Bitmap& page) {
    auto surface = page::CreatePageSurface(page.width, page.height, page::kColourWhite);
    for (int32_t y = 0; y < page.height; ++y)
        for (int32_t x = 0; x < page.width;) {
            int32_t end = x;
            while (end < page.width && page.At(end, y) == page.At(x, y))
                ++end;
            if (page.At(x, y))
                surface->PaintLine(x, y, end - 1, page::kColourBlack);
            x = end;
        }
    return surface;
}

// One text a row, '#' black and '.' white, all rows of one width.
inline Bitmap BitmapFrom(const std::vector<std::string>& rows) {
    Bitmap page(static_cast<int32_t>(rows.at(0).size()), static_cast<int32_t>(rows.size()));
    for (int32_t y = 0; y < page.height; ++y)
        for (int32_t x = 0; x < page.width; ++x)
            page.At(x, y) = rows[y].at(x) == '#';
    return page;
}

// A page of one colour.
inline Bitmap PlainPage(int32_t width, int32_t height, bool black) {
    Bitmap page(width, height);
    std::fill(page.black.begin(), page.black.end(), static_cast<uint8_t>(black));
    return page;
}

inline uint32_t BigEndianAt(const std::vector<uint8_t>& bytes, std::size_t at) {
    return uint32_t{bytes.at(at)} << 24 | uint32_t{bytes.at(at + 1)} << 16 |
           uint32_t{bytes.at(at + 2)} << 8 | bytes.at(at + 3);
}

inline std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, std::size_t at,
                                  std::size_t count) {
    if (at + count > bytes.size()) {
        ADD_FAILURE() << "the file has " << bytes.size() << " bytes, not " << at + count;
        return {};
    }
    return {bytes.begin() + static_cast<std::ptrdiff_t>(at),
            bytes.begin() + static_cast<std::ptrdiff_t>(at + count)};
}

// Where a saved file's strip begins, right after the directory.
inline constexpr std::size_t kStripAt = 222;

inline std::vector<uint8_t> StripOf(const std::vector<uint8_t>& file) {
    return file.size() < kStripAt ? std::vector<uint8_t>{}
                                  : Slice(file, kStripAt, file.size() - kStripAt);
}

// Holds this process, and those it starts meanwhile, to files of at most `bytes` while it lives:
// a write past that fails (EFBIG) instead of raising SIGXFSZ. Works for root as for anyone.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = SIG_DFL;
};

} // namespace faxlens::test
