#pragma once

// Decoded pages as picture files for scripts and other viewers: binary PBM (1 = black) and
// 1-bit greyscale PNG. A pixel is black when its colour is black (0). Each file is written beside
// its final name and renamed into place once every byte is written, so a failed write leaves no
// half-written file and an older file untouched; rows are streamed, so writing takes little
// memory beyond the page itself.

#include "base/result.h"
#include "page/page_surface.h"

#include <string>

namespace faxlens::page {

// Both fail with the reason when the file cannot be written.
Status WritePbm(const PageSurface& surface, const std::string& path);
Status WritePng(const PageSurface& surface, const std::string& path);

} // namespace faxlens::page
