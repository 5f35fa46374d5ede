#pragma once

#include "base/result.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace faxlens::tiff {

// A regular file opened for reading raw bytes at absolute offsets. Bytes past the end of the file
// (and at negative offsets) read as 0, so a reader can follow any offset a file names without
// checking it first.
//
// A read that fails is no zero: the first failure is kept (the system's reason, or the file found
// shorter than it was when it was opened) and every read from then on gives zeros without
// touching the disk, so that work on a failing file ends soon; whoever finishes a piece of work
// asks ReadStatus() before calling it done.
//
// Reads may come from several threads at once. The file is closed when the object goes away.
// Which file a path named at a moment, and as what: a file replaced, rewritten or touched since
// has another identity.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t modifiedSeconds = 0;
    int64_t modifiedNanoseconds = 0;

    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file the path names now; nothing when it names none.
std::optional<FileIdentity> IdentityOf(const std::string& path);

class BinaryFile {
public:
    // The reason in words when the path cannot be opened: "No such file or directory",
    // "Permission denied", "Is a folder", "Is not a regular file", or the system's words.
    static Result<BinaryFile> Open(const std::string& path);

    BinaryFile(BinaryFile&& other) noexcept;
    BinaryFile& operator=(BinaryFile&& other) noexcept;
    BinaryFile(const BinaryFile&) = delete;
    BinaryFile& operator=(const BinaryFile&) = delete;
    ~BinaryFile();

    // The length when the file was opened.
    int64_t Length() const { return length_; }
    // The file's identity when it was opened.
    const FileIdentity& Identity() const { return identity_; }

    // Reads count bytes at offset; the part that lies outside the file is zero-filled.
    std::vector<uint8_t> Read(int64_t offset, std::size_t count) const;
    void ReadInto(int64_t offset, uint8_t* buffer, std::size_t count) const;

    // Whether every read so far found its bytes.
    Status ReadStatus() const;

private:
    static constexpr std::size_t kSmallRead = 256;
    static constexpr std::size_t kBlockSize = 4096;

    // What reads share: the block that small reads come from, and the first failure.
    struct Shared {
        std::mutex blockMutex;
        std::array<uint8_t, kBlockSize> block;
        std::size_t blockSize = 0; // the bytes of the block that lie in the file
        int64_t blockStart = -1;   // -1 before the first small read
        std::mutex failureMutex;
        std::string failure;
        std::atomic<bool> failed = false; // set once failure holds the reason
    };

    BinaryFile(int fd, const FileIdentity& identity);
    void Close();
    bool ReadFromBlock(int64_t offset, uint8_t* buffer, std::size_t count) const;
    bool ReadDirect(int64_t offset, uint8_t* buffer, std::size_t wanted) const;
    void NoteFailure(std::string reason) const;

    int fd_ = -1;
    int64_t length_ = 0;
    FileIdentity identity_;
    std::unique_ptr<Shared> shared_;
};

} // namespace faxlens::tiff
