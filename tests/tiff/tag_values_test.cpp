// The values of directory entries: their text in the report and the numbers the page parameters
// take from them, for every field type in both byte orders, and values that a file cannot hold.

#include "support/tiff_builder.h"
#include "tiff/tag_values.h"
#include "tiff/tiff_facts.h"

#include <climits>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace faxlens {
namespace {

using namespace std::string_literals;
using test::TempDir;
using test::TiffBuilder;
using test::WriteFile;
using Bytes = std::vector<uint8_t>;

Bytes Le32(uint32_t v) {
    return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}
Bytes Be32(uint32_t v) {
    return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
}
Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// A file of one directory with the one entry, its value bytes as they stand in the file: inline
// when they fit in four bytes, after the directory otherwise.
class OneEntry {
public:
    OneEntry(bool intel, uint16_t type, uint32_t count, const Bytes& value) {
        TiffBuilder b(intel);
        b.Ifd().Raw(300, type, count, value);
        b.WriteTo(dir_.File("v.tif"));
        file_.emplace(std::move(*tiff::TiffFile::Open(dir_.File("v.tif"))));
        directory_ = file_->ReadDirectory(b.IfdOffsets()[0]);
    }
    const tiff::TiffFile& File() const { return *file_; }
    const tiff::TagEntry& Entry() const { return directory_.entries.at(0); }

private:
    TempDir dir_;
    std::optional<tiff::TiffFile> file_;
    tiff::Directory directory_;
};

struct ValueCase {
    const char* what;
    int32_t type;
    uint32_t count;
    Bytes bytes;
    bool intel;
    std::string text;
    std::vector<int64_t> numbers;
};

TEST(TagValues, TextAndNumbersOfEveryType) {
    const ValueCase cases[] = {
        {"BYTE", tiff::kByte, 3, {0x00, 0x7F, 0xFF}, true, "0, 127, 255", {0, 127, 255}},
        {"SBYTE FF", tiff::kSByte, 1, {0xFF}, true, "-1", {-1}},
        {"SBYTE", tiff::kSByte, 2, {0x7F, 0x80}, false, "127, -128", {127, -128}},
        {"SHORT FFFF", tiff::kShort, 1, {0xFF, 0xFF}, false, "65535", {65535}},
        {"SHORT I", tiff::kShort, 2, {1, 0, 2, 1}, true, "1, 258", {1, 258}},
        {"SHORT M", tiff::kShort, 2, {0, 1, 1, 2}, false, "1, 258", {1, 258}},
        {"SSHORT I", tiff::kSShort, 1, {0xFE, 0xFF}, true, "-2", {-2}},
        {"SSHORT M", tiff::kSShort, 1, {0xFF, 0xFE}, false, "-2", {-2}},
        {"LONG is unsigned", tiff::kLong, 1, Le32(0xFFFFFFFF), true, "4294967295", {4294967295}},
        {"LONG M",
         tiff::kLong,
         2,
         Join({Be32(0x01020304), Be32(0x80000000)}),
         false,
         "16909060, 2147483648",
         {16909060, 2147483648}},
        {"SLONG", tiff::kSLong, 1, Le32(0xFFFFFFFE), true, "-2", {-2}},
        {"RATIONAL 204/1", tiff::kRational, 1, Join({Le32(204), Le32(1)}), true, "204", {204}},
        {"RATIONAL M", tiff::kRational, 1, Join({Be32(204), Be32(1)}), false, "204", {204}},
        {"RATIONAL 0/0", tiff::kRational, 1, Bytes(8, 0), true, "0", {0}},
        {"RATIONAL 5/0", tiff::kRational, 1, Join({Le32(5), Le32(0)}), true, "0", {0}},
        {"two RATIONALs",
         tiff::kRational,
         2,
         Join({Le32(204), Le32(1), Le32(98), Le32(1)}),
         true,
         "204, 98",
         {204, 98}},
        {"RATIONAL 391/2", tiff::kRational, 1, Join({Le32(391), Le32(2)}), true, "195.5", {196}},
        {"RATIONAL 393/2", tiff::kRational, 1, Join({Le32(393), Le32(2)}), true, "196.5", {196}},
        {"RATIONAL 1/3",
         tiff::kRational,
         1,
         Join({Le32(1), Le32(3)}),
         true,
         "0.333333333333333",
         {0}},
        {"RATIONAL 2/3",
         tiff::kRational,
         1,
         Join({Le32(2), Le32(3)}),
         true,
         "0.666666666666667",
         {1}},
        {"RATIONAL 1/10000", tiff::kRational, 1, Join({Le32(1), Le32(10000)}), true, "0.0001", {0}},
        {"RATIONAL 1/100000",
         tiff::kRational,
         1,
         Join({Le32(1), Le32(100000)}),
         true,
         "1E-05",
         {0}},
        {"RATIONAL is signed",
         tiff::kRational,
         1,
         Join({Le32(0xFFFFFFFF), Le32(3)}),
         true,
         "-0.333333333333333",
         {0}},
        {"SRATIONAL -7/2", tiff::kSRational, 1, Join({Be32(-7u), Be32(2)}), false, "-3.5", {-4}},
        {"SRATIONAL 7/-2", tiff::kSRational, 1, Join({Be32(7), Be32(-2u)}), false, "-3.5", {-4}},
        {"SRATIONAL tiny",
         tiff::kSRational,
         1,
         Join({Le32(1), Le32(0x80000000)}),
         true,
         "-4.65661287307739E-10",
         {0}},
        {"ASCII abc NUL", tiff::kAscii, 4, {'a', 'b', 'c', 0}, true, "abc", {0}},
        {"ASCII abc NUL NUL", tiff::kAscii, 5, {'a', 'b', 'c', 0, 0}, true, "abc\0"s, {0}},
        {"ASCII without NUL", tiff::kAscii, 3, {'a', 'b', 'c'}, true, "abc", {0}},
        {"ASCII inner NUL", tiff::kAscii, 4, {'a', 0, 'b', 0}, false, "a\0b"s, {0}},
        {"ASCII keeps a trailing comma", tiff::kAscii, 3, {'a', ',', ' '}, true, "a, ", {0, 0}},
        {"ASCII numbers",
         tiff::kAscii,
         10,
         {'8', ',', ' ', '1', ' ', '2', ',', ',', '9', 0},
         true,
         "8, 1 2,,9",
         {8, 12, 9}},
        {"ASCII of one NUL", tiff::kAscii, 1, {0}, true, "", {}},
        {"UNDEFINED keeps NUL", tiff::kUndefined, 2, {'A', 0}, true, "A\0"s, {0}},
        {"UNDEFINED drops a trailing comma", tiff::kUndefined, 3, {'a', ',', ' '}, true, "a", {0}},
        {"FLOAT", tiff::kFloat, 1, Le32(0x3F800000), true, "", {}},
        {"DOUBLE", tiff::kDouble, 2, Bytes(16, 0x40), true, "", {}},
        {"type 13", 13, 1, Le32(5), true, "", {}},
        {"type 0", 0, 1, Le32(5), true, "", {}},
        {"count 0", tiff::kShort, 0, Le32(5), true, "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const OneEntry value(c.intel, static_cast<uint16_t>(c.type), c.count, c.bytes);
        EXPECT_EQ(tiff::FormatTagValue(value.File(), value.Entry()), c.text);
        EXPECT_EQ(tiff::TagNumbers(value.File(), value.Entry()), c.numbers);
        // The first number is the value text's leading number; none when it has no text.
        const std::optional<int64_t> first = tiff::TagNumber(value.File(), &value.Entry());
        EXPECT_EQ(first.has_value(), !c.text.empty());
        const bool text = c.type == tiff::kAscii || c.type == tiff::kUndefined;
        if (first) {
            EXPECT_EQ(*first, text ? tiff::TextToInt32(c.text) : c.numbers.at(0));
        }
    }
    EXPECT_EQ(tiff::TagNumber(OneEntry(true, tiff::kShort, 1, {7, 0}).File(), nullptr),
              std::nullopt);
}

TEST(TagValues, OnlyTheTextThreeIsThree) {
    const struct {
        uint16_t type;
        uint32_t count;
        Bytes bytes;
        bool three;
    } cases[] = {
        {tiff::kShort, 1, {3, 0}, true},
        {tiff::kLong, 1, Le32(3), true},
        {tiff::kShort, 2, {3, 0, 3, 0}, false},
        {tiff::kAscii, 2, {'3', 0}, true},
        {tiff::kAscii, 3, {'3', 0, 0}, false},
        {tiff::kRational, 1, Join({Le32(6), Le32(2)}), true},
        {tiff::kShort, 1, {4, 0}, false},
    };
    for (const auto& c : cases) {
        const OneEntry value(true, c.type, c.count, c.bytes);
        EXPECT_EQ(tiff::ValueTextIs(value.File(), value.Entry(), "3"), c.three)
            << "type " << c.type << " count " << c.count;
    }
}

TEST(TagValues, ValuesPastTheEndReadAsZeros) {
    TempDir dir;
    TiffBuilder b;
    b.Ifd()
        .RawField(300, tiff::kLong, 3, 0) // filled below to point at the last 4 bytes
        .RawField(301, tiff::kRational, 1, 100000)
        .RawField(302, tiff::kShort, 3, 5000)
        .RawField(303, tiff::kAscii, 6, 1000);
    Bytes bytes = b.Build();
    const auto at = static_cast<uint32_t>(bytes.size());
    bytes.insert(bytes.end(), {7, 0, 0, 0});
    const int64_t field = b.IfdOffsets()[0] + 2 + 8;
    std::copy_n(Le32(at).begin(), 4, bytes.begin() + field);
    WriteFile(dir.File("v.tif"), bytes);
    const Result<tiff::TiffFile> file = tiff::TiffFile::Open(dir.File("v.tif"));
    ASSERT_TRUE(file);
    const tiff::Directory d = file->ReadDirectory(b.IfdOffsets()[0]);
    EXPECT_EQ(tiff::FormatTagValue(*file, d.entries[0]), "7, 0, 0");
    EXPECT_EQ(tiff::FormatTagValue(*file, d.entries[1]), "0");
    EXPECT_EQ(tiff::FormatTagValue(*file, d.entries[2]), "0, 0, 0");
    EXPECT_EQ(tiff::FormatTagValue(*file, d.entries[3]), "\0\0\0\0\0"s);
    EXPECT_TRUE(file->ReadStatus()) << "bytes past the end are no read failure";
}

// Counts the numbers of a value text, without a final ", ...".
int Elements(const std::string& text) {
    std::string_view rest = text;
    if (rest.ends_with(", ..."))
        rest.remove_suffix(5);
    int n = rest.empty() ? 0 : 1;
    for (std::size_t at = rest.find(", "); at != rest.npos; at = rest.find(", ", at + 2))
        ++n;
    return n;
}

TEST(TagValues, HugeCountsAreBoundedByTheFileLength) {
    TempDir dir;
    TiffBuilder b;
    b.Ifd();
    const int32_t types[] = {tiff::kByte,  tiff::kShort,     tiff::kLong, tiff::kRational,
                             tiff::kSLong, tiff::kSRational, tiff::kAscii};
    for (const int32_t type : types) {
        b.RawField(300, static_cast<uint16_t>(type), 0xFFFFFFFF, 8);
        b.RawField(301, static_cast<uint16_t>(type), 0x7FFFFFFF, 0xFFFFFFF0);
    }
    b.Long(302, std::vector<uint32_t>(25, 1)); // fills exactly what it names: not cut
    const std::string path = dir.File("v.tif");
    b.WriteTo(path);
    const Result<tiff::TiffFile> file = tiff::TiffFile::Open(path);
    ASSERT_TRUE(file);
    const tiff::Directory d = file->ReadDirectory(b.IfdOffsets()[0]);
    const int64_t length = file->Length();
    for (const tiff::TagEntry& e : d.entries) {
        SCOPED_TRACE(testing::Message() << "type " << e.type << " count " << e.count);
        const std::string text = tiff::FormatTagValue(*file, e);
        const std::vector<int64_t> numbers = tiff::TagNumbers(*file, e);
        const int64_t canHold =
            (length + tiff::ElementSize(e.type) - 1) / tiff::ElementSize(e.type);
        if (e.tag == 302) {
            EXPECT_EQ(Elements(text), 25);
            EXPECT_FALSE(text.ends_with("...")) << text;
            continue;
        }
        EXPECT_TRUE(text.ends_with(", ...")) << text.substr(0, 60);
        if (e.type == tiff::kAscii) {
            EXPECT_LE(static_cast<int64_t>(text.size()), length + 5);
        } else {
            EXPECT_LE(Elements(text), canHold);
            EXPECT_EQ(static_cast<int64_t>(numbers.size()), canHold);
        }
    }
    int64_t budget = 10;
    EXPECT_EQ(Elements(tiff::FormatTagValue(*file, d.entries[0], &budget)), 10);
    EXPECT_EQ(tiff::FormatTagValue(*file, d.entries[0], &budget), "...") << "a budget spent";
}

TEST(TagValues, QuotientText) {
    // clang-format off
    const std::pair<double, const char*> cases[] = {
        {204, "204"}, {195.5, "195.5"}, {0, "0"}, {-0.5, "-0.5"}, {1.0 / 3, "0.333333333333333"},
        {0.0001, "0.0001"}, {0.00001, "1E-05"}, {1.5e-7, "1.5E-07"},
        {999999999999999.0, "999999999999999"}, {1e15, "1E+15"},
        {123456789012345678.0, "1.23456789012346E+17"}, {1e100, "1E+100"},
        {-2147483648.0, "-2147483648"},
    };
    // clang-format on
    for (const auto& [q, text] : cases)
        EXPECT_EQ(tiff::QuotientText(q), text) << q;
}

TEST(TagValues, TextToInt32) {
    // clang-format off
    const std::pair<const char*, int32_t> cases[] = {
        {"", 0}, {"8, 8, 8", 8}, {"1728", 1728}, {"  42", 42}, {"+7", 7}, {"-7", -7}, {"12abc", 12},
        {"195.5", 196}, {"196.5", 196}, {"2.5", 2}, {"-2.5", -2}, {"0.5", 0}, {"1.5", 2}, {".5", 0},
        {" 1 2", 12}, {"1E3", 1000}, {"1.5E+2", 150}, {"3.7e-1", 0}, {"abc", 0},
        {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN}, {"4294967296", INT32_MAX},
        {"1E30", INT32_MAX}, {"-1E30", INT32_MIN},
    };
    // clang-format on
    for (const auto& [text, value] : cases)
        EXPECT_EQ(tiff::TextToInt32(text), value) << '"' << text << '"';
}

} // namespace
} // namespace faxlens
