#include "codec/run_encoder.h"

#include "codec/code_tables.h"

namespace faxlens::modTIF {

namespace {

constexpr std::size_t kBitsPerByte = 8;

void AppendEndOfLine(BitString& out, std::size_t lineLength) {
    const std::size_t misalignment = (lineLength + kEndOfLine.size()) % kBitsPerByte;
    if (misalignment != 0)
        out.append(kBitsPerByte - misalignment, '0');
    out += kEndOfLine;
}

// Appends the codes of one run to out; lineLength is the length of the line they will follow.
void AppendCodes(BitString& out, int32_t run, int16_t colour, std::size_t lineLength) {
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

BitString EncodeRun(int32_t run, int16_t colour, std::string_view lineSoFar) {
    BitString codes;
    AppendCodes(codes, run, colour, lineSoFar.size());
    return codes;
}

void AppendRun(BitString& line, int32_t run, int16_t colour) {
    AppendCodes(line, run, colour, line.size());
}

} // namespace faxlens::modTIF
