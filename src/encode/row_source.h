#pragma once

// Where the encoders read a page from. They know nothing of how the page is kept: a source gives
// its size and each row as changing elements, whatever holds the pixels.

#include "codec/codec_types.h"

#include <cstdint>

namespace faxlens::encode {

class RowSource {
public:
    virtual int32_t Width() const = 0;
    virtual int32_t Height() const = 0;
    // The changing elements of row y, pixels 0 to width - 1: the running sums of the row's runs,
    // alternately white and black, white first. The first run may be empty; the last element is
    // the width.
    virtual void RowChanges(int32_t y, int32_t width, codec::ChangeList& changes) const = 0;

protected:
    ~RowSource() = default;
};

} // namespace faxlens::encode
