#include "tiff/tag_report.h"

#include "tiff/tag_dictionary.h"
#include "tiff/tiff_facts.h"
#include "tiff/tiff_reader.h"

#include <array>

namespace faxlens {

std::string CompressionText(const std::string& path, int64_t ifdOffset) {
    if (TextToLong(GetTagText(path, ifdOffset, tag::kImageWidth)) == 0 ||
        TextToLong(GetTagText(path, ifdOffset, tag::kImageLength)) == 0)
        return {};
    const std::string code = GetTagText(path, ifdOffset, tag::kCompression);
    std::string name = CompressionName(TextToLong(code));
    // Bit 0 of T4Options is two-dimensional coding. Only a single value "3" qualifies.
    if (code == std::to_string(compression::kGroup3) &&
        (TextToLong(GetTagText(path, ifdOffset, tag::kT4Options)) & kT4TwoDimensional) != 0)
        name += " 2D";
    return name;
}

std::string BuildTagReport(const std::string& path, int64_t ifdOffset) {
    const TiffHeader header = ReadTiffHeader(path);
    if (!header.valid || ifdOffset < 0 || ifdOffset >= header.fileLength)
        return {};
    const BinaryFile file(path);
    const std::string compression = CompressionText(path, ifdOffset);

    std::array<uint8_t, 2> countBytes{};
    file.ReadInto(ifdOffset, countBytes.data(), countBytes.size());
    const int32_t entryCount = AssembleWord(countBytes[0], countBytes[1], 0, header.byteOrder);

    // Values of a sound file lie side by side in it, so all of them together hold no more
    // elements than the file has bytes. Entries that all point at the same huge value must
    // not make the report many times the size of the file.
    int64_t elementBudget = 2 * header.fileLength + 4096;
    std::string report;
    for (int32_t i = 0; i < entryCount; ++i) {
        TagEntry entry;
        ReadTagEntry(file, ifdOffset + 2 + 12 * int64_t{i}, header.byteOrder, entry);
        report += TagName(entry.tag);
        report += " = ";
        report += FormatTagValue(file, entry.valueOffset, entry.type, entry.count, header.byteOrder,
                                 &elementBudget);
        report += "\r\n";
    }
    report += "CompressionType = ";
    report += compression;
    return report;
}

} // namespace faxlens
