#pragma once

// What the decoding engine reads of a fax strip, code by code: the same engine that decodes the
// pages tells a listener each code as it takes it, so that what a trace says is what the page
// shows. A decoder with no listener has none of this compiled in.

#include "base/result.h"
#include "base/work_check.h"
#include "codec/codec_types.h"
#include "codec/page_damage.h"
#include "codec/page_decode.h"
#include "tiff/page_info.h"
#include "tiff/tiff_file.h"

#include <cstdint>
#include <span>

namespace faxlens::codec {

struct TracedCode {
    enum class Kind : uint8_t {
        Run,        // a code word of a run: a make-up word, or the terminating word that ends it
        Pass,       // pass mode
        Horizontal, // horizontal mode; its two runs follow as Run codes
        Vertical,   // vertical mode, a1 - b1 = delta
        EndOfLine,  // an EOL, its fill zeros before it included
        TagBit,     // the bit after an EOL of two-dimensional Group 3: 1 one-dimensional line
        Skipped,    // eleven zeros and the bit after them, passed over after a full Group 4 row
                    // as an EOL would be
    };
    Kind kind = Kind::Run;
    Colour colour = kWhite;   // of a run
    int8_t delta = 0;         // of a vertical mode
    int32_t run = 0;          // of a run's word, its pixels; of a tag bit, its value
    bool terminating = false; // of a run's word: it ends the run
    int64_t bit = 0;          // where the code begins, in bits from the start of the strip
    int64_t length = 0;       // its bits
};

// Where the engine stopped short of the strip's rows: the bit, and what it looked for there.
// A one-dimensional line that cannot go on has tried a run of either colour (a code that is
// neither counts as an empty run of the colour due, and the other colour is tried).
enum class Expected : uint8_t { WhiteRun, BlackRun, EitherRun, ModeCode, EndOfLine };

class FaxTraceListener {
public:
    // A code of row `row` (numbered as the strip's rows go to a sink: from firstRow on). Codes
    // between two rows (EOLs, tag bits, fill) belong to the row that follows them.
    virtual void Code(int64_t row, const TracedCode& code) = 0;
    // Row `row` is complete.
    virtual void RowEnds(int64_t row) = 0;
    // The first row whose codes are wanted: the rows before it are decoded as fast as the engine
    // decodes without a listener, and only their ends are told.
    virtual int64_t FirstRowWanted() const { return 0; }
    // Decoding stopped at `bit` within row `row` because no code it could take begins there;
    // the first bit after it that no EOL or fill explains is `unexplainedBit` (where the damage
    // of the page says its bad code is).
    virtual void Stopped(int64_t row, int64_t bit, int64_t unexplainedBit, Expected expected) = 0;

protected:
    ~FaxTraceListener() = default;
};

// Decodes one fax strip as DecodeFaxStrip does, rows from firstRow on, telling the listener
// every code; nothing is painted. Returns the rows reached.
int64_t TraceFaxStrip(FaxCoding coding, std::span<const uint8_t> data, bool lowBitFirst,
                      int32_t width, int32_t rowLimit, int64_t firstRow, FaxTraceListener& listener,
                      const WorkCheck& check = {}, FaxStripEnd* end = nullptr);

// A listener to the codes of a whole page, told where each strip begins.
class PageTraceListener : public FaxTraceListener {
public:
    // Strip `strip` holds `data` (its bits as they stand in the file) and its rows begin at
    // firstRow; its codes follow.
    virtual void StripBegins(int32_t strip, std::span<const uint8_t> data, int64_t firstRow) = 0;

protected:
    ~PageTraceListener() = default;
};

// Decodes the strips of a fax page (Group 3, Group 4, Huffman RLE) as DecodePageRows does,
// telling the listener every code of every strip; gives what DecodePageRows gives. A page of
// another coding tells nothing. Fails only when the file cannot be read.
Result<PageDamage> TracePageRows(const tiff::TiffFile& file, const tiff::TiffPage& page,
                                 PageTraceListener& listener, const WorkCheck& check = {});

} // namespace faxlens::codec
