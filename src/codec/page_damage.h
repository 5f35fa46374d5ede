#pragma once

// What decoding a page met besides sound data: rows that could not be decoded, the first code
// that could not be, strips that are cut short, missing or outside the file, and data left over
// after a strip's rows. A sound page reports nothing. Rows are numbered from 1, as a user counts
// them; strips from 0, as the TIFF tools number them.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace faxlens::codec {

struct PageDamage {
    struct RowRange {
        int32_t first; // rows first to last, both included, numbered from 1
        int32_t last;
    };
    struct BadCode {
        int32_t strip;
        int64_t byte; // within the strip
        int32_t row;  // the row being decoded, from 1
    };
    struct ShortStrip {
        int32_t strip;
        int64_t bytesRead;
        int64_t bytesNamed;
    };

    int32_t rowsExpected = 0;
    std::vector<RowRange> undecodedRows; // in order, not touching one another
    std::optional<BadCode> firstBadCode;
    std::vector<ShortStrip> shortStrips;  // the byte count reaches past the end of the file
    std::vector<int32_t> missingStrips;   // no strip where the page needs one
    std::vector<int32_t> outsideStrips;   // the strip begins at or past the end of the file
    std::vector<int32_t> stripsWithExtra; // data left over after the strip's rows
    int64_t extraBytes = 0;

    bool Any() const;
    int32_t RowsUndecoded() const;
    int32_t RowsDecoded() const { return rowsExpected - RowsUndecoded(); }

    // Notes that rows from..to (from 0, to excluded) could not be decoded.
    void AddUndecodedRows(int64_t from, int64_t to);

    // The damage in one line, without a final period ("rows 812 to 2200 could not be decoded
    // (bad code in strip 1 at byte 40213); strip 1 is cut short: 82973 of 92232 bytes"); empty
    // for a sound page.
    std::string Describe() const;
};

} // namespace faxlens::codec
