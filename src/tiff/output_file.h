#pragma once

// A new file written at byte positions, closed when the object goes away. The first failure
// is kept with its reason; later writes do nothing, so a writer can check once at the end.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace faxlens {

class OutputFile {
public:
    // Creates a file with a name of its own beside path ("FOLDER/.faxlens-XXXXXX"), so that a
    // half-written file never stands under the final name.
    static OutputFile CreateBeside(const std::string& path);

    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&&) = delete;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    // Closes the file and removes it unless it was moved into place.
    ~OutputFile();

    bool Ok() const { return error_.empty(); }
    const std::string& Error() const { return error_; }
    int64_t Length() const { return length_; }

    void WriteAt(int64_t offset, std::span<const uint8_t> bytes);
    void Append(std::span<const uint8_t> bytes) { WriteAt(length_, bytes); }

    // Flushes the file to disk, closes it and renames it to path. Returns false (see Error)
    // when any write failed or the rename did; the file is then removed.
    bool MoveInto(const std::string& path);

private:
    OutputFile() = default;
    void Fail(const std::string& reason);

    int fd_ = -1;
    std::string temporaryPath_;
    int64_t length_ = 0;
    std::string error_;
};

} // namespace faxlens
