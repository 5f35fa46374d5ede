#pragma once

// A TIFF file held in memory, which libtiff reads and writes through its client procedures: so
// that timing libtiff's coding and decoding involves no disk, as Faxlens's own does not.

#include <cstdint>
#include <span>
#include <tiffio.h>
#include <vector>

namespace faxlens::bench {

class MemoryTiff {
public:
    // An empty file, for libtiff to write.
    MemoryTiff() = default;
    // A copy of a file's bytes, for libtiff to read; it maps them, so strips are read in place.
    explicit MemoryTiff(std::span<const uint8_t> bytes) : bytes_(bytes.begin(), bytes.end()) {}
    ~MemoryTiff() { Close(); }
    MemoryTiff(const MemoryTiff&) = delete;
    MemoryTiff& operator=(const MemoryTiff&) = delete;

    // Opens the file for libtiff, "r" to read it or "w" to write it anew (the memory of the last
    // writing is kept for the next). Null when libtiff refuses. Closes what was open.
    TIFF* Open(const char* mode);
    // Closes the open TIFF; libtiff writes a written file's directory now.
    void Close();

    std::span<const uint8_t> Bytes() const { return bytes_; }

private:
    static tmsize_t Read(thandle_t handle, void* buffer, tmsize_t size);
    static tmsize_t Write(thandle_t handle, void* buffer, tmsize_t size);
    static toff_t Seek(thandle_t handle, toff_t offset, int whence);
    static int CloseFile(thandle_t handle);
    static toff_t Size(thandle_t handle);
    static int Map(thandle_t handle, void** base, toff_t* size);
    static void Unmap(thandle_t handle, void* base, toff_t size);

    std::vector<uint8_t> bytes_;
    uint64_t position_ = 0;
    TIFF* tif_ = nullptr;
};

// The bytes of strip 0 of a TIFF file in memory; empty when libtiff finds none.
std::vector<uint8_t> FirstStripOf(std::span<const uint8_t> file);

} // namespace faxlens::bench
