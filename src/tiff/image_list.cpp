#include "tiff/image_list.h"

#include <array>
#include <unordered_set>

namespace faxlens::tiff {

namespace {

// Offsets of 0 and 1 end the chain of directories.
constexpr int64_t kFirstDirectoryOffset = 2;
constexpr std::size_t kImagesPerCheck = 50;

// The directory that would hold the next image, after `listed` images.
std::string NextDirectory(std::size_t listed) {
    return listed == 0 ? "the directory of image 1"
                       : "the directory after image " + std::to_string(listed);
}

std::string CutShort(const std::string& what) {
    return "the file is cut short: " + what;
}

// The directories of a long chain mostly lie close together, each a few bytes of which are read:
// they come from a block of the file that the walk keeps for itself.
class ChainReader {
public:
    explicit ChainReader(const TiffFile& file) : file_(file) {}

    uint16_t Word(int64_t offset) { return file_.Word(At(offset, 2)); }
    uint32_t Long(int64_t offset) { return file_.Long(At(offset, 4)); }

private:
    static constexpr int64_t kBlockSize = 4096;

    // The bytes at offset; what lies outside the file reads as 0.
    const uint8_t* At(int64_t offset, int64_t count) {
        if (offset < start_ || offset + count > start_ + kBlockSize) {
            start_ = offset - offset % kBlockSize;
            if (offset + count > start_ + kBlockSize) // across two blocks: start here
                start_ = offset;
            file_.ReadInto(start_, block_);
        }
        return block_.data() + (offset - start_);
    }

    const TiffFile& file_;
    std::array<uint8_t, kBlockSize> block_{};
    int64_t start_ = -kBlockSize;
};

} // namespace

Result<ImageList> ListImages(const TiffFile& file, std::size_t limit, const WorkCheck& check) {
    ImageList list;
    ChainReader reader(file);
    std::unordered_set<int64_t> visited;
    int64_t offset = file.FirstDirectoryOffset();
    while (offset >= kFirstDirectoryOffset && visited.insert(offset).second) {
        if (offset >= file.Length()) {
            list.chainBreak = CutShort(NextDirectory(list.offsets.size()) + " lies past its end");
            break;
        }
        // Only the count and the next offset are needed here; the entries are read when asked.
        const uint16_t entries = reader.Word(offset);
        const int64_t nextAt = offset + 2 + int64_t{12} * entries;
        const bool whole = nextAt + 4 <= file.Length();
        if (!whole && entries == 0) {
            list.chainBreak = CutShort(NextDirectory(list.offsets.size()) + " runs past its end");
            break;
        }
        if (entries > 0) {
            list.offsets.push_back(offset);
            if (list.offsets.size() % kImagesPerCheck == 0)
                CheckWork(check);
        }
        if (!whole) {
            list.chainBreak = CutShort("the directory of image " +
                                       std::to_string(list.offsets.size()) + " runs past its end");
            break;
        }
        if (limit > 0 && list.offsets.size() >= limit)
            break;
        offset = reader.Long(nextAt);
    }
    return file.Checked(std::move(list));
}

std::vector<int64_t> ImagesOf(const std::string& path) {
    const Result<TiffFile> file = TiffFile::Open(path);
    Result<ImageList> images = file ? ListImages(*file) : Result<ImageList>(Fail({}));
    return images ? std::move(images->offsets) : std::vector<int64_t>{};
}

} // namespace faxlens::tiff
