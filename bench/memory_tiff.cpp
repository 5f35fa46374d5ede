#include "memory_tiff.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace faxlens::bench {

namespace {

MemoryTiff& FileOf(thandle_t handle) {
    return *static_cast<MemoryTiff*>(handle);
}

} // namespace

TIFF* MemoryTiff::Open(const char* mode) {
    Close();
    if (mode[0] == 'w')
        bytes_.clear();
    position_ = 0;
    tif_ = TIFFClientOpen("memory", mode, this, Read, Write, Seek, CloseFile, Size, Map, Unmap);
    return tif_;
}

void MemoryTiff::Close() {
    if (tif_ != nullptr)
        TIFFClose(tif_);
    tif_ = nullptr;
}

tmsize_t MemoryTiff::Read(thandle_t handle, void* buffer, tmsize_t size) {
    MemoryTiff& file = FileOf(handle);
    const uint64_t left =
        file.bytes_.size() - std::min<uint64_t>(file.position_, file.bytes_.size());
    const auto count = static_cast<std::size_t>(std::min<uint64_t>(left, uint64_t(size)));
    std::memcpy(buffer, file.bytes_.data() + file.position_, count);
    file.position_ += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t MemoryTiff::Write(thandle_t handle, void* buffer, tmsize_t size) {
    MemoryTiff& file = FileOf(handle);
    const auto end = static_cast<std::size_t>(file.position_) + static_cast<std::size_t>(size);
    if (end > file.bytes_.size())
        file.bytes_.resize(end);
    std::memcpy(file.bytes_.data() + file.position_, buffer, static_cast<std::size_t>(size));
    file.position_ = end;
    return size;
}

toff_t MemoryTiff::Seek(thandle_t handle, toff_t offset, int whence) {
    MemoryTiff& file = FileOf(handle);
    const uint64_t base = whence == SEEK_CUR   ? file.position_
                          : whence == SEEK_END ? file.bytes_.size()
                                               : 0;
    file.position_ = base + offset;
    return file.position_;
}

int MemoryTiff::CloseFile(thandle_t) {
    return 0;
}

toff_t MemoryTiff::Size(thandle_t handle) {
    return FileOf(handle).bytes_.size();
}

int MemoryTiff::Map(thandle_t handle, void** base, toff_t* size) {
    MemoryTiff& file = FileOf(handle);
    *base = file.bytes_.data();
    *size = file.bytes_.size();
    return 1;
}

void MemoryTiff::Unmap(thandle_t, void*, toff_t) {}

std::vector<uint8_t> FirstStripOf(std::span<const uint8_t> file) {
    MemoryTiff memory(file);
    TIFF* tif = memory.Open("r");
    uint64_t* offsets = nullptr;
    uint64_t* counts = nullptr;
    if (tif == nullptr || !TIFFGetField(tif, TIFFTAG_STRIPOFFSETS, &offsets) ||
        !TIFFGetField(tif, TIFFTAG_STRIPBYTECOUNTS, &counts) ||
        offsets[0] + counts[0] > file.size())
        return {};
    return {file.begin() + static_cast<std::ptrdiff_t>(offsets[0]),
            file.begin() + static_cast<std::ptrdiff_t>(offsets[0] + counts[0])};
}

} // namespace faxlens::bench
