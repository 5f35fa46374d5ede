#pragma once

// The benchmarks' pages as fax files: written by libtiff into a temporary folder of the run,
// which is removed with everything in it when the program ends, read back into memory, and
// decoded by Faxlens.

#include "a0_pages.h"
#include "page/page_surface.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <tiffio.h>
#include <vector>

namespace faxlens::bench {

enum class Coding { Group3, Group4 };
inline constexpr Coding kCodings[] = {Coding::Group3, Coding::Group4};

const char* NameOf(Coding coding); // "G3" or "G4"

// A path for a file of this name in the run's temporary folder.
std::string TemporaryPath(const std::string& name);

// The tags of a one-strip fax page at the page's resolution, min-is-white, first bit most
// significant: Group 3 with fill bits before every EOL (T4Options 4), or Group 4.
void SetFaxTags(TIFF* tif, const PageFormat& format, Coding coding);

// Writes the page into a new file with libtiff. False when libtiff cannot.
bool WritePageFile(BenchPage page, Coding coding, const std::string& path);

struct PageFile {
    std::string path; // in the temporary folder
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> strip; // a copy of the file's one strip, as the viewer reads it
};

// The page's file, written the first time it is asked for.
const PageFile& FileOf(BenchPage page, Coding coding);

// What the viewer does with a strip: a fresh white surface of the page's size, the strip decoded
// into it. Null when the strip does not decode to every row.
std::unique_ptr<page::PageSurface> DecodeIntoNewSurface(BenchPage page, Coding coding,
                                                        std::span<const uint8_t> strip);

// The page decoded from its Group 4 file, made the first time it is asked for and checked
// against the page's rows; the program ends when it does not match.
const page::PageSurface& SurfaceOf(BenchPage page);

} // namespace faxlens::bench
