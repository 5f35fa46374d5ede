#pragma once

// The reference decoder: the strip decoders as first written, over a window of BitString
// characters decoded with the text-form primitives. Slow but plain, they stand beside the
// decoding engine in the tests and the fuzz harness, which check that both always paint the
// same pixels and reach the same rows.

#include "base/work_check.h"
#include "codec/codec_types.h"
#include "page/page_surface.h"

#include <cstdint>
#include <span>

namespace faxlens::reference {

// Each decodes one strip whose bits are taken most significant first and returns the rows it
// reached, a row begun included (Group 3 two-dimensional and Huffman RLE: rows ended).
int64_t DecodeStrip1D(page::PageSurface& surface, std::span<const uint8_t> data, int32_t width,
                      int32_t rowLimit, int64_t xOffset, int64_t yOffset, page::ColourValue ink,
                      const WorkCheck& check = {});
int64_t DecodeStrip2D(page::PageSurface& surface, std::span<const uint8_t> data, int32_t width,
                      int32_t rowLimit, int64_t xOffset, int64_t yOffset, page::ColourValue ink,
                      const WorkCheck& check = {});
int64_t DecodeStripGroup3TwoD(page::PageSurface& surface, std::span<const uint8_t> data,
                              int32_t width, int32_t rowLimit, int64_t xOffset, int64_t yOffset,
                              page::ColourValue ink, const WorkCheck& check = {});
int64_t DecodeStripHuffmanRle(page::PageSurface& surface, std::span<const uint8_t> data,
                              int32_t width, int32_t rowLimit, int64_t xOffset, int64_t yOffset,
                              page::ColourValue ink, const WorkCheck& check = {});

} // namespace faxlens::reference
