#include "support/tiff_builder.h"
#include "tiff/tag_report.h"
#include "tiff/tiff_reader.h"

#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <thread>
#include <tiffio.h>
#include <vector>

namespace faxlens {
namespace {

using namespace std::string_literals;
using test::TempDir;
using test::TiffBuilder;
using test::WriteFile;
using Bytes = std::vector<uint8_t>;
constexpr ByteOrder kIntel = ByteOrder::Intel;
constexpr ByteOrder kMotorola = ByteOrder::Motorola;

// Runs fn and aborts the test program when it has not returned after `seconds`, so that a walk
// that never ends fails the suite instead of hanging it.
template <typename Fn>
auto WithDeadline(int seconds, Fn fn) {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (!finished.wait_for(lock, std::chrono::seconds(seconds), [&] { return done; })) {
            std::fprintf(stderr, "still running after %d s, giving up\n", seconds);
            std::abort();
        }
    });
    auto result = fn();
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    finished.notify_one();
    watchdog.join();
    return result;
}

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

std::vector<int32_t> Signed(const std::vector<uint32_t>& offsets) {
    return {offsets.begin(), offsets.end()};
}

// ---- Numbers in the file's byte order ----

TEST(AssembleTest, WordsAndLongs) {
    EXPECT_EQ(AssembleWord(0x34, 0x12, 0, kIntel), 0x1234);
    EXPECT_EQ(AssembleWord(0x12, 0x34, 0, kMotorola), 0x1234);
    EXPECT_EQ(AssembleWord(0xFF, 0xFF, 0, kIntel), 65535);
    EXPECT_EQ(AssembleWord(0xFF, 0xFF, 16, kIntel), -1);
    EXPECT_EQ(AssembleWord(0x80, 0x00, 8, kIntel), -128);
    EXPECT_EQ(AssembleWord(0x00, 0x7F, 8, kMotorola), 127);
    EXPECT_EQ(AssembleWord(0xFF, 0xFF, 8, kMotorola), 65535 - 256); // the rule, literally

    EXPECT_EQ(AssembleLong(0x78, 0x56, 0x34, 0x12, 0, kIntel), 0x12345678);
    EXPECT_EQ(AssembleLong(0x12, 0x34, 0x56, 0x78, 0, kMotorola), 0x12345678);
    EXPECT_EQ(AssembleLong(0xFF, 0xFF, 0xFF, 0xFF, 0, kIntel), -1);
    EXPECT_EQ(AssembleLong(0x80, 0x00, 0x00, 0x00, 0, kMotorola), INT32_MIN);
    EXPECT_EQ(AssembleLong(0x00, 0x00, 0x00, 0x80, 32, kIntel), INT32_MIN);
    EXPECT_EQ(AssembleLong(0x00, 0x00, 0xFF, 0xFF, 0, kMotorola), 65535);
    EXPECT_EQ(AssembleLong(0x00, 0x00, 0xFF, 0xFE, 16, kMotorola), -2);
    EXPECT_EQ(AssembleLong(0xFF, 0x00, 0x00, 0x00, 8, kIntel), -1);
    EXPECT_EQ(AssembleLong(0x00, 0x00, 0x80, 0x00, 24, kIntel), -8388608);
    EXPECT_EQ(AssembleLong(0xFF, 0xFF, 0xFF, 0x7F, 31, kIntel), -1);
    EXPECT_EQ(AssembleLong(0xFF, 0xFF, 0xFF, 0xFF, 16, kIntel), -1); // negative stays as it is
}

TEST(ElementSizeTest, AllTypes) {
    const int32_t sizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 0};
    for (int32_t type = 0; type <= 13; ++type)
        EXPECT_EQ(ElementSize(type), sizes[type]) << "type " << type;
    EXPECT_EQ(ElementSize(-1), 0);
    EXPECT_EQ(ElementSize(65535), 0);
}

// ---- Header ----

struct HeaderCase {
    const char* what;
    Bytes bytes;
    bool valid;
    ByteOrder order;
    int32_t firstIfd;
};

TEST(ReadTiffHeaderTest, ValidAndInvalidHeaders) {
    const Bytes tail(16, 0);
    const HeaderCase cases[] = {
        {"II", Join({{'I', 'I', 42, 0, 8, 0, 0, 0}, tail}), true, kIntel, 8},
        {"MM", Join({{'M', 'M', 0, 42, 0, 0, 0, 8}, tail}), true, kMotorola, 8},
        {"offset with the high bit", Join({{'M', 'M', 0, 42, 0x80, 0, 0, 0}, tail}), true,
         kMotorola, INT32_MIN},
        {"6 bytes: missing bytes read as 0", {'I', 'I', 42, 0, 0x10, 0}, true, kIntel, 16},
        {"IM", Join({{'I', 'M', 42, 0, 8, 0, 0, 0}, tail}), false, kMotorola, -1},
        {"AA", Join({{'A', 'A', 42, 0, 8, 0, 0, 0}, tail}), false, kMotorola, -1},
        {"ii", Join({{'i', 'i', 42, 0, 8, 0, 0, 0}, tail}), false, kMotorola, -1},
        {"II with 43", Join({{'I', 'I', 43, 0, 8, 0, 0, 0}, tail}), false, kMotorola, -1},
        {"MM with 42 in Intel order", Join({{'M', 'M', 42, 0, 0, 0, 0, 8}, tail}), false, kMotorola,
         -1},
        {"only II", {'I', 'I'}, false, kMotorola, -1},
        {"empty file", {}, false, kMotorola, -1},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.File("h.tif");
        WriteFile(path, c.bytes);
        for (const TiffHeader& h : {ReadTiffHeader(path), ReadTiffHeader(BinaryFile(path))}) {
            EXPECT_EQ(h.valid, c.valid);
            EXPECT_EQ(h.byteOrder, c.order);
            EXPECT_EQ(h.firstIfdOffset, c.firstIfd);
            EXPECT_EQ(h.fileLength, c.valid ? int64_t(c.bytes.size()) : -1);
        }
    }
    const TiffHeader missing = ReadTiffHeader(dir.File("missing.tif"));
    EXPECT_FALSE(missing.valid);
    EXPECT_EQ(missing.byteOrder, kMotorola);
    EXPECT_EQ(missing.firstIfdOffset, -1);
    EXPECT_EQ(missing.fileLength, -1);
    EXPECT_FALSE(ReadTiffHeader(BinaryFile()).valid);
}

// ---- Directories and entries, in both byte orders ----

class EntryTest : public ::testing::TestWithParam<bool> {
protected:
    TiffBuilder Builder() const { return TiffBuilder(GetParam()); }
    ByteOrder Order() const { return GetParam() ? kIntel : kMotorola; }
    TempDir dir_;
    std::string path_ = dir_.File("e.tif");
};

TEST_P(EntryTest, IfdHeaderCountsAndNext) {
    TiffBuilder b = Builder();
    b.Ifd()
        .Short(tag::kImageWidth, {1})
        .Short(tag::kImageLength, {2})
        .Ifd()
        .Ifd()
        .Short(tag::kImageWidth, {3});
    b.WriteTo(path_);
    const auto ifds = b.IfdOffsets();
    BinaryFile file(path_);
    IfdHeader h;
    ASSERT_TRUE(ReadIfdHeader(file, ifds[0], Order(), h));
    EXPECT_EQ(h.entryCount, 2);
    EXPECT_EQ(h.nextIfdOffset, int32_t(ifds[1]));
    ASSERT_TRUE(ReadIfdHeader(file, ifds[1], Order(), h)); // next right after a count of 0
    EXPECT_EQ(h.entryCount, 0);
    EXPECT_EQ(h.nextIfdOffset, int32_t(ifds[2]));
    ASSERT_TRUE(ReadIfdHeader(file, file.Length() + 10, Order(), h));
    EXPECT_EQ(h.entryCount, 0);
    EXPECT_EQ(h.nextIfdOffset, 0);
    EXPECT_FALSE(ReadIfdHeader(BinaryFile(), ifds[0], Order(), h));
    EXPECT_EQ(h.entryCount, -1);
    EXPECT_EQ(h.nextIfdOffset, -1);
}

TEST_P(EntryTest, ValueOffsetInlineOrStored) {
    TiffBuilder b = Builder();
    b.Short(tag::kBitsPerSample, {1, 1})         // 4 bytes: inline
        .Short(tag::kStripOffsets, {7, 8, 9})    // 6 bytes: stored elsewhere
        .Rational(tag::kXResolution, {{204, 1}}) // 8 bytes: stored elsewhere
        .Ascii(269, "abc\0"s)                    // 4 bytes: inline
        .Ascii(270, "abcd\0"s)                   // 5 bytes: stored elsewhere
        .RawField(300, 4, 0x40000001, 0x20)      // 4 x count overflows 32 bits to 4
        .RawField(301, 13, 100, 0x20)            // unknown type, size 0: inline
        .RawField(0xFFFF, 4, 0xFFFFFFFF, 0x20);  // count -1: inline
    b.WriteTo(path_);
    const int64_t ifd = b.IfdOffsets()[0];
    BinaryFile file(path_);
    const Bytes built = b.Build();
    auto StoredField = [&](int64_t entry) { // entry bytes 8 to 11, decoded by hand
        const uint8_t* f = built.data() + entry + 8;
        const uint32_t v = GetParam() ? f[0] | f[1] << 8 | f[2] << 16 | uint32_t(f[3]) << 24
                                      : uint32_t(f[0]) << 24 | f[1] << 16 | f[2] << 8 | f[3];
        return int64_t(int32_t(v));
    };
    struct Want {
        int32_t tag, type, count;
        bool inlineValue;
        std::string text;
    };
    const Want wants[] = {
        {tag::kBitsPerSample, 3, 2, true, "1, 1"},
        {tag::kStripOffsets, 3, 3, false, "7, 8, 9"},
        {tag::kXResolution, 5, 1, false, "204"},
        {269, 2, 4, true, "abc"},
        {270, 2, 5, false, "abcd"},
        {300, 4, 0x40000001, false, ""},
        {301, 13, 100, true, ""},
        {65535, 4, -1, true, ""},
    };
    for (int i = 0; i < int(std::size(wants)); ++i) {
        SCOPED_TRACE(i);
        const int64_t at = ifd + 2 + 12 * i;
        TagEntry e;
        ASSERT_TRUE(ReadTagEntry(file, at, Order(), e));
        EXPECT_EQ(e.tag, wants[i].tag);
        EXPECT_EQ(e.type, wants[i].type);
        EXPECT_EQ(e.count, wants[i].count);
        EXPECT_EQ(e.valueOffset, wants[i].inlineValue ? at + 8 : StoredField(at));
        if (e.tag != 300) { // its huge count is covered by the value text tests
            EXPECT_EQ(FormatTagValue(file, e.valueOffset, e.type, e.count, Order()), wants[i].text);
        }
    }
    TagEntry e;
    EXPECT_FALSE(ReadTagEntry(BinaryFile(), ifd + 2, Order(), e));
    EXPECT_EQ(e.tag, -1);
    EXPECT_EQ(e.type, -1);
    EXPECT_EQ(e.count, -1);
    EXPECT_EQ(e.valueOffset, -1);
}

TEST_P(EntryTest, SingleShortReadsTheFirstTwoValueBytes) {
    TiffBuilder b = Builder();
    // Value field bytes 03 00 05 00 (Intel) or 00 03 00 05 (Motorola): the SHORT is 3.
    b.RawField(tag::kCompression, 3, 1, GetParam() ? 0x00050003 : 0x00030005)
        .Short(tag::kPhotometric, {0});
    b.WriteTo(path_);
    BinaryFile file(path_);
    TagEntry e;
    ASSERT_TRUE(ReadTagEntry(file, b.IfdOffsets()[0] + 2, Order(), e));
    EXPECT_EQ(FormatTagValue(file, e.valueOffset, e.type, e.count, Order()), "3");
    EXPECT_EQ(GetTagText(path_, b.IfdOffsets()[0], tag::kCompression), "3");
}

INSTANTIATE_TEST_SUITE_P(BothOrders, EntryTest, ::testing::Bool());

// ---- Value texts ----

// The text of `count` values whose bytes stand at offset 8 of a file, after 8 filler bytes.
std::string Format(const Bytes& value, int32_t type, int32_t count, ByteOrder order) {
    TempDir dir;
    WriteFile(dir.File("v.bin"), Join({Bytes(8, 0xAA), value}));
    return FormatTagValue(BinaryFile(dir.File("v.bin")), 8, type, count, order);
}

struct FormatCase {
    const char* what;
    int32_t type, count;
    Bytes bytes;
    ByteOrder order;
    std::string text;
};

TEST(FormatTagValueTest, EveryType) {
    const FormatCase cases[] = {
        {"BYTE", kByte, 3, {0x00, 0x7F, 0xFF}, kIntel, "0, 127, 255"},
        {"SBYTE FF", kSByte, 1, {0xFF}, kIntel, "-1"},
        {"SBYTE", kSByte, 2, {0x7F, 0x80}, kMotorola, "127, -128"},
        {"SHORT FFFF", kShort, 1, {0xFF, 0xFF}, kMotorola, "65535"},
        {"SHORT I", kShort, 2, {1, 0, 2, 1}, kIntel, "1, 258"},
        {"SHORT M", kShort, 2, {0, 1, 1, 2}, kMotorola, "1, 258"},
        {"SSHORT I", kSShort, 1, {0xFE, 0xFF}, kIntel, "-2"},
        {"SSHORT M", kSShort, 1, {0xFF, 0xFE}, kMotorola, "-2"},
        {"LONG FFFFFFFF", kLong, 1, Le32(0xFFFFFFFF), kIntel, "-1"},
        {"LONG M", kLong, 2, Join({Be32(0x01020304), Be32(0x80000000)}), kMotorola,
         "16909060, -2147483648"},
        {"SLONG", kSLong, 1, Le32(0xFFFFFFFE), kIntel, "-2"},
        {"RATIONAL 204/1", kRational, 1, Join({Le32(204), Le32(1)}), kIntel, "204"},
        {"RATIONAL M", kRational, 1, Join({Be32(204), Be32(1)}), kMotorola, "204"},
        {"RATIONAL 0/0", kRational, 1, Bytes(8, 0), kIntel, "0"},
        {"RATIONAL 5/0", kRational, 1, Join({Le32(5), Le32(0)}), kIntel, "0"},
        {"two RATIONALs", kRational, 2, Join({Le32(204), Le32(1), Le32(98), Le32(1)}), kIntel,
         "204, 98"},
        {"RATIONAL 391/2", kRational, 1, Join({Le32(391), Le32(2)}), kIntel, "195.5"},
        {"RATIONAL 1/3", kRational, 1, Join({Le32(1), Le32(3)}), kIntel, "0.333333333333333"},
        {"RATIONAL 2/3", kRational, 1, Join({Le32(2), Le32(3)}), kIntel, "0.666666666666667"},
        {"RATIONAL 1/10000", kRational, 1, Join({Le32(1), Le32(10000)}), kIntel, "0.0001"},
        {"RATIONAL 1/100000", kRational, 1, Join({Le32(1), Le32(100000)}), kIntel, "1E-05"},
        {"RATIONAL is signed", kRational, 1, Join({Le32(0xFFFFFFFF), Le32(3)}), kIntel,
         "-0.333333333333333"},
        {"SRATIONAL -7/2", kSRational, 1, Join({Be32(-7u), Be32(2)}), kMotorola, "-3.5"},
        {"SRATIONAL 7/-2", kSRational, 1, Join({Be32(7), Be32(-2u)}), kMotorola, "-3.5"},
        {"SRATIONAL tiny", kSRational, 1, Join({Le32(1), Le32(0x80000000)}), kIntel,
         "-4.65661287307739E-10"},
        {"ASCII abc NUL", kAscii, 4, {'a', 'b', 'c', 0}, kIntel, "abc"},
        {"ASCII abc NUL NUL", kAscii, 5, {'a', 'b', 'c', 0, 0}, kIntel, "abc\0"s},
        {"ASCII without NUL", kAscii, 3, {'a', 'b', 'c'}, kIntel, "abc"},
        {"ASCII inner NUL", kAscii, 4, {'a', 0, 'b', 0}, kMotorola, "a\0b"s},
        {"ASCII keeps a trailing comma", kAscii, 3, {'a', ',', ' '}, kIntel, "a, "},
        {"UNDEFINED keeps NUL", kUndefined, 2, {'A', 0}, kIntel, "A\0"s},
        {"UNDEFINED drops a trailing comma", kUndefined, 3, {'a', ',', ' '}, kIntel, "a"},
        {"FLOAT", kFloat, 1, Le32(0x3F800000), kIntel, ""},
        {"DOUBLE", kDouble, 2, Bytes(16, 0x40), kIntel, ""},
        {"type 13", 13, 1, Le32(5), kIntel, ""},
        {"type 0", 0, 1, Le32(5), kIntel, ""},
        {"count 0", kShort, 0, Le32(5), kIntel, ""},
        {"count -1", kLong, -1, Le32(5), kIntel, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Format(c.bytes, c.type, c.count, c.order), c.text) << c.what;
}

TEST(FormatTagValueTest, ValuesPastTheEndReadAsZeros) {
    TempDir dir;
    WriteFile(dir.File("v.bin"), Join({Bytes(8, 0xAA), Le32(7)})); // 12 bytes
    BinaryFile file(dir.File("v.bin"));
    EXPECT_EQ(FormatTagValue(file, 8, kLong, 3, kIntel), "7, 0, 0");
    EXPECT_EQ(FormatTagValue(file, 100, kRational, 1, kIntel), "0");
    EXPECT_EQ(FormatTagValue(file, 5000, kShort, 2, kIntel), "0, 0");
    EXPECT_EQ(FormatTagValue(file, 1000, kAscii, 3, kIntel), "\0\0"s);
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

TEST(FormatTagValueTest, HugeCountsAreBoundedByTheFileLength) {
    TempDir dir;
    Bytes bytes(100);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t('a' + i % 26);
    WriteFile(dir.File("v.bin"), bytes);
    BinaryFile file(dir.File("v.bin"));
    for (int32_t type : {kByte, kShort, kLong, kRational, kSLong, kSRational}) {
        for (int32_t offset : {8, 0x7FFFFFF0}) {
            SCOPED_TRACE(testing::Message() << "type " << type << " at " << offset);
            const std::string text = WithDeadline(
                20, [&] { return FormatTagValue(file, offset, type, 0x7FFFFFFF, kIntel); });
            EXPECT_TRUE(text.ends_with(", ...")) << text.substr(0, 60);
            EXPECT_LE(Elements(text), (100 + ElementSize(type) - 1) / ElementSize(type));
            EXPECT_GE(Elements(text), 1);
        }
    }
    const std::string ascii =
        WithDeadline(20, [&] { return FormatTagValue(file, 8, kAscii, 0x7FFFFFFF, kIntel); });
    EXPECT_TRUE(ascii.ends_with(", ...")) << ascii;
    EXPECT_LE(ascii.size(), 100u + 5u);
    EXPECT_TRUE(ascii.starts_with("ijklmnop"));

    // 25 LONGs fill the 100 bytes exactly: not cut. 26 cannot all be in the file: cut.
    const std::string whole = FormatTagValue(file, 0, kLong, 25, kIntel);
    EXPECT_EQ(Elements(whole), 25);
    EXPECT_FALSE(whole.ends_with("...")) << whole;
    const std::string cut = FormatTagValue(file, 0, kLong, 26, kIntel);
    EXPECT_TRUE(cut.ends_with(", ...")) << cut;
    EXPECT_LE(Elements(cut), 25);
}

TEST(QuotientTextTest, Table) {
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
        EXPECT_EQ(QuotientText(q), text) << q;
}

TEST(TextToLongTest, Table) {
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
        EXPECT_EQ(TextToLong(text), value) << '"' << text << '"';
}

// ---- The IFD chain ----

struct Listing {
    bool ok;
    int32_t count;
    std::vector<int32_t> offsets;
    int pumps;
};

Listing List(const std::string& path, int32_t limit = 0) {
    return WithDeadline(20, [&] {
        Listing l{false, -2, {1, 2, 3}, 0};
        l.ok = ListImages(path, l.offsets, l.count, limit, [&] { ++l.pumps; });
        return l;
    });
}

class ListImagesTest : public ::testing::Test {
protected:
    TempDir dir_;
    std::string path_ = dir_.File("l.tif");
};

TEST_F(ListImagesTest, BothByteOrdersListTheSameOffsets) {
    for (bool intel : {true, false}) {
        TiffBuilder b(intel);
        b.Ifd()
            .Short(tag::kImageWidth, {10})
            .Rational(tag::kXResolution, {{204, 1}})
            .Ifd()
            .Long(tag::kImageWidth, {20});
        b.WriteTo(path_);
        const Listing l = List(path_);
        EXPECT_TRUE(l.ok);
        EXPECT_EQ(l.count, 2);
        EXPECT_EQ(l.offsets, Signed(b.IfdOffsets()));
    }
}

TEST_F(ListImagesTest, ChainsAndTheirEnds) {
    struct ChainCase {
        const char* what;
        std::vector<int> entries;                   // entries of each IFD
        std::vector<std::pair<int, int64_t>> nexts; // IFD i points to IFD j (>= 0) or offset -j
        std::vector<int> listed;
    };
    const ChainCase cases[] = {
        {"empty middle IFD", {1, 0, 2}, {}, {0, 2}},
        {"next offset 1 ends", {1, 1}, {{0, -1}}, {0}},
        {"loop to the first", {1, 1, 1}, {{2, 0}}, {0, 1, 2}},
        {"loop to itself", {1, 1}, {{1, 1}}, {0, 1}},
        {"loop on an empty IFD", {1, 0}, {{1, 1}}, {0}},
        {"loop between empty IFDs", {2, 0, 0}, {{2, 1}}, {0}},
        {"next past the end", {1, 1}, {{0, -100000}}, {0}},
        {"next with the high bit", {1, 1}, {{0, -0x80000000LL}}, {0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TiffBuilder b;
        for (int n : c.entries) {
            b.Ifd();
            for (int i = 0; i < n; ++i)
                b.Short(uint16_t(256 + i), {1});
        }
        const auto ifds = b.IfdOffsets();
        for (auto [from, to] : c.nexts)
            b.NextOffset(from, to >= 0 ? ifds[to] : uint32_t(-to));
        b.WriteTo(path_);
        std::vector<int32_t> want;
        for (int i : c.listed)
            want.push_back(int32_t(ifds[i]));
        const Listing l = List(path_);
        EXPECT_TRUE(l.ok);
        EXPECT_EQ(l.count, int32_t(want.size()));
        EXPECT_EQ(l.offsets, want);
    }
}

TEST_F(ListImagesTest, FilesWithoutImages) {
    const std::pair<const char*, Bytes> cases[] = {
        {"not a TIFF file", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!'}},
        {"empty file", {}},
        {"first IFD past the end", {'I', 'I', 42, 0, 0, 1, 0, 0, 1, 0, 0, 1}},
        {"first IFD at the file length", {'M', 'M', 0, 42, 0, 0, 0, 12, 0, 1, 0, 1}},
        {"negative first IFD", {'I', 'I', 42, 0, 0xF0, 0xFF, 0xFF, 0xFF, 1, 0, 0, 1}},
        // An offset of 0 (or 1) ends the chain before it starts, rather than reading the header
        // as a directory of 18,761 entries.
        {"first IFD offset 0", {'I', 'I', 42, 0, 0, 0, 0, 0, 1, 0, 0, 1}},
        {"first IFD offset 1", {'M', 'M', 0, 42, 0, 0, 0, 1, 0, 1, 0, 1}},
        {"three bytes", {'I', 'I', 42}},
    };
    for (const auto& [what, bytes] : cases) {
        WriteFile(path_, bytes);
        const Listing l = List(path_);
        EXPECT_TRUE(l.ok) << what;
        EXPECT_EQ(l.count, 0) << what;
        EXPECT_TRUE(l.offsets.empty()) << what;
    }
    const Listing missing = List(dir_.File("missing.tif"));
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.count, -1);
}

TEST_F(ListImagesTest, LimitCountsImagesOnly) {
    TiffBuilder b;
    b.Ifd();
    for (int i = 0; i < 5; ++i)
        b.Ifd().Short(tag::kImageWidth, {1});
    b.WriteTo(path_);
    const auto ifds = Signed(b.IfdOffsets());
    EXPECT_EQ(List(path_, 2).offsets, std::vector<int32_t>(ifds.begin() + 1, ifds.begin() + 3));
    EXPECT_EQ(List(path_, 0).offsets, std::vector<int32_t>(ifds.begin() + 1, ifds.end()));
    EXPECT_EQ(List(path_, 9).count, 5);
}

TEST_F(ListImagesTest, PumpRunsAfterEveryFiftiethImage) {
    for (auto [images, pumps] : {std::pair{49, 0}, {50, 1}, {149, 2}}) {
        TiffBuilder b;
        for (int i = 0; i < images; ++i) {
            if (i % 3 == 0)
                b.Ifd(); // empty IFDs do not count
            b.Ifd().Short(tag::kImageWidth, {1});
        }
        b.WriteTo(path_);
        const Listing l = List(path_);
        EXPECT_EQ(l.count, images);
        EXPECT_EQ(l.pumps, pumps) << images << " images";
    }
}

TEST_F(ListImagesTest, SixThousandImagesGrowPastTheFirstCapacity) {
    TiffBuilder b;
    for (int i = 0; i < 6000; ++i)
        b.Ifd().Short(tag::kImageWidth, {uint16_t(i)});
    b.WriteTo(path_);
    const Listing l = List(path_);
    EXPECT_TRUE(l.ok);
    EXPECT_EQ(l.count, 6000);
    EXPECT_EQ(l.offsets, Signed(b.IfdOffsets()));
    EXPECT_EQ(l.pumps, 120);
}

// ---- Looking up one tag ----

TEST(GetTagTextTest, LookupRules) {
    TempDir dir;
    const std::string path = dir.File("t.tif");
    TiffBuilder b(false);
    b.Ifd()
        .Short(tag::kImageWidth, {100})
        .Raw(11, kFloat, 1, {0x3F, 0x80, 0, 0})
        .Short(tag::kImageWidth, {200})
        .Ifd()
        .Long(tag::kImageLength, {300})
        .Ifd();
    b.WriteTo(path);
    const auto ifds = b.IfdOffsets();
    const int64_t length = int64_t(b.Build().size());
    EXPECT_EQ(GetTagText(path, ifds[0], tag::kImageWidth), "100"); // the first of a repeated tag
    EXPECT_EQ(GetTagText(path, ifds[0], tag::kImageLength), "");   // only in the second IFD
    EXPECT_EQ(GetTagText(path, ifds[1], tag::kImageLength), "300");
    EXPECT_EQ(GetTagText(path, ifds[0], 11), "");               // FLOAT has no text
    EXPECT_EQ(GetTagText(path, ifds[2], tag::kImageWidth), ""); // IFD without entries
    EXPECT_EQ(GetTagText(path, length, tag::kImageWidth), "");  // IFD outside the file
    EXPECT_EQ(GetTagText(path, -2, tag::kImageWidth), "");
    EXPECT_EQ(GetTagText(dir.File("missing.tif"), ifds[0], tag::kImageWidth), "-1");
    WriteFile(path, {'I', 'M', 42, 0, 8, 0, 0, 0, 1, 0, 0, 1, 3, 0, 1, 0, 0, 0, 1, 0, 0, 0});
    EXPECT_EQ(GetTagText(path, 8, tag::kImageWidth), "");
}

// ---- Agreement with libtiff ----

void QuietLibtiff() {
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
}

std::vector<int32_t> LibtiffIfdOffsets(const std::string& path) {
    std::vector<int32_t> offsets;
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (tif == nullptr)
        return offsets;
    do
        offsets.push_back(int32_t(TIFFCurrentDirOffset(tif)));
    while (TIFFReadDirectory(tif));
    TIFFClose(tif);
    return offsets;
}

struct PeerPage {
    uint32_t width, height, rowsPerStrip;
    float xres;
    uint16_t compression;
    uint32_t t4Options;
    const char* compressionText;
};

void WritePages(const std::string& path, const char* mode, const std::vector<PeerPage>& pages) {
    TIFF* tif = TIFFOpen(path.c_str(), mode);
    ASSERT_NE(tif, nullptr);
    for (const auto& p : pages) {
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, p.width);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, p.height);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, p.compression);
        if (p.compression == COMPRESSION_CCITTFAX3)
            TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, p.t4Options);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, p.rowsPerStrip);
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, p.xres);
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, 98.0f);
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        std::vector<uint8_t> row((p.width + 7) / 8);
        for (uint32_t y = 0; y < p.height; ++y) {
            for (std::size_t i = 0; i < row.size(); ++i)
                row[i] = uint8_t((y * 7 + i * 13) % 5 == 0 ? 0xF0 : 0x00);
            ASSERT_EQ(TIFFWriteScanline(tif, row.data(), y, 0), 1);
        }
        ASSERT_TRUE(TIFFWriteDirectory(tif));
    }
    TIFFClose(tif);
}

TEST(LibtiffPeerTest, ListingAndValuesAgree) {
    QuietLibtiff();
    const std::vector<PeerPage> pages = {
        {1728, 40, 16, 204.0f, COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING, "Group3 Fax 2D"},
        {864, 25, 10, 196.5f, COMPRESSION_CCITTFAX4, 0, "Group4 Fax"},
        {100, 9, 9, 98.0f, COMPRESSION_NONE, 0, "None"},
        {2048, 30, 7, 300.0f, COMPRESSION_CCITTFAX3, 0, "Group3 Fax"},
    };
    for (const char* mode : {"w", "wb"}) {
        SCOPED_TRACE(mode);
        TempDir dir;
        const std::string path = dir.File("peer.tif");
        WritePages(path, mode, pages);
        EXPECT_EQ(ReadTiffHeader(path).byteOrder, mode[1] == 'b' ? kMotorola : kIntel);

        const Listing l = List(path);
        ASSERT_EQ(l.offsets, LibtiffIfdOffsets(path));
        ASSERT_EQ(l.count, int32_t(pages.size()));

        TIFF* tif = TIFFOpen(path.c_str(), "r");
        ASSERT_NE(tif, nullptr);
        for (std::size_t i = 0; i < pages.size(); ++i, TIFFReadDirectory(tif)) {
            SCOPED_TRACE(i);
            uint32_t width = 0, height = 0;
            float xres = 0;
            uint64_t* strips = nullptr;
            TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
            TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
            TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xres);
            TIFFGetField(tif, TIFFTAG_STRIPOFFSETS, &strips);
            std::string stripText;
            for (uint32_t s = 0; s < TIFFNumberOfStrips(tif); ++s)
                stripText += (s ? ", " : "") + std::to_string(strips[s]);

            EXPECT_EQ(GetTagText(path, l.offsets[i], tag::kImageWidth), std::to_string(width));
            EXPECT_EQ(GetTagText(path, l.offsets[i], tag::kImageLength), std::to_string(height));
            EXPECT_FLOAT_EQ(std::stof(GetTagText(path, l.offsets[i], tag::kXResolution)), xres);
            EXPECT_EQ(GetTagText(path, l.offsets[i], tag::kStripOffsets), stripText);
            EXPECT_EQ(CompressionText(path, l.offsets[i]), pages[i].compressionText);
        }
        TIFFClose(tif);
    }
}

// ---- Files written by other programs, malformed ones included ----

TEST(CorpusTest, EveryFileIsWalkedAndReported) {
    const std::filesystem::path corpus = FAXLENS_CORPUS_DIR;
    if (!std::filesystem::is_directory(corpus))
        GTEST_SKIP() << "no corpus at " << corpus;
    int files = 0;
    for (const auto& item : std::filesystem::recursive_directory_iterator(corpus)) {
        const auto ext = item.path().extension();
        if (!item.is_regular_file() || (ext != ".tif" && ext != ".tiff"))
            continue;
        SCOPED_TRACE(item.path().string());
        ++files;
        const std::string path = item.path().string();
        const Listing l = List(path);
        EXPECT_TRUE(l.ok);
        EXPECT_EQ(l.count, int32_t(l.offsets.size()));
        // The IFD the header names is tried too, whether or not it was listed.
        const int32_t first = ReadTiffHeader(path).firstIfdOffset;
        WithDeadline(60, [&] {
            return BuildTagReport(path, first) + GetTagText(path, first, tag::kStripOffsets);
        });
        for (int32_t offset : l.offsets) {
            const std::string report =
                WithDeadline(60, [&] { return BuildTagReport(path, offset); });
            EXPECT_NE(report.find("CompressionType = "), std::string::npos);
        }
    }
    EXPECT_GT(files, 0);
}

TEST(CorpusTest, WellFormedFilesListLikeLibtiff) {
    const std::filesystem::path corpus = FAXLENS_CORPUS_DIR;
    if (!std::filesystem::is_directory(corpus))
        GTEST_SKIP() << "no corpus at " << corpus;
    QuietLibtiff();
    const std::pair<const char*, int> files[] = {
        {"pillow/multipage.tiff", 3},        {"pillow/g4-multi.tiff", 3},
        {"pillow/hopper_g4.tif", 1},         {"pillow/hopper_g4_500.tif", 1},
        {"pillow/g4-fillorder-test.tif", 1}, {"pillow/g4_orientation_1.tif", 1},
        {"pillow/g4_orientation_5.tif", 1},  {"pillow/multipage-lastframe.tif", 1},
    };
    for (const auto& [name, images] : files) {
        SCOPED_TRACE(name);
        const std::string path = (corpus / name).string();
        const Listing l = List(path);
        EXPECT_EQ(l.count, images);
        EXPECT_EQ(l.offsets, LibtiffIfdOffsets(path));

        TIFF* tif = TIFFOpen(path.c_str(), "r");
        ASSERT_NE(tif, nullptr);
        for (int32_t offset : l.offsets) {
            uint32_t width = 0;
            TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
            EXPECT_EQ(TextToLong(GetTagText(path, offset, tag::kImageWidth)), int32_t(width));
            TIFFReadDirectory(tif);
        }
        TIFFClose(tif);
    }
}

} // namespace
} // namespace faxlens
