#pragma once

// The changing elements of a row as the decoding engine keeps them: a list that may be read a
// little past both of its ends. Two columns of 0 always stand before the first element (the
// reference line reads as 0 left of its start), and a sealed line has two elements of the largest
// 32-bit number after its last, which no column on the row reaches. The engine's common coding
// steps search the reference line without a bounds check thanks to them.

#include "base/numbers.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace faxlens::codec {

class ChangeLine {
public:
    // Zeros before the first element: a walk along the line may stand two before it, and the
    // common course of vertical modes reads the element before the walk's.
    static constexpr std::size_t kBefore = 4;
    // Two sealing elements, and room to read eight elements on from the last (RisingBeforeWidth).
    static constexpr std::size_t kAfter = 8;

    explicit ChangeLine(std::size_t capacity) : storage_(kBefore + capacity + kAfter, 0) {}

    std::span<const int32_t> Elements() const { return {Begin(), count_}; }
    std::size_t Count() const { return count_; }
    bool Empty() const { return count_ == 0; }
    const int32_t* Begin() const { return storage_.data() + kBefore; }

    void Clear() { count_ = 0; }
    void Append(int32_t change) {
        Reserve(1);
        storage_[kBefore + count_++] = change;
    }

    // Room for n more elements and those after them; WriteAt may then write them directly.
    void Reserve(std::size_t n) {
        const std::size_t needed = kBefore + count_ + n + kAfter;
        if (needed > storage_.size())
            storage_.resize(std::max(needed, 2 * storage_.size()));
    }
    int32_t* WriteAt() { return storage_.data() + kBefore + count_; }
    // How many elements may be written at WriteAt without another Reserve.
    std::size_t Room() const { return storage_.size() - kBefore - count_ - kAfter; }
    // The elements written at WriteAt up to `end` become part of the line.
    void CommitUpTo(const int32_t* end) { count_ = static_cast<std::size_t>(end - Begin()); }

    // The two elements after the last become the largest 32-bit number; what follows them may hold
    // anything.
    void Seal() {
        storage_[kBefore + count_] = kInt32Max;
        storage_[kBefore + count_ + 1] = kInt32Max;
    }

private:
    std::vector<int32_t> storage_;
    std::size_t count_ = 0;
};

// Of the eight elements from `at`, a bit (the first element's lowest) for each one that lies
// before `width` and is followed by a larger one. Reads nine elements.
inline uint32_t RisingBeforeWidth(const int32_t* at, int32_t width) {
#if defined(__SSE2__)
    const __m128i limit = _mm_set1_epi32(width);
    const auto load = [](const int32_t* p) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    };
    const auto rising = [&](const int32_t* p) {
        const __m128i here = load(p);
        return _mm_movemask_ps(_mm_castsi128_ps(
            _mm_and_si128(_mm_cmplt_epi32(here, limit), _mm_cmpgt_epi32(load(p + 1), here))));
    };
    return static_cast<uint32_t>(rising(at) | rising(at + 4) << 4);
#else
    uint32_t bits = 0;
    for (int k = 0; k < 8; ++k)
        bits |= static_cast<uint32_t>(at[k] < width && at[k + 1] > at[k]) << k;
    return bits;
#endif
}

} // namespace faxlens::codec
