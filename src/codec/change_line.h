#pragma once

// The changing elements of a row as the decoding engine keeps them: a list that may be read a
// little past both of its ends. Two columns of 0 always stand before the first element (the
// reference line reads as 0 left of its start), and a sealed line has two elements of the largest
// 32-bit number after its last, which no column on the row reaches. The engine's common coding
// steps search the reference line without a bounds check thanks to them.

#include "base/numbers.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace faxlens::codec {

class ChangeLine {
public:
    static constexpr std::size_t kBefore = 2;
    static constexpr std::size_t kAfter = 2;

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

    // Room for n more elements and the two after them; WriteAt may then write them directly.
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

    // The two elements after the last become the largest 32-bit number.
    void Seal() {
        storage_[kBefore + count_] = kInt32Max;
        storage_[kBefore + count_ + 1] = kInt32Max;
    }

private:
    std::vector<int32_t> storage_;
    std::size_t count_ = 0;
};

} // namespace faxlens::codec
