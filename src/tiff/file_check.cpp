#include "tiff/file_check.h"

#include "tiff/binary_file.h"
#include "tiff/tiff_reader.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace faxlens {

namespace {

constexpr std::size_t kBytesShown = 4;

std::string OpenErrorWords(int error) {
    switch (error) {
    case ENOENT:
        return "No such file or directory";
    case EACCES:
    case EPERM:
        return "Permission denied";
    case EISDIR:
        return "Is a folder";
    case ENODEV:
        return "Is not a regular file";
    default:
        return std::strerror(error);
    }
}

// The first bytes as text when they are printable ("%PDF"), else in hexadecimal (89 50 4E 47).
std::string FirstBytes(const std::array<uint8_t, kBytesShown>& bytes, std::size_t count) {
    bool printable = true;
    for (std::size_t i = 0; i < count; ++i)
        printable = printable && bytes[i] >= 0x20 && bytes[i] < 0x7F;
    std::string text;
    if (printable) {
        text.push_back('"');
        text.append(bytes.begin(), bytes.begin() + static_cast<long>(count));
        text.push_back('"');
        return text;
    }
    for (std::size_t i = 0; i < count; ++i) {
        char two[4];
        std::snprintf(two, sizeof two, i > 0 ? " %02X" : "%02X", bytes[i]);
        text.append(two);
    }
    return text;
}

bool IsBigTiff(const std::array<uint8_t, kBytesShown>& b) {
    return (b[0] == 'I' && b[1] == 'I' && b[2] == 43 && b[3] == 0) ||
           (b[0] == 'M' && b[1] == 'M' && b[2] == 0 && b[3] == 43);
}

} // namespace

std::string WhyNotATiffFile(const std::string& path) {
    const BinaryFile file(path);
    if (!file.IsOpen())
        return OpenErrorWords(file.OpenError());
    if (file.Length() == 0)
        return "The file is empty";
    if (ReadTiffHeader(file).valid)
        return {};
    std::array<uint8_t, kBytesShown> first{};
    file.ReadInto(0, first.data(), first.size());
    if (IsBigTiff(first))
        return "Not a TIFF file that Faxlens reads: it is a BigTIFF file";
    const std::size_t shown = std::min<std::size_t>(kBytesShown, file.Length());
    return "Not a TIFF file: it begins with " + FirstBytes(first, shown);
}

} // namespace faxlens
