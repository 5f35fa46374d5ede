#pragma once

// JBIG streams of test pages, coded by jbigkit itself, and the pages decoded by jbigkit's own
// command-line tool: the references for pages Faxlens reads and writes.

#include "support/libtiff_pages.h"

#include <cstdint>
#include <string>
#include <vector>

namespace faxlens::test {

// How the T.85 encoder codes a page; the defaults are jbigkit's for fax pages.
struct T85Options {
    int options = 0x08; // TPBON; add 0x40 for LRLTWO
    uint32_t stripeRows = 128;
    int atMaximum = 8;       // how far the adaptive template pixel may move
    bool openHeight = false; // a height of 0xFFFFFFFF in the header, then a NEWLEN marker
};
std::vector<uint8_t> EncodeT85(const Bitmap& page, const T85Options& options = {});

// The page coded by jbigkit's T.82 encoder with its default options, in `layers` resolution
// layers above the lowest (0: one layer, as libtiff codes its JBIG pages).
std::vector<uint8_t> EncodeT82(const Bitmap& page, int layers);

// One page in one strip of a JBIG compression (9 or 34661), the stream's bits turned round
// for FillOrder 2.
std::string WriteJbigPage(const std::string& path, std::vector<uint8_t> stream, int compression,
                          int32_t width, int32_t height, bool lowBitFirst = false);

// The stream decoded by jbigkit's `jbgtopbm85`; an empty bitmap when the tool fails.
Bitmap DecodeWithJbgtopbm85(const std::vector<uint8_t>& stream, const std::string& folder);

} // namespace faxlens::test
