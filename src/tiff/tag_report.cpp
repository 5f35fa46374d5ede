#include "tiff/tag_report.h"

#include "base/numbers.h"
#include "tiff/tag_dictionary.h"
#include "tiff/tag_values.h"
#include "tiff/tiff_facts.h"

namespace faxlens::tiff {

std::string CompressionText(const TiffFile& file, const Directory& directory) {
    if (TagNumber(file, directory.Find(tag::kImageWidth)).value_or(0) == 0 ||
        TagNumber(file, directory.Find(tag::kImageLength)).value_or(0) == 0)
        return {};
    const TagEntry* code = directory.Find(tag::kCompression);
    std::string name = CompressionName(SaturateToInt32(TagNumber(file, code).value_or(0)));
    // Bit 0 of T4Options is two-dimensional coding. Only a single value "3" qualifies.
    if (code != nullptr && ValueTextIs(file, *code, std::to_string(compression::kGroup3)) &&
        (TagNumber(file, directory.Find(tag::kT4Options)).value_or(0) & kT4TwoDimensional) != 0)
        name += " 2D";
    return name;
}

Result<std::string> BuildTagReport(const TiffFile& file, int64_t ifdOffset) {
    if (ifdOffset < 0 || ifdOffset >= file.Length())
        return std::string();
    const Directory directory = file.ReadDirectory(ifdOffset);
    // Values of a sound file lie side by side in it, so all of them together hold no more
    // elements than the file has bytes. Entries that all point at the same huge value must
    // not make the report many times the size of the file.
    int64_t elementBudget = 2 * file.Length() + 4096;
    std::string report;
    for (const TagEntry& entry : directory.entries) {
        report += TagName(entry.tag);
        report += " = ";
        report += FormatTagValue(file, entry, &elementBudget);
        report += "\r\n";
    }
    report += "CompressionType = ";
    report += CompressionText(file, directory);
    return file.Checked(std::move(report));
}

} // namespace faxlens::tiff
