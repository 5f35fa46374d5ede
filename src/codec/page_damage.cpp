#include "codec/page_damage.h"

#include <numeric>

namespace faxlens::codec {

namespace {

// "strip 3", or "3 strips, the first strip 3" for several.
std::string StripsText(const std::vector<int32_t>& strips, const std::string& singular,
                       const std::string& plural) {
    const std::string first = "strip " + std::to_string(strips.front());
    if (strips.size() == 1)
        return first + " " + singular;
    return std::to_string(strips.size()) + " strips " + plural + ", the first " + first;
}

std::string RowsText(const PageDamage& damage) {
    const auto& ranges = damage.undecodedRows;
    std::string text;
    if (ranges.size() == 1 && ranges.front().first == ranges.front().last)
        text = "row " + std::to_string(ranges.front().first) + " could not be decoded";
    else if (ranges.size() == 1)
        text = "rows " + std::to_string(ranges.front().first) + " to " +
               std::to_string(ranges.front().last) + " could not be decoded";
    else
        text = std::to_string(damage.RowsUndecoded()) + " of " +
               std::to_string(damage.rowsExpected) + " rows could not be decoded, the first row " +
               std::to_string(ranges.front().first);
    if (damage.firstBadCode)
        text += " (bad code in strip " + std::to_string(damage.firstBadCode->strip) + " at byte " +
                std::to_string(damage.firstBadCode->byte) + ")";
    return text;
}

std::string ShortText(const std::vector<PageDamage::ShortStrip>& strips) {
    const PageDamage::ShortStrip& first = strips.front();
    const std::string cut = "cut short: " + std::to_string(first.bytesRead) + " of " +
                            std::to_string(first.bytesNamed) + " bytes";
    if (strips.size() == 1)
        return "strip " + std::to_string(first.strip) + " is " + cut;
    return std::to_string(strips.size()) + " strips are cut short, the first strip " +
           std::to_string(first.strip) + " " + cut;
}

} // namespace

bool PageDamage::Any() const {
    return !undecodedRows.empty() || firstBadCode || !shortStrips.empty() ||
           !missingStrips.empty() || !outsideStrips.empty() || !stripsWithExtra.empty();
}

int32_t PageDamage::RowsUndecoded() const {
    return std::accumulate(
        undecodedRows.begin(), undecodedRows.end(), 0,
        [](int32_t sum, const RowRange& r) { return sum + r.last - r.first + 1; });
}

void PageDamage::AddUndecodedRows(int64_t from, int64_t to) {
    if (to <= from)
        return;
    const auto first = static_cast<int32_t>(from + 1);
    const auto last = static_cast<int32_t>(to);
    if (!undecodedRows.empty() && undecodedRows.back().last + 1 >= first) {
        undecodedRows.back().last = std::max(undecodedRows.back().last, last);
        return;
    }
    undecodedRows.push_back({first, last});
}

std::string PageDamage::Describe() const {
    std::vector<std::string> parts;
    if (!undecodedRows.empty())
        parts.push_back(RowsText(*this));
    if (!shortStrips.empty())
        parts.push_back(ShortText(shortStrips));
    if (!missingStrips.empty())
        parts.push_back(StripsText(missingStrips, "is missing", "are missing"));
    if (!outsideStrips.empty())
        parts.push_back(StripsText(outsideStrips, "lies outside the file", "lie outside the file"));
    if (!stripsWithExtra.empty())
        parts.push_back(StripsText(stripsWithExtra, "has data left over", "have data left over") +
                        " (" + std::to_string(extraBytes) + " bytes)");
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : "; ") + part;
    return text;
}

} // namespace faxlens::codec
