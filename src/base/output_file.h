#pragma once

// The file a save writes, closed when the object goes away. The first failed write is kept with
// its reason; later writes do nothing, so a writer can check once at the end.
//
// A path of "-" is standard output, written in order. Any other path is first checked (see
// save_target.h): the new content goes to a file of its own beside the file it replaces
// ("FOLDER/.faxlens-XXXXXX", named relative to the folder), which takes the old file's place only
// once it is complete, so a failed or interrupted save never leaves a half-written file under
// the final name.

#include "base/result.h"
#include "base/save_target.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace faxlens {

inline constexpr const char* kStandardOutputPath = "-";

class OutputFile {
public:
    // Why the path cannot be written, when it cannot: the save target is refused, or the
    // temporary file cannot be made.
    static Result<OutputFile> Create(const std::string& path);

    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&&) = delete;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    // Closes the file and removes it unless it was finished.
    ~OutputFile();

    // Whether every write so far went through.
    Status WriteStatus() const;
    int64_t Length() const { return length_; }

    // A stream takes its bytes in order: WriteAt may only reach back over the last bytes not yet
    // handed on (less than kStreamHeld), so a writer must know everything it would patch later
    // before it writes more than that.
    bool IsStream() const { return stream_; }
    static constexpr std::size_t kStreamHeld = std::size_t{1} << 20;

    void WriteAt(int64_t offset, std::span<const uint8_t> bytes);
    // A path by which the bytes written so far can be read back before Finish, for a file (the
    // temporary file, through the process's descriptor of it); empty for a stream.
    std::string ReadBackPath() const;
    void Append(std::span<const uint8_t> bytes) { WriteAt(length_, bytes); }

    // A file: gives it the permission bits, owner and group of the file it replaces (a new file
    // the usual mode under the umask), flushes it to disk and renames it into place. A stream:
    // hands on the bytes still held. Fails when any step, or a write before, failed; a file is
    // then removed.
    Status Finish();

private:
    OutputFile() = default;
    bool Ok() const { return error_.empty(); }
    void NoteFailure(const std::string& reason);
    Status OpenBeside();
    void WriteToFile(int64_t offset, std::span<const uint8_t> bytes);
    void WriteToStream(int64_t offset, std::span<const uint8_t> bytes);
    void HandOnHeldBytes();
    void TakeOverOwnerAndMode();
    void RemoveTemporaryFile();

    int fd_ = -1;
    bool stream_ = false;
    SaveTarget target_;
    int folder_ = -1; // the target's folder, which the temporary file's name is relative to
    std::string temporaryName_;
    int64_t length_ = 0;
    // A stream's bytes from heldFrom_ on, not yet handed on.
    std::vector<uint8_t> held_;
    int64_t heldFrom_ = 0;
    std::string error_;
};

} // namespace faxlens
