#include "tiff/image_list.h"

#include <unordered_set>

namespace faxlens {

namespace {

// Offsets of 0 and 1 end the chain of directories.
constexpr int64_t kFirstDirectoryOffset = 2;
constexpr std::size_t kImagesPerPump = 50;

// The directory that would hold the next image, after `listed` images.
std::string NextDirectory(std::size_t listed) {
    return listed == 0 ? "the directory of image 1"
                       : "the directory after image " + std::to_string(listed);
}

std::string CutShort(const std::string& what) {
    return "the file is cut short: " + what;
}

} // namespace

Result<ImageList> ListImages(const TiffFile& file, std::size_t limit, const EventPump& pump) {
    ImageList list;
    std::unordered_set<int64_t> visited;
    int64_t offset = file.FirstDirectoryOffset();
    while (offset >= kFirstDirectoryOffset && visited.insert(offset).second) {
        if (offset >= file.Length()) {
            list.chainBreak = CutShort(NextDirectory(list.offsets.size()) + " lies past its end");
            break;
        }
        // Only the count and the next offset are needed here; the entries are read when asked.
        const uint16_t entries = file.ReadEntryCount(offset);
        const int64_t nextAt = offset + 2 + int64_t{12} * entries;
        const bool whole = nextAt + 4 <= file.Length();
        if (!whole && entries == 0) {
            list.chainBreak = CutShort(NextDirectory(list.offsets.size()) + " runs past its end");
            break;
        }
        if (entries > 0) {
            list.offsets.push_back(offset);
            if (list.offsets.size() % kImagesPerPump == 0)
                Pump(pump);
        }
        if (!whole) {
            list.chainBreak = CutShort("the directory of image " +
                                       std::to_string(list.offsets.size()) + " runs past its end");
            break;
        }
        if (limit > 0 && list.offsets.size() >= limit)
            break;
        std::array<uint8_t, 4> next{};
        file.ReadInto(nextAt, next);
        offset = file.Long(next.data());
    }
    return file.Checked(std::move(list));
}

std::vector<int64_t> ImagesOf(const std::string& path) {
    const Result<TiffFile> file = TiffFile::Open(path);
    Result<ImageList> images = file ? ListImages(*file) : Result<ImageList>(Fail({}));
    return images ? std::move(images->offsets) : std::vector<int64_t>{};
}

} // namespace faxlens
