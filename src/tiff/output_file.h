#pragma once

// The file a save writes, closed when the object goes away. The first failure is kept with its
// reason; later writes do nothing, so a writer can check once at the end.
//
// A path of "-" is standard output, written in order. Any other path is first checked (see
// save_target.h): the new content goes to a file of its own beside the file it replaces
// ("FOLDER/.faxlens-XXXXXX"), which takes the old file's place only once it is complete, so a
// failed or interrupted save never leaves a half-written file under the final name.

#include "tiff/save_target.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace faxlens {

inline constexpr const char* kStandardOutputPath = "-";

class OutputFile {
public:
    static OutputFile Create(const std::string& path);

    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&&) = delete;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    // Closes the file and removes it unless it was finished.
    ~OutputFile();

    bool Ok() const { return error_.empty(); }
    const std::string& Error() const { return error_; }
    int64_t Length() const { return length_; }

    // A stream takes its bytes in order: WriteAt may only reach back over the last bytes not yet
    // handed on (less than kStreamHeld), so a writer must know everything it would patch later
    // before it writes more than that.
    bool IsStream() const { return stream_; }
    static constexpr std::size_t kStreamHeld = std::size_t{1} << 20;

    void WriteAt(int64_t offset, std::span<const uint8_t> bytes);
    void Append(std::span<const uint8_t> bytes) { WriteAt(length_, bytes); }

    // A file: gives it the permission bits, owner and group of the file it replaces (a new file
    // the usual mode under the umask), flushes it to disk and renames it into place. A stream:
    // hands on the bytes still held. Returns false (see Error) when any step failed; a file is
    // then removed.
    bool Finish();

private:
    OutputFile() = default;
    void Fail(const std::string& reason);
    void OpenBeside(const SaveTarget& target);
    void WriteToFile(int64_t offset, std::span<const uint8_t> bytes);
    void WriteToStream(int64_t offset, std::span<const uint8_t> bytes);
    void HandOnHeldBytes();
    void TakeOverOwnerAndMode();
    void RemoveTemporaryFile();

    int fd_ = -1;
    bool stream_ = false;
    SaveTarget target_;
    std::string temporaryPath_;
    int64_t length_ = 0;
    // A stream's bytes from heldFrom_ on, not yet handed on.
    std::vector<uint8_t> held_;
    int64_t heldFrom_ = 0;
    std::string error_;
};

} // namespace faxlens
