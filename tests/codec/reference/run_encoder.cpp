#include "codec/reference/run_encoder.h"

#include "codec/code_tables.h"
#include "codec/fax_coding.h"

namespace faxlens::reference {

using namespace codec;

namespace {

constexpr std::size_t kBitsPerByte = 8;

void AppendEndOfLine(codec::BitString& out, std::size_t lineLength) {
    const std::size_t misalignment = (lineLength + kEndOfLine.size()) % kBitsPerByte;
    if (misalignment != 0)
        out.append(kBitsPerByte - misalignment, '0');
    out += kEndOfLine;
}

// Appends the codes of one run to out; lineLength is the length of the line they will follow.
void AppendCodes(codec::BitString& out, int32_t run, codec::Colour colour, std::size_t lineLength) {
    InitCodeTables();
    const CodeTable& table = CodeTableFor(colour);
    while (run > kLastTerminatingIndex) {
        const int32_t chunk = run > kLongestMakeUp ? kLongestMakeUp : run - run % kMakeUpStep;
        out += table[static_cast<std::size_t>(MakeUpIndex(chunk))];
        run -= chunk;
    }
    if (run < 0)
        AppendEndOfLine(out, lineLength);
    else
        out += table[static_cast<std::size_t>(run)];
}

} // namespace

codec::BitString EncodeRun(int32_t run, codec::Colour colour, std::string_view lineSoFar) {
    codec::BitString codes;
    AppendCodes(codes, run, colour, lineSoFar.size());
    return codes;
}

void AppendRun(codec::BitString& line, int32_t run, codec::Colour colour) {
    AppendCodes(line, run, colour, line.size());
}

namespace {

// Bits appended to a BitString as the characters '0' and '1', for the coders of the page encoder.
class TextBits {
public:
    explicit TextBits(codec::BitString& text) : text_(text) {}
    void Put(uint32_t bits, int length) {
        for (int i = length - 1; i >= 0; --i)
            text_ += (bits >> i & 1) != 0 ? '1' : '0';
    }
    void PutZeros(int64_t count) { text_.append(static_cast<std::size_t>(count), '0'); }
    int64_t BitCount() const { return static_cast<int64_t>(text_.size()); }

private:
    codec::BitString& text_;
};

} // namespace

void AppendRow2D(codec::BitString& line, std::span<const int32_t> reference,
                 std::span<const int32_t> coding, int32_t width) {
    TextBits text(line);
    PutRow2D(text, reference, coding, width);
}

void BitsToBytes(std::string_view line, std::vector<uint8_t>& bytes) {
    bytes.resize(line.size() / 8);
    for (std::size_t k = 0; k < bytes.size(); ++k) {
        uint8_t byte = 0;
        for (std::size_t bit = 0; bit < 8; ++bit)
            byte = static_cast<uint8_t>(byte << 1 | (line[8 * k + bit] == '1'));
        bytes[k] = byte;
    }
}

} // namespace faxlens::reference
