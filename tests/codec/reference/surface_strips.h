#pragma once

// The decoding engine painting strips into a surface as the page layer paints a page, for the
// tests and fuzz harnesses that compare surfaces.

#include "base/work_check.h"
#include "codec/page_decode.h"
#include "page/page_surface.h"

#include <cstdint>
#include <span>

namespace faxlens::test {

// Decodes one fax strip into the surface (or, without one, only reads it): rows from yOffset on,
// each width pixels from column xOffset, black runs painted in the ink.
int64_t PaintFaxStrip(codec::FaxCoding coding, page::PageSurface* surface,
                      std::span<const uint8_t> data, bool lowBitFirst, int32_t width,
                      int32_t rowLimit, int64_t xOffset, int64_t yOffset, page::ColourValue ink,
                      const WorkCheck& check = {}, codec::FaxStripEnd* end = nullptr);

} // namespace faxlens::test
