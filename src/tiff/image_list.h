#pragma once

// The images of a TIFF file: the directories of the chain of next-IFD offsets that have entries.

#include "base/result.h"
#include "base/work_check.h"
#include "tiff/tiff_file.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace faxlens::tiff {

struct ImageList {
    // The offset of every listed directory, in chain order; image k is element k - 1.
    std::vector<int64_t> offsets;
    // Why the chain breaks off before its end, in words ("the file is cut short: the directory
    // after image 1 lies past its end"); empty for a whole chain. A chain that loops back to a
    // directory already listed is whole: it ends there.
    std::string chainBreak;

    bool Whole() const { return chainBreak.empty(); }
};

// Walks the chain from the header's first offset and lists every directory with entries. An
// offset below 2 ends the chain, the first one included (no images), as does a directory met
// before. An offset at or past the end of the file, or a directory that runs past it, breaks the
// chain: the images before the break are listed and the break is said. With a limit above 0 the
// walk stops once that many images are listed. The check runs after every 50th image. Fails only
// when the file cannot be read.
Result<ImageList> ListImages(const TiffFile& file, std::size_t limit = 0,
                             const WorkCheck& check = {});

// The offsets of the images that the file at path lists now; none when it cannot be read.
std::vector<int64_t> ImagesOf(const std::string& path);

} // namespace faxlens::tiff
