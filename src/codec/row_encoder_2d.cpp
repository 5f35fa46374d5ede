#include "codec/row_encoder_2d.h"

#include "codec/bit_writer.h"
#include "codec/fax_coding.h"

namespace faxlens::modTIF {

ChangeList WhiteRowChanges(int32_t width) {
    return ChangeList{width};
}

void AppendRow2D(BitString& line, std::span<const int32_t> reference,
                 std::span<const int32_t> coding, int32_t width) {
    TextBits text(line);
    PutRow2D(text, reference, coding, width);
}

} // namespace faxlens::modTIF
