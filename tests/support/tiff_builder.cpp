#include "support/tiff_builder.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace faxlens::test {

TiffBuilder& TiffBuilder::Ifd() {
    ifds_.emplace_back();
    return *this;
}

TiffBuilder::Directory& TiffBuilder::Current() {
    if (ifds_.empty())
        ifds_.emplace_back();
    return ifds_.back();
}

void TiffBuilder::Put16(std::vector<uint8_t>& out, uint16_t v) const {
    auto b = Bytes16(v);
    out.insert(out.end(), b.begin(), b.end());
}

void TiffBuilder::Put32(std::vector<uint8_t>& out, uint32_t v) const {
    auto b = Bytes32(v);
    out.insert(out.end(), b.begin(), b.end());
}

std::vector<uint8_t> TiffBuilder::Bytes16(uint16_t v) const {
    uint8_t lo = v & 0xFF, hi = v >> 8;
    return intel_ ? std::vector<uint8_t>{lo, hi} : std::vector<uint8_t>{hi, lo};
}

std::vector<uint8_t> TiffBuilder::Bytes32(uint32_t v) const {
    std::vector<uint8_t> b{uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
    if (intel_)
        std::reverse(b.begin(), b.end());
    return b;
}

TiffBuilder& TiffBuilder::Short(uint16_t tag, const std::vector<uint16_t>& values) {
    std::vector<uint8_t> bytes;
    for (uint16_t v : values)
        Put16(bytes, v);
    return Raw(tag, 3, static_cast<uint32_t>(values.size()), bytes);
}

TiffBuilder& TiffBuilder::Long(uint16_t tag, const std::vector<uint32_t>& values) {
    std::vector<uint8_t> bytes;
    for (uint32_t v : values)
        Put32(bytes, v);
    return Raw(tag, 4, static_cast<uint32_t>(values.size()), bytes);
}

TiffBuilder& TiffBuilder::Rational(uint16_t tag,
                                   const std::vector<std::pair<uint32_t, uint32_t>>& values) {
    std::vector<uint8_t> bytes;
    for (auto [num, den] : values) {
        Put32(bytes, num);
        Put32(bytes, den);
    }
    return Raw(tag, 5, static_cast<uint32_t>(values.size()), bytes);
}

TiffBuilder& TiffBuilder::Ascii(uint16_t tag, const std::string& bytes) {
    return Raw(tag, 2, static_cast<uint32_t>(bytes.size()),
               std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

TiffBuilder& TiffBuilder::Raw(uint16_t tag, uint16_t type, uint32_t count,
                              const std::vector<uint8_t>& valueBytes) {
    Current().entries.push_back({tag, type, count, valueBytes, std::nullopt});
    return *this;
}

TiffBuilder& TiffBuilder::RawField(uint16_t tag, uint16_t type, uint32_t count,
                                   uint32_t valueField) {
    Current().entries.push_back({tag, type, count, {}, valueField});
    return *this;
}

uint32_t TiffBuilder::AddData(const std::vector<uint8_t>& bytes) {
    uint32_t offset = 8 + static_cast<uint32_t>(data_.size());
    data_.insert(data_.end(), bytes.begin(), bytes.end());
    return offset;
}

TiffBuilder& TiffBuilder::NextOffset(std::size_t ifd, uint32_t offset) {
    while (ifds_.size() <= ifd)
        ifds_.emplace_back();
    ifds_[ifd].next = offset;
    return *this;
}

TiffBuilder& TiffBuilder::FirstIfdOffset(uint32_t offset) {
    firstIfd_ = offset;
    return *this;
}

// Values longer than four bytes, in entry order; each starts on an even offset.
std::vector<uint8_t> TiffBuilder::OutOfLineValues() const {
    std::vector<uint8_t> out;
    for (const auto& ifd : ifds_)
        for (const auto& e : ifd.entries)
            if (!e.valueField && e.value.size() > 4) {
                out.insert(out.end(), e.value.begin(), e.value.end());
                if (out.size() % 2)
                    out.push_back(0);
            }
    return out;
}

std::vector<uint32_t> TiffBuilder::IfdOffsets() const {
    std::size_t pos = 8 + data_.size() + (data_.size() % 2) + OutOfLineValues().size();
    std::vector<uint32_t> offsets;
    for (const auto& ifd : ifds_) {
        offsets.push_back(static_cast<uint32_t>(pos));
        pos += 2 + 12 * ifd.entries.size() + 4;
    }
    return offsets;
}

std::vector<uint8_t> TiffBuilder::Build() const {
    std::vector<uint8_t> out{intel_ ? uint8_t('I') : uint8_t('M'),
                             intel_ ? uint8_t('I') : uint8_t('M')};
    Put16(out, 42);
    auto ifdOffsets = IfdOffsets();
    Put32(out, firstIfd_.value_or(ifdOffsets.empty() ? 0 : ifdOffsets[0]));
    out.insert(out.end(), data_.begin(), data_.end());
    if (out.size() % 2)
        out.push_back(0);

    uint32_t valuePos = static_cast<uint32_t>(out.size());
    auto values = OutOfLineValues();
    out.insert(out.end(), values.begin(), values.end());

    for (std::size_t i = 0; i < ifds_.size(); ++i) {
        const auto& ifd = ifds_[i];
        Put16(out, static_cast<uint16_t>(ifd.entries.size()));
        for (const auto& e : ifd.entries) {
            Put16(out, e.tag);
            Put16(out, e.type);
            Put32(out, e.count);
            if (e.valueField) {
                Put32(out, *e.valueField);
            } else if (e.value.size() > 4) {
                Put32(out, valuePos);
                valuePos += static_cast<uint32_t>(e.value.size() + e.value.size() % 2);
            } else {
                std::vector<uint8_t> field = e.value;
                field.resize(4, 0);
                out.insert(out.end(), field.begin(), field.end());
            }
        }
        uint32_t next = i + 1 < ifds_.size() ? ifdOffsets[i + 1] : 0;
        Put32(out, ifd.next.value_or(next));
    }
    return out;
}

void TiffBuilder::WriteTo(const std::string& path) const {
    WriteFile(path, Build());
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    ASSERT_TRUE(out) << "cannot write " << path;
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << "cannot write " << path;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "faxlens-test-XXXXXX").string();
    char* made = ::mkdtemp(pattern.data());
    if (made == nullptr)
        ADD_FAILURE() << "cannot make a temporary folder";
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> FolderContents(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir))
        names.push_back(entry.path().lexically_relative(dir).string()); // links stay names
    std::sort(names.begin(), names.end());
    return names;
}

int64_t WriteUnshowableSizePage(const std::string& path, bool withSize) {
    TiffBuilder builder;
    builder.Ifd();
    if (withSize)
        builder.Long(tiff::tag::kImageWidth, {100000}).Long(tiff::tag::kImageLength, {100000});
    builder.Short(tiff::tag::kCompression, {tiff::compression::kGroup4})
        .Long(tiff::tag::kStripOffsets, {8})
        .Long(tiff::tag::kStripByteCounts, {0});
    builder.WriteTo(path);
    return builder.IfdOffsets().at(0);
}

int64_t WriteUncompressedPage(const std::string& path) {
    constexpr uint16_t kWidth = 1728;
    constexpr uint16_t kHeight = 200;
    constexpr uint32_t kBytes = kWidth / 8 * kHeight;
    TiffBuilder builder;
    const uint32_t strip = builder.AddData(std::vector<uint8_t>(kBytes, 0x0F));
    builder.Ifd()
        .Short(tiff::tag::kImageWidth, {kWidth})
        .Short(tiff::tag::kImageLength, {kHeight})
        .Short(tiff::tag::kCompression, {tiff::compression::kNone})
        .Long(tiff::tag::kStripOffsets, {strip})
        .Short(tiff::tag::kRowsPerStrip, {kHeight})
        .Long(tiff::tag::kStripByteCounts, {kBytes});
    builder.WriteTo(path);
    return builder.IfdOffsets().at(0);
}

} // namespace faxlens::test
