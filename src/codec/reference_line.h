#pragma once

// The reference line of two-dimensional coding (ITU-T T.4 and T.6): where b1 and b2 lie for a0,
// as a row walks along the line above it.

#include "base/numbers.h"

#include <algorithm>
#include <cstdint>
#include <span>

namespace faxlens::codec {

// How far a row has walked along its reference line. Every element before `next` has served as
// b1 or b2 of a coding step of the row, so a change is never taken twice, also where two
// changes stand at one column (a zero-length run). Each row starts a new walk.
struct ReferenceWalk {
    int32_t next = 0;        // the first element that may still serve as b1
    bool runDecoded = false; // whether a run of the row has been decoded yet
};

// The changing elements b1 and b2 of the reference line (its first count elements) for a0 of
// the given colour. b1 is the first element from walk.next on that changes to the colour
// opposite a0's and lies right of a0; before the row's first run, while a0 still stands at the
// start of the row or under a pass, it may also lie on a0. b2 is the element after b1, or the
// last element when that one lies left of b1. When no element qualifies, b1 is the last
// element and b2 one column further. walk.next is left at b1's index. Inline: the decoding
// engine calls it at every coding step.
inline void FindB1B2(int32_t a0, std::span<const int32_t> reference, int32_t count, int32_t& b1,
                     int32_t& b2, Colour colour, ReferenceWalk& walk) {
    b1 = 0;
    b2 = 0;
    // A count beyond the elements given is cut to them; an empty line has no changes at all.
    const int64_t usable = std::min<int64_t>(count, static_cast<int64_t>(reference.size()));
    if (usable < 1)
        return;
    const int64_t last = usable - 1;
    // Column 0 stands before the first element: a vertical mode left of the first b1 of a row
    // steps back onto it. However far vertical modes step back, they find column 0 there.
    auto at = [&](int64_t i) { return i < 0 ? 0 : reference[static_cast<std::size_t>(i)]; };

    // Black a0 looks for a change to white (odd index), white a0 for a change to black (even).
    const int64_t parity = colour == kBlack ? 1 : 0;
    int64_t i = std::max<int64_t>(walk.next, parity - 2);
    if ((i & 1) != parity)
        ++i;
    // Once the row has a run, b1 lies right of a0; until then a0 stands at the row's start or
    // under a pass, and the next change of the colour serves as it is, also one on a0.
    if (walk.runDecoded)
        while (i <= last && at(i) <= a0)
            i += 2;
    walk.next = SaturateToInt32(i);
    if (i > last) {
        b1 = reference[static_cast<std::size_t>(last)];
        // Saturates instead of overflowing past the largest 32-bit number.
        b2 = SaturateToInt32(int64_t{b1} + 1);
        return;
    }
    b1 = at(i);
    b2 = i < last ? at(i + 1) : 0;
    if (b2 < b1)
        b2 = reference[static_cast<std::size_t>(last)];
}

} // namespace faxlens::codec
