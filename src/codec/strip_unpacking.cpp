#include "codec/strip_unpacking.h"

#include <algorithm>
#include <climits>
#include <optional>

#define ZLIB_CONST // next_in points to const bytes
#include <zlib.h>

namespace faxlens::codec {
namespace {

// Makes room for the output to hold `needed` bytes (at most the limit). The room doubles so that
// appending stays linear, but never past the limit, whatever size a page declares.
void MakeRoom(std::vector<uint8_t>& out, std::size_t needed, std::size_t limit) {
    constexpr std::size_t kFirstRoom = 64 * 1024;
    if (needed <= out.capacity())
        return;
    out.reserve(std::min(limit, std::max({needed, 2 * out.capacity(), kFirstRoom})));
}

constexpr uint16_t kClearCode = 256;
constexpr uint16_t kEndCode = 257;
constexpr std::size_t kFirstFreeCode = 258;
constexpr int kMaxCodeWidth = 12;
constexpr std::size_t kTableSize = std::size_t{1} << kMaxCodeWidth;

// The width of the codes that may name entries up to `highest`: 9 to 12 bits.
int CodeWidth(std::size_t highest) {
    int width = 9;
    while (width < kMaxCodeWidth && highest >= (std::size_t{1} << width))
        ++width;
    return width;
}

// Reads LZW codes of changing width, most or least significant bit first.
class CodeReader {
public:
    CodeReader(std::span<const uint8_t> data, bool lowBitFirst)
        : data_(data), lowBitFirst_(lowBitFirst) {}

    // The next code, or nothing when fewer than `width` bits are left.
    std::optional<uint16_t> Next(int width) {
        while (count_ < width) {
            if (next_ >= data_.size())
                return std::nullopt;
            const uint32_t byte = data_[next_++];
            bits_ = lowBitFirst_ ? bits_ | byte << count_ : bits_ << 8 | byte;
            count_ += 8;
        }
        const uint32_t mask = (uint32_t{1} << width) - 1;
        count_ -= width;
        uint32_t code = 0;
        if (lowBitFirst_) {
            code = bits_ & mask;
            bits_ >>= width;
        } else {
            code = bits_ >> count_ & mask;
            bits_ &= (uint32_t{1} << count_) - 1;
        }
        return static_cast<uint16_t>(code);
    }

private:
    std::span<const uint8_t> data_;
    bool lowBitFirst_;
    std::size_t next_ = 0;
    uint32_t bits_ = 0; // the `count_` bits read but not yet used
    int count_ = 0;
};

// A string of the LZW table: the string of `prefix` followed by `last`.
struct LzwEntry {
    uint16_t prefix = 0;
    uint16_t length = 1;
    uint8_t first = 0;
    uint8_t last = 0;
};

// Appends the string of `code` to the output, cut short at the limit.
void AppendString(const std::vector<LzwEntry>& table, uint16_t code, std::vector<uint8_t>& out,
                  std::size_t limit) {
    const std::size_t start = out.size();
    const std::size_t length = table[code].length;
    const std::size_t kept = std::min(length, limit - start);
    MakeRoom(out, start + kept, limit);
    out.resize(start + kept);
    for (std::size_t i = length; i-- > 0;) {
        if (i < kept)
            out[start + i] = table[code].last;
        code = table[code].prefix;
    }
}

} // namespace

std::vector<uint8_t> UnpackLzw(std::span<const uint8_t> packed, std::size_t limit) {
    std::vector<uint8_t> out;
    if (limit == 0)
        return out;
    // The old form starts with a Clear code packed least significant bit first: 0x00, then a
    // byte whose low bit holds the Clear code's top bit. The usual form grows the code width when
    // the next free entry is one short of the next power of two; the old one when it reaches it.
    const bool oldForm = packed.size() >= 2 && packed[0] == 0 && (packed[1] & 1) != 0;
    const std::size_t earlyChange = oldForm ? 0 : 1;
    CodeReader reader(packed, oldForm);

    std::vector<LzwEntry> table(kTableSize);
    for (std::size_t c = 0; c < 256; ++c)
        table[c].first = table[c].last = static_cast<uint8_t>(c);
    std::size_t nextFree = kFirstFreeCode;
    constexpr int32_t kNoCode = -1;
    int32_t previous = kNoCode; // none at the start and after a Clear code

    while (out.size() < limit) {
        const std::optional<uint16_t> code = reader.Next(CodeWidth(nextFree + earlyChange));
        if (!code || *code == kEndCode)
            break;
        if (*code == kClearCode) {
            nextFree = kFirstFreeCode;
            previous = kNoCode;
            continue;
        }
        // A code may name an entry of the table or, after another code, the entry about to be
        // made (its string is then the previous string followed by that string's first byte).
        // Codes above it cannot be valid, nor 258 and up before any entry is made. A strip may
        // begin without a Clear code: the table starts cleared.
        if (*code > nextFree || (*code == nextFree && previous == kNoCode))
            break;
        if (previous != kNoCode && nextFree < kTableSize) {
            // A full table stays as it is until a Clear code.
            const LzwEntry& before = table[static_cast<std::size_t>(previous)];
            const uint8_t next = *code == nextFree ? before.first : table[*code].first;
            table[nextFree] = {static_cast<uint16_t>(previous),
                               static_cast<uint16_t>(before.length + 1), before.first, next};
            ++nextFree;
        }
        AppendString(table, *code, out, limit);
        previous = *code;
    }
    return out;
}

std::vector<uint8_t> Inflate(std::span<const uint8_t> packed, std::size_t limit) {
    constexpr std::size_t kChunk = 64 * 1024; // output inflated at a time
    std::vector<uint8_t> out;
    if (limit == 0 || packed.empty())
        return out;
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return out;
    std::size_t given = 0; // input bytes handed to zlib so far
    while (out.size() < limit) {
        if (stream.avail_in == 0 && given < packed.size()) {
            const std::size_t n = std::min<std::size_t>(packed.size() - given, UINT_MAX);
            stream.next_in = packed.data() + given;
            stream.avail_in = static_cast<uInt>(n);
            given += n;
        }
        const std::size_t start = out.size();
        const std::size_t room = std::min(kChunk, limit - start);
        MakeRoom(out, start + room, limit);
        out.resize(start + room);
        stream.next_out = out.data() + start;
        stream.avail_out = static_cast<uInt>(room);
        const int status = inflate(&stream, Z_NO_FLUSH);
        out.resize(start + room - stream.avail_out);
        // Z_OK means progress was made; anything else is the end of the stream, damaged data
        // or input that ended before the stream did.
        if (status != Z_OK)
            break;
    }
    inflateEnd(&stream);
    return out;
}

} // namespace faxlens::codec
