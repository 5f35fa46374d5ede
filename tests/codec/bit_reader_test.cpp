// The bit reader against reading the strip bit by bit: random walks of peeks, skips, seeks and
// refills, on strips of every length around the reader's word and refill bounds, in both fill
// orders. Every refill may OR bits into the buffer again, so a refill that puts wrong bits past
// the buffered ones shows in a later peek.

#include "codec/bit_reader.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace faxlens::codec {
namespace {

// Bit `position` of the strip, 0 past its end.
uint32_t BitAt(const std::vector<uint8_t>& data, bool lowBitFirst, int64_t position) {
    if (position < 0 || position >= static_cast<int64_t>(data.size()) * 8)
        return 0;
    const int within = static_cast<int>(position % 8);
    return data[static_cast<std::size_t>(position / 8)] >> (lowBitFirst ? within : 7 - within) & 1;
}

uint32_t BitsAt(const std::vector<uint8_t>& data, bool lowBitFirst, int64_t position, int n) {
    uint32_t bits = 0;
    for (int k = 0; k < n; ++k)
        bits = bits << 1 | BitAt(data, lowBitFirst, position + k);
    return bits;
}

TEST(BitReader, RandomWalksReadTheStripsBits) {
    std::mt19937 random(24);
    for (const std::size_t size : {0, 1, 7, 8, 9, 15, 16, 17, 24, 31, 32, 33, 300}) {
        for (const bool lowBitFirst : {false, true}) {
            std::vector<uint8_t> data(size);
            for (uint8_t& byte : data) // runs of ones and zeros, as OnesAhead meets them
                byte = random() % 3 == 0 ? 0xff : static_cast<uint8_t>(random());
            BitReader reader(data, lowBitFirst);
            const int64_t length = static_cast<int64_t>(size) * 8;
            int64_t position = 0;
            for (int step = 0; step < 3000; ++step) {
                SCOPED_TRACE(testing::Message() << "size " << size << " low bit first "
                                                << lowBitFirst << " step " << step);
                ASSERT_EQ(reader.Position(), position);
                const int n = 1 + static_cast<int>(random() % 32);
                ASSERT_EQ(reader.Peek(n), BitsAt(data, lowBitFirst, position, n));
                switch (random() % 5) {
                case 0: // a seek anywhere, also past the strip
                    position = static_cast<int64_t>(random() % (length + 16));
                    reader.Seek(position);
                    break;
                case 1: {
                    const int skip = static_cast<int>(random() % 80);
                    reader.Skip(skip);
                    position += skip;
                    break;
                }
                case 2:
                    if (position < reader.RefillStop())
                        reader.RefillInside();
                    break;
                default:
                    if (position + n <= length) { // the peek buffered the n bits
                        const int ones = reader.OnesAhead(n);
                        int expected = 0;
                        while (expected < n && BitAt(data, lowBitFirst, position + expected) == 1)
                            ++expected;
                        ASSERT_EQ(ones, expected);
                        reader.SkipBuffered(ones > 0 ? ones : n);
                        position += ones > 0 ? ones : n;
                    }
                }
                int64_t nextOne = position;
                while (nextOne < length && BitAt(data, lowBitFirst, nextOne) == 0)
                    ++nextOne;
                ASSERT_EQ(reader.NextOne(), nextOne < length ? nextOne : -1);
            }
        }
    }
}

} // namespace
} // namespace faxlens::codec
