#pragma once

// Decoded pages as picture files for scripts and other viewers: binary PBM (1 = black) and
// 1-bit greyscale PNG.

#include "viewer/page_surface.h"

#include <cstdint>
#include <string>
#include <vector>

namespace faxlens::cli {

std::vector<uint8_t> EncodePbm(const PageSurface& surface);
std::vector<uint8_t> EncodePng(const PageSurface& surface);

// Writes the bytes to a temporary file beside path and renames it over path once every byte
// is written, so that a failed write leaves no half-written file and an older file untouched.
// Returns an empty text on success, else the reason.
std::string WriteFileWhole(const std::string& path, const std::vector<uint8_t>& bytes);

} // namespace faxlens::cli
