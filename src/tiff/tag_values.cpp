#include "tiff/tag_values.h"

#include "base/number_text.h"
#include "base/numbers.h"
#include "tiff/tiff_facts.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>

namespace faxlens::tiff {

namespace {

void AppendDecimal(std::string& text, int64_t value) {
    std::array<char, 24> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    text.append(buffer.data(), result.ptr);
}

bool IsText(int32_t type) {
    return type == kAscii || type == kUndefined;
}

bool IsRational(int32_t type) {
    return type == kRational || type == kSRational;
}

bool IsInteger(int32_t type) {
    switch (type) {
    case kByte:
    case kShort:
    case kLong:
    case kSByte:
    case kSShort:
    case kSLong:
        return true;
    default:
        return false;
    }
}

// The elements of an entry that are looked at: never more than the file could hold, so that a
// hostile count cannot cost gigabytes, and never more than `wanted`.
int64_t ElementsToRead(const TiffFile& file, const TagEntry& entry, int64_t wanted) {
    const int64_t size = ElementSize(entry.type);
    const int64_t fileCanHold = (std::max<int64_t>(file.Length(), 0) + size - 1) / size;
    return std::clamp<int64_t>(std::min<int64_t>(entry.count, fileCanHold), 0, wanted);
}

// The bytes of the first `elements` elements: from the entry itself when they are inline.
std::vector<uint8_t> ElementBytes(const TiffFile& file, const TagEntry& entry, int64_t elements) {
    const auto size = static_cast<std::size_t>(elements * ElementSize(entry.type));
    if (entry.IsInline()) {
        std::vector<uint8_t> bytes(entry.inlineBytes.begin(), entry.inlineBytes.end());
        bytes.resize(size);
        return bytes;
    }
    return file.Read(entry.valueOffset, size);
}

int64_t IntegerElement(const TiffFile& file, const uint8_t* e, int32_t type) {
    switch (type) {
    case kByte:
        return e[0];
    case kSByte:
        return static_cast<int8_t>(e[0]);
    case kShort:
        return file.Word(e);
    case kSShort:
        return static_cast<int16_t>(file.Word(e));
    case kLong:
        return file.Long(e);
    default: // kSLong
        return static_cast<int32_t>(file.Long(e));
    }
}

// Numerator and denominator are both read as signed longs; a denominator of 0 gives 0.
double RationalElement(const TiffFile& file, const uint8_t* e) {
    const auto numerator = static_cast<int32_t>(file.Long(e));
    const auto denominator = static_cast<int32_t>(file.Long(e + 4));
    return denominator != 0 ? static_cast<double>(numerator) / denominator : 0.0;
}

void AppendElement(std::string& text, const TiffFile& file, const uint8_t* e, int32_t type) {
    if (IsInteger(type)) {
        AppendDecimal(text, IntegerElement(file, e, type));
        text += ", ";
    } else if (IsText(type)) {
        text += static_cast<char>(e[0]);
    } else if (IsRational(type)) {
        text += QuotientText(RationalElement(file, e));
        text += ", ";
    }
}

void DropTrailingSeparator(std::string& text, int32_t type) {
    if (type == kAscii) {
        if (!text.empty() && text.back() == '\0')
            text.pop_back();
    } else if (text.ends_with(", ")) {
        text.resize(text.size() - 2);
    }
}

} // namespace

std::string FormatTagValue(const TiffFile& file, const TagEntry& entry, int64_t* elementBudget) {
    const int32_t size = ElementSize(entry.type);
    if (size == 0 || entry.count == 0)
        return {};
    int64_t elements = ElementsToRead(file, entry, INT64_MAX);
    if (elementBudget) {
        elements = std::min(elements, std::max<int64_t>(*elementBudget, 0));
        *elementBudget -= elements;
    }
    const bool cut = elements < entry.count;

    const std::vector<uint8_t> bytes = ElementBytes(file, entry, elements);
    std::string text;
    if (IsText(entry.type))
        text.reserve(static_cast<std::size_t>(elements));
    for (int64_t i = 0; i < elements; ++i)
        AppendElement(text, file, bytes.data() + i * size, entry.type);
    DropTrailingSeparator(text, entry.type);
    if (cut)
        text += text.empty() ? "..." : ", ...";
    return text;
}

std::vector<int64_t> TagNumbers(const TiffFile& file, const TagEntry& entry) {
    std::vector<int64_t> numbers;
    if (IsText(entry.type)) {
        const std::string text = FormatTagValue(file, entry);
        for (std::size_t start = 0; start <= text.size();) {
            const std::size_t comma = std::min(text.find(',', start), text.size());
            if (comma > start)
                numbers.push_back(TextToInt32(std::string_view(text).substr(start, comma - start)));
            start = comma + 1;
        }
        return numbers;
    }
    if (!IsInteger(entry.type) && !IsRational(entry.type))
        return numbers;
    const int32_t size = ElementSize(entry.type);
    const int64_t elements = ElementsToRead(file, entry, INT64_MAX);
    const std::vector<uint8_t> bytes = ElementBytes(file, entry, elements);
    numbers.reserve(static_cast<std::size_t>(elements));
    for (int64_t i = 0; i < elements; ++i) {
        const uint8_t* e = bytes.data() + i * size;
        numbers.push_back(IsInteger(entry.type) ? IntegerElement(file, e, entry.type)
                                                : RoundHalfEven(RationalElement(file, e)));
    }
    return numbers;
}

std::optional<int64_t> TagNumber(const TiffFile& file, const TagEntry* entry) {
    if (entry == nullptr || entry->count == 0)
        return std::nullopt;
    if (IsText(entry->type)) {
        const std::string text = FormatTagValue(file, *entry);
        if (text.empty())
            return std::nullopt;
        return TextToInt32(text);
    }
    if (!IsInteger(entry->type) && !IsRational(entry->type))
        return std::nullopt;
    const std::vector<uint8_t> first = ElementBytes(file, *entry, 1);
    return IsInteger(entry->type) ? IntegerElement(file, first.data(), entry->type)
                                  : RoundHalfEven(RationalElement(file, first.data()));
}

bool ValueTextIs(const TiffFile& file, const TagEntry& entry, const std::string& text) {
    // Every element gives at least one character; the value's own text may run one NUL longer.
    if (entry.count > text.size() + 1)
        return false;
    return FormatTagValue(file, entry) == text;
}

int32_t TextToInt32(std::string_view value) {
    return RoundHalfEven(LeadingNumber(value));
}

std::string QuotientText(double quotient) {
    if (quotient == 0.0)
        return "0"; // no "-0"
    std::array<char, 40> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), quotient,
                                      std::chars_format::general, 15);
    std::string text(buffer.data(), result.ptr);
    for (char& c : text)
        if (c == 'e')
            c = 'E';
    return text;
}

} // namespace faxlens::tiff
