#pragma once

// The codes of a fax page row by row, as the decoding engine reads them: for each row the strip
// and the place where its codes begin, the EOL or fill before it, its codes in a compact
// notation, and where decoding stopped, with the bits there. Rows go out one at a time as the
// engine finishes them, so a trace costs the same memory whatever the page's length.

#include "codec/fax_trace.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace faxlens::page {

// Where decoding stopped in a row.
struct TraceStop {
    int64_t byte = 0;     // within the strip
    int bit = 0;          // 0 to 7, in the order the bits are read
    std::string expected; // "a mode code", "a white run code", ...
    // The first bit from there on that no EOL or fill explains, where the page's damage says its
    // bad code is.
    int64_t unexplainedByte = 0;
    int unexplainedBit = 0;
    // The bits from the last code decoded (or where the row began) to 32 bits past the stop,
    // with "^" where decoding stopped.
    std::string bits;
};

struct TracedRow {
    // From 1, as the damage line numbers rows; 0 for what follows the page's last row (the
    // codes that end the strip).
    int64_t row = 0;
    int32_t strip = 0;
    int64_t byte = 0; // where the row's codes begin, within the strip
    int bit = 0;
    std::string before;             // "", "EOL", "EOL 1-D", "EOL 2-D", "fill 4, EOL", ...
    std::vector<std::string> codes; // "W12", "B3", "V0", "VR1", "VL2", "P", "H 12+340"
    std::optional<TraceStop> stop;
};

// What a trace of chosen rows found: the page's damage, known only when the trace went through
// the whole page (`whole`), not when the last row asked for ended it.
struct RowsTraced {
    codec::PageDamage damage;
    bool whole = true;
};

// Traces rows firstRow to lastRow (from 1; lastRow 0: to the page's end, with the codes that
// follow its last row) of a fax page, handing each row to `take` as it is read; decoding stops
// after lastRow. Fails only when the file cannot be read.
Result<RowsTraced> TraceRows(const tiff::TiffFile& file, const tiff::TiffPage& page,
                             int64_t firstRow, int64_t lastRow,
                             const std::function<void(const TracedRow&)>& take,
                             const WorkCheck& check = {});

// Where the codes of each row of a fax page begin: its strip and the byte there, for every row
// that decoding reached (the strip is -1 for the others). Twelve bytes a row.
struct RowStart {
    int32_t strip = -1;
    bool coded = false; // a run or mode of the row was read (not only the EOL before it)
    int64_t byte = 0;
};
class RowStartIndex final : public codec::PageTraceListener {
public:
    explicit RowStartIndex(int64_t rows) : starts_(static_cast<std::size_t>(rows)) {}

    void StripBegins(int32_t strip, std::span<const uint8_t>, int64_t) override { strip_ = strip; }
    void Code(int64_t row, const codec::TracedCode& code) override;
    void RowEnds(int64_t) override {}
    void Stopped(int64_t, int64_t, int64_t, codec::Expected) override {}

    std::vector<RowStart> Take() { return std::move(starts_); }

private:
    std::vector<RowStart> starts_;
    int32_t strip_ = 0;
};

// One line of text: "row 135: strip 1, byte 483 bit 5, after EOL 2-D: V0 VR1 H 12+340 P".
std::string TraceLine(const TracedRow& row);
// The same as one JSON object.
std::string TraceJson(const TracedRow& row);

} // namespace faxlens::page
