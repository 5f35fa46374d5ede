// The strip unpackers: LZW and Deflate strips written by libtiff come out as libtiff reads them,
// LZW in both bit orders (packed here by a small encoder), and every limit, cut, damaged or
// hostile strip gives a bounded prefix.

#include "codec/strip_unpacking.h"
#include "support/libtiff_pages.h"
#include "support/tiff_builder.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <tiffio.h>
#include <vector>
#include <zlib.h>

namespace faxlens::codec {
namespace {

using Bytes = std::vector<uint8_t>;
using test::Bitmap;
using test::TempDir;

struct TiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

constexpr uint16_t kClear = 256;
constexpr uint16_t kEnd = 257;

// One bit a pixel, 1 for black, each row starting on a byte.
Bytes PackPage(const Bitmap& page) {
    const std::size_t rowBytes = (static_cast<std::size_t>(page.width) + 7) / 8;
    Bytes bytes(rowBytes * page.height, 0);
    for (int32_t y = 0; y < page.height; ++y)
        for (int32_t x = 0; x < page.width; ++x)
            if (page.At(x, y))
                bytes[y * rowBytes + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    return bytes;
}

// Each strip of the file's first page as stored, and as libtiff unpacks it.
struct Strip {
    Bytes raw;
    Bytes unpacked;
};
std::vector<Strip> LibtiffStrips(const std::string& path) {
    std::vector<Strip> strips;
    TiffHandle tif(TIFFOpen(path.c_str(), "r"));
    EXPECT_TRUE(tif) << path;
    if (!tif)
        return strips;
    for (uint32_t s = 0; s < TIFFNumberOfStrips(tif.get()); ++s) {
        Strip strip;
        strip.raw.resize(static_cast<std::size_t>(TIFFRawStripSize(tif.get(), s)));
        EXPECT_EQ(TIFFReadRawStrip(tif.get(), s, strip.raw.data(), tmsize_t(strip.raw.size())),
                  tmsize_t(strip.raw.size()));
        strip.unpacked.resize(static_cast<std::size_t>(TIFFStripSize(tif.get())));
        const tmsize_t n = TIFFReadEncodedStrip(tif.get(), s, strip.unpacked.data(), -1);
        strip.unpacked.resize(static_cast<std::size_t>(std::max<tmsize_t>(n, 0)));
        strips.push_back(std::move(strip));
    }
    return strips;
}

// --- an LZW writer of both bit orders ----------------------------------------------------------

struct LzwForm {
    bool oldForm = false;       // least significant bit first, width growing on time
    bool clearFirst = true;     // a Clear code before the first code
    bool clearWhenFull = true;  // otherwise the full table is kept until a Clear
    std::size_t clearEvery = 0; // a Clear code before every so many input bytes, 0 for none
};

// Packs codes as the reader of the form expects them: each code as wide as the highest code the
// reader may meet then (its next free entry), one more in the usual form, whose width grows one
// code early.
Bytes PackCodes(const std::vector<uint16_t>& codes, bool oldForm) {
    Bytes bytes;
    uint64_t bits = 0;
    int count = 0;
    std::size_t nextFree = 258; // as the reader sees it
    bool afterClear = true;
    for (uint16_t code : codes) {
        const std::size_t highest = nextFree + (oldForm ? 0 : 1);
        int width = 9;
        while (width < 12 && highest >= (std::size_t{1} << width))
            ++width;
        if (oldForm)
            bits |= uint64_t{code} << count;
        else
            bits = bits << width | code;
        count += width;
        for (; count >= 8; count -= 8) {
            bytes.push_back(static_cast<uint8_t>(oldForm ? bits : bits >> (count - 8)));
            if (oldForm)
                bits >>= 8;
        }
        if (code == kClear) {
            nextFree = 258;
            afterClear = true;
        } else if (code != kEnd) {
            if (!afterClear && nextFree < 4096)
                ++nextFree;
            afterClear = false;
        }
    }
    if (count > 0)
        bytes.push_back(static_cast<uint8_t>(oldForm ? bits : bits << (8 - count)));
    return bytes;
}

// Greedy LZW of the input into codes, ended by the end-of-information code.
std::vector<uint16_t> LzwCodes(const Bytes& input, const LzwForm& form) {
    std::vector<uint16_t> codes;
    std::map<uint32_t, uint16_t> table; // (prefix code, next byte) to code
    std::size_t entries = 258;
    if (form.clearFirst)
        codes.push_back(kClear);
    int current = -1;
    for (std::size_t i = 0; i < input.size(); ++i) {
        const uint32_t key = static_cast<uint32_t>(current) << 8 | input[i];
        const bool restart = form.clearEvery != 0 && i % form.clearEvery == 0;
        if (current >= 0 && !restart && table.count(key)) {
            current = table[key];
            continue;
        }
        if (current >= 0) {
            codes.push_back(static_cast<uint16_t>(current));
            if (entries < 4096)
                table[key] = static_cast<uint16_t>(entries++);
            if (restart || (form.clearWhenFull && entries == 4096)) {
                codes.push_back(kClear);
                table.clear();
                entries = 258;
            }
        }
        current = input[i];
    }
    if (current >= 0)
        codes.push_back(static_cast<uint16_t>(current));
    codes.push_back(kEnd);
    return codes;
}

// Writes the packed strip as the only strip of a page whose rows hold exactly `unpackedSize`
// bytes, and gives what libtiff unpacks from it.
Bytes LibtiffUnpacksLzw(const std::string& path, const Bytes& strip, std::size_t unpackedSize) {
    {
        TiffHandle tif(TIFFOpen(path.c_str(), "w"));
        EXPECT_TRUE(tif);
        TIFF* t = tif.get();
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 64);
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(unpackedSize / 8));
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(unpackedSize / 8));
        EXPECT_EQ(
            TIFFWriteRawStrip(t, 0, const_cast<uint8_t*>(strip.data()), tmsize_t(strip.size())),
            tmsize_t(strip.size()));
    }
    const std::vector<Strip> strips = LibtiffStrips(path);
    return strips.empty() ? Bytes{} : strips[0].unpacked;
}

Bytes Deflate(const Bytes& input) {
    uLongf size = compressBound(static_cast<uLong>(input.size()));
    Bytes packed(size);
    EXPECT_EQ(compress2(packed.data(), &size, input.data(), static_cast<uLong>(input.size()), 9),
              Z_OK);
    packed.resize(size);
    return packed;
}

Bytes Prefix(const Bytes& bytes, std::size_t n) {
    return Bytes(bytes.begin(),
                 bytes.begin() + static_cast<std::ptrdiff_t>(std::min(n, bytes.size())));
}

bool StartsWith(const Bytes& bytes, const Bytes& prefix) {
    return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

using Unpacker = Bytes (*)(std::span<const uint8_t>, std::size_t);

// --- tests -------------------------------------------------------------------------------------

// Pages written by libtiff, strip by strip: the unpackers stop by themselves at the strip's end
// with libtiff's bytes, and a limit inside the strip gives exactly their beginning.
TEST(StripUnpacking, LibtiffStripsUnpackAsLibtiffReadsThem) {
    TempDir dir;
    const struct {
        int compression;
        Bitmap page;
        int32_t rowsPerStrip;
    } cases[] = {
        {COMPRESSION_LZW, test::TextLikePage(1728, 300), 64},
        {COMPRESSION_LZW, test::NoisePage(997, 300, 3), 37},
        {COMPRESSION_LZW, test::TextLikePage(997, 300, 5), 300},
        {COMPRESSION_ADOBE_DEFLATE, test::TextLikePage(1728, 300), 64},
        {COMPRESSION_ADOBE_DEFLATE, test::NoisePage(997, 300, 3), 37},
        {COMPRESSION_DEFLATE, test::TextLikePage(997, 300, 5), 100},
        {COMPRESSION_DEFLATE, test::NoisePage(1728, 300, 7, 10), 300},
    };
    for (const auto& c : cases) {
        const std::string what = "compression " + std::to_string(c.compression) + ", width " +
                                 std::to_string(c.page.width);
        const std::string path = dir.File("page.tif");
        test::WriteFaxPages(path, {c.page},
                            {.compression = c.compression, .rowsPerStrip = c.rowsPerStrip});
        const Unpacker unpack = c.compression == COMPRESSION_LZW ? UnpackLzw : Inflate;
        const std::vector<Strip> strips = LibtiffStrips(path);
        ASSERT_EQ(strips.size(),
                  static_cast<std::size_t>((c.page.height + c.rowsPerStrip - 1) / c.rowsPerStrip))
            << what;
        Bytes page;
        for (const Strip& strip : strips) {
            ASSERT_FALSE(strip.unpacked.empty()) << what;
            EXPECT_EQ(unpack(strip.raw, strip.unpacked.size() + 1000), strip.unpacked) << what;
            const std::size_t cut = strip.unpacked.size() / 3 + 1;
            EXPECT_EQ(unpack(strip.raw, cut), Prefix(strip.unpacked, cut)) << what;
            page.insert(page.end(), strip.unpacked.begin(), strip.unpacked.end());
        }
        EXPECT_EQ(page, PackPage(c.page)) << what;
    }
}

// Both bit orders, with every code width, Clear codes where the table fills or anywhere, a full
// table kept until a Clear and a strip without a first Clear. libtiff reads the same strips,
// except the last: it wants a Clear code first.
TEST(StripUnpacking, LzwReadsBothBitOrders) {
    TempDir dir;
    const Bytes noise = PackPage(test::NoisePage(1728, 80, 11)); // fills the table over and over
    // libtiff gives up some 1024 codes after its table is full: enough noise to fill it, and not
    // much more.
    const Bytes shortNoise(noise.begin(), noise.begin() + 4800);
    const Bytes text = PackPage(test::TextLikePage(1728, 120, 4)); // long strings, KwKwK
    const struct {
        const char* name;
        const Bytes& input;
        LzwForm form;
        bool libtiffReads;
    } cases[] = {
        {"old form, Clear when full", noise, {.oldForm = true}, true},
        {"old form, text", text, {.oldForm = true}, true},
        {"old form, Clear anywhere",
         text,
         {.oldForm = true, .clearWhenFull = false, .clearEvery = 5000},
         true},
        {"old form, full table kept", shortNoise, {.oldForm = true, .clearWhenFull = false}, true},
        {"usual form, Clear when full", noise, {}, true},
        {"usual form, full table kept", shortNoise, {.clearWhenFull = false}, true},
        {"usual form, no first Clear", text, {.clearFirst = false, .clearEvery = 3001}, false},
    };
    for (const auto& c : cases) {
        const std::vector<uint16_t> codes = LzwCodes(c.input, c.form);
        if (!c.form.clearWhenFull && c.form.clearEvery == 0) {
            EXPECT_GT(codes.size(), 4096u) << c.name << ": the table fills";
        }
        const Bytes packed = PackCodes(codes, c.form.oldForm);
        if (c.form.oldForm) { // the mark of the old form
            ASSERT_TRUE(packed[0] == 0 && (packed[1] & 1)) << c.name;
        }
        EXPECT_EQ(UnpackLzw(packed, c.input.size() * 2), c.input) << c.name;
        if (c.libtiffReads) {
            EXPECT_EQ(LibtiffUnpacksLzw(dir.File("lzw.tif"), packed, c.input.size()), c.input)
                << c.name;
        }
    }
}

// Hand-made code sequences: the string of the next free entry (KwKwK), and where decoding stops.
TEST(StripUnpacking, LzwStopsAtTheFirstImpossibleCode) {
    const struct {
        const char* name;
        std::vector<uint16_t> codes;
        std::string expected;
    } cases[] = {
        {"KwKwK", {kClear, 'a', 258, 259, 'b', kEnd}, "aaaaaab"},
        {"no Clear first", {'a', 'b', 258, kEnd}, "abab"},
        {"the end code stops", {kClear, 'a', kEnd, 'b'}, "a"},
        {"an entry after Clear", {kClear, 258, 'a'}, ""},
        {"the next free entry after Clear", {kClear, 'a', 'b', kClear, 258, 'c'}, "ab"},
        {"beyond the next free entry", {kClear, 'a', 259, 'b'}, "a"},
        {"far beyond the table", {kClear, 'a', 'b', 511, 'c'}, "ab"},
        {"Clear codes only", {kClear, kClear, kClear}, ""},
        {"no end code", {kClear, 'a', 'b', 'c'}, "abc"},
    };
    for (const auto& c : cases)
        for (bool oldForm : {false, true}) {
            if (oldForm && c.codes[0] != kClear)
                continue; // the old form is known by its first Clear code
            const Bytes out = UnpackLzw(PackCodes(c.codes, oldForm), 100);
            EXPECT_EQ(std::string(out.begin(), out.end()), c.expected)
                << c.name << (oldForm ? ", old form" : "");
        }
}

// Limits anywhere, strips cut anywhere, and damage: always a prefix of what the whole strip
// gives, never more than the limit, the bytes before the damage kept, and more kept the later
// the cut. Without its last byte a strip loses at most its last LZW string, or only the zlib
// checksum.
TEST(StripUnpacking, LimitsCutsAndDamageGivePrefixes) {
    const Bytes input = PackPage(test::TextLikePage(997, 200, 9));
    const struct {
        const char* name;
        Unpacker unpack;
        Bytes packed;
        std::size_t lastByteLoses; // at most
    } cases[] = {
        {"LZW", UnpackLzw, PackCodes(LzwCodes(input, {}), false), 4096},
        {"LZW old form", UnpackLzw, PackCodes(LzwCodes(input, {.oldForm = true}), true), 4096},
        {"Deflate", Inflate, Deflate(input), 0},
    };
    std::mt19937 random(17);
    for (const auto& c : cases) {
        ASSERT_EQ(c.unpack(c.packed, SIZE_MAX), input) << c.name;
        for (std::size_t limit : {std::size_t{0}, std::size_t{1}, std::size_t{4095},
                                  std::size_t{65537}, input.size() - 1, input.size()})
            EXPECT_EQ(c.unpack(c.packed, limit), Prefix(input, limit)) << c.name << " " << limit;
        std::vector<std::size_t> cuts = {0, 1, 2, c.packed.size() - 1};
        for (int i = 0; i < 40; ++i)
            cuts.push_back(random() % c.packed.size());
        std::sort(cuts.begin(), cuts.end());
        std::size_t keptBefore = 0;
        for (std::size_t at : cuts) {
            const Bytes kept = c.unpack(Prefix(c.packed, at), SIZE_MAX);
            EXPECT_TRUE(StartsWith(input, kept)) << c.name << " cut at " << at;
            EXPECT_GE(kept.size(), keptBefore) << c.name << " cut at " << at;
            keptBefore = kept.size();
            Bytes damaged = c.packed;
            damaged[at] ^= static_cast<uint8_t>(1 + random() % 255);
            const Bytes out = c.unpack(damaged, input.size() + 100);
            EXPECT_TRUE(StartsWith(out, kept)) << c.name << " damaged at " << at;
            EXPECT_LE(out.size(), input.size() + 100) << c.name;
        }
        EXPECT_GE(keptBefore + c.lastByteLoses, input.size()) << c.name;
    }
}

// Random bytes and bombs under a limit: the output stays within the limit, and no room is taken
// for a limit that the data does not fill.
TEST(StripUnpacking, HostileStripsStayBounded) {
    std::mt19937 random(23);
    Bytes noise(64 * 1024);
    for (uint8_t& b : noise)
        b = static_cast<uint8_t>(random());
    Bytes oldNoise = noise;
    oldNoise[0] = 0;
    oldNoise[1] = 1;
    Bytes zlibNoise = noise;
    zlibNoise[0] = 0x78; // a valid zlib header on random deflate data
    zlibNoise[1] = 0x9c;
    // The longest strings over and over: 0, then each next free entry, then 4095 many times.
    std::vector<uint16_t> bombCodes = {kClear, 0};
    for (uint16_t code = 258; code < 4096; ++code)
        bombCodes.push_back(code);
    bombCodes.insert(bombCodes.end(), 2000, 4095);
    constexpr std::size_t kBombSize = (3839 * 3840) / 2 + 2000 * 3839;
    const struct {
        const char* name;
        Unpacker unpack;
        Bytes packed;
        std::size_t whole; // what the data gives without a limit, 0 if unknown
    } cases[] = {
        {"LZW noise", UnpackLzw, noise, 0},
        {"LZW old form noise", UnpackLzw, oldNoise, 0},
        {"zlib noise", Inflate, zlibNoise, 0},
        {"LZW bomb", UnpackLzw, PackCodes(bombCodes, false), kBombSize},
        {"LZW old form bomb", UnpackLzw, PackCodes(bombCodes, true), kBombSize},
        {"zlib bomb", Inflate, Deflate(Bytes(16 << 20, 0)), 16 << 20},
    };
    constexpr std::size_t kLimit = 1000 * 1000;
    for (const auto& c : cases) {
        const Bytes limited = c.unpack(c.packed, kLimit);
        EXPECT_LE(limited.capacity(), kLimit) << c.name;
        const Bytes whole = c.unpack(c.packed, SIZE_MAX);
        EXPECT_EQ(limited, Prefix(whole, kLimit)) << c.name;
        if (c.whole != 0) {
            EXPECT_EQ(whole.size(), c.whole) << c.name;
            EXPECT_TRUE(std::all_of(whole.begin(), whole.end(), [](uint8_t b) { return b == 0; }))
                << c.name;
        }
        EXPECT_LE(whole.capacity(), std::max<std::size_t>(2 * whole.size(), 64 * 1024)) << c.name;
    }
}

} // namespace
} // namespace faxlens::codec
