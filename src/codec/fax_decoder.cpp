// The decoding engine of every fax coding: Group 3 one- and two-dimensional, Group 4 and Huffman
// RLE. It reads the strip's bits through a bit reader, recognises code words and mode codes by
// table lookup, walks the reference line as the coding line advances, and hands each row's
// black runs to the surface in one call. Its results are those of decoding the strip's bits as
// one BitString with the primitives of modTIF, rule for rule.

#include "codec/bit_reader.h"
#include "codec/fax_tables.h"
#include "codec/page_decode.h"
#include "codec/run_decoding.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace faxlens::modConvert_TIF2DC {

namespace {

constexpr int kEolZeros = 11;
constexpr int kEolLength = 12;
// How often the event pump is offered while a strip decodes: every so many bits.
constexpr int64_t kBitsPerPump = 8 * 16 * 1024;

int32_t Saturate(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

int16_t Opposite(int16_t colour) {
    return colour == kWhite ? kBlack : kWhite;
}

// A run of one-dimensional code: decoded (a terminating word ended it), or not, with run -1
// for an EOL; `used` covers what was read.
struct RunResult {
    bool decoded = false;
    int32_t run = 0;
    int64_t used = 0;
};

enum class LineEnd {
    Complete,    // the line reached the page width
    EolConsumed, // an EOL ended the line early and has been read
    Stuck,       // nothing more can be decoded
};

class FaxDecoder {
public:
    FaxDecoder(PageSurface& surface, std::span<const uint8_t> data, bool lowBitFirst, int32_t width,
               int32_t rowLimit, int64_t xOffset, int64_t yOffset, ColourValue ink,
               const EventPump& pump)
        : surface_(surface), reader_(data, lowBitFirst), width_(width), rowLimit_(rowLimit),
          xOffset_(xOffset), yOffset_(yOffset), ink_(ink), pump_(pump), reference_{width} {}

    int64_t RunGroup3();
    int64_t RunGroup4();
    int64_t RunGroup3TwoD();
    int64_t RunHuffmanRle();

private:
    // --- bits ---

    bool DataLeft() const { return reader_.Available() > 0; }

    void OfferPump() {
        if (reader_.Position() < nextPump_)
            return;
        nextPump_ = reader_.Position() + kBitsPerPump;
        Pump(pump_);
    }

    // One run of one-dimensional code at the position, make-up words and terminating word, or
    // an EOL (its fill zeros included); what it reads is taken.
    RunResult DecodeRun(int16_t colour) {
        if (!DataLeft())
            return {};
        if (reader_.ZerosAhead(kEolZeros)) {
            const int64_t one = reader_.NextOne();
            if (one < 0)
                return {};
            const int64_t used = one - reader_.Position() + 1;
            reader_.Skip(used);
            return {false, -1, used};
        }
        const modTIF::RunLookup& lookup = modTIF::RunLookupFor(colour);
        RunResult result;
        for (;;) {
            const modTIF::RunCode& code = lookup[reader_.Peek(modTIF::kRunLookupBits)];
            if (code.run < 0 || code.length > reader_.Available())
                return result;
            reader_.Skip(code.length);
            result.used += code.length;
            result.run = Saturate(int64_t{result.run} + code.run);
            if (code.terminating) {
                result.decoded = true;
                return result;
            }
        }
    }

    modTIF::ModeCode ReadMode() {
        const int64_t available = reader_.Available();
        if (available <= 0)
            return {};
        const modTIF::ModeCode mode = modTIF::ModeLookup()[reader_.Peek(modTIF::kModeLookupBits)];
        if (mode.mode == modTIF::Mode::None || mode.length > available)
            return {};
        if (mode.mode == modTIF::Mode::Vertical && mode.delta < 0 &&
            !reader_.OneAfter(reader_.Position() + mode.length - 1))
            return {};
        return mode;
    }

    // One two-dimensional coding step, as DecodeStep2D takes it; on failure nothing is read.
    bool DecodeStep(int32_t& runLength) {
        const int64_t start = reader_.Position();
        int64_t total = 0;
        int32_t a = Saturate(a0_);
        modTIF::ReferenceWalk walk = walk_;
        const auto count = static_cast<int32_t>(reference_.size());
        while (!horizontalPending_) {
            const modTIF::ModeCode mode = ReadMode();
            if (mode.mode == modTIF::Mode::None) {
                reader_.Seek(start);
                return false;
            }
            reader_.Skip(mode.length);
            if (mode.mode == modTIF::Mode::Horizontal)
                break;
            int32_t b1 = 0;
            int32_t b2 = 0;
            modTIF::FindB1B2(a, reference_, count, b1, b2, colour_, walk);
            if (mode.mode == modTIF::Mode::Vertical) {
                walk.next = Saturate(int64_t{walk.next} + (mode.delta < 0 ? -1 : 1));
                walk.runDecoded = true;
                walk_ = walk;
                runLength = Saturate(total + b1 + mode.delta - a);
                return true;
            }
            walk.next = Saturate(int64_t{walk.next} + 2);
            total += int64_t{b2} - a;
            a = b2;
        }
        const RunResult run = DecodeRun(colour_);
        if (!run.decoded) {
            reader_.Seek(start);
            return false;
        }
        horizontalPending_ = true;
        walk.runDecoded = true;
        walk_ = walk;
        runLength = Saturate(total + run.run);
        return true;
    }

    // --- rows ---

    // Records a run of the colour of a0 on the coding line and among the row's black runs.
    void AddRun(int32_t run) {
        const int64_t previous = codingLine_.empty() ? 0 : codingLine_.back();
        codingLine_.push_back(Saturate(previous + run));
        PaintRun(run);
    }

    // A black run is painted when its row is done; white runs need nothing.
    void PaintRun(int32_t run) {
        if (colour_ != kWhite && run > 0) {
            blackSpans_.push_back(a0_ + xOffset_);
            blackSpans_.push_back(a0_ + xOffset_ + run);
        }
        a0_ += run;
        colour_ = Opposite(colour_);
    }

    void PaintRow() {
        if (!blackSpans_.empty())
            surface_.PaintSpans(row_ + yOffset_, blackSpans_, ink_);
        blackSpans_.clear();
    }

    // The coding line becomes the reference line of the next row.
    void NextReference() {
        if (codingLine_.empty())
            codingLine_.push_back(width_);
        reference_.swap(codingLine_);
        codingLine_.clear();
    }

    void StartLine() {
        a0_ = 0;
        colour_ = kWhite;
        horizontalPending_ = false;
        walk_ = {};
        codingLine_.clear();
    }

    // --- Group 3, one-dimensional ---

    // Decodes one run and paints it; false when the strip is finished.
    bool Group3Run() {
        const RunResult run = DecodeRun(colour_);
        // Neither colour's code words match here: nothing more can be decoded.
        const bool stuck = run.used == 0 && previousUsedNothing_;
        previousUsedNothing_ = run.used == 0;
        if (stuck)
            return false;
        if (run.run == -1) // an EOL before anything of the strip is its start marker
            return !anythingDecoded_ || EndGroup3Row();
        anythingDecoded_ = anythingDecoded_ || run.used > 0;
        PaintRun(run.run);
        if (a0_ < width_)
            return true;
        // The row is full. An EOL right after it ends the row when it is read next.
        return reader_.ZerosAhead(kEolZeros) || EndGroup3Row();
    }

    bool EndGroup3Row() {
        PaintRow();
        anythingDecoded_ = true;
        ++row_;
        a0_ = 0;
        colour_ = kWhite;
        return row_ < rowLimit_;
    }

    // --- Group 4 ---

    // One coding step recorded and painted; false when the strip is finished.
    bool Group4Step() {
        int32_t run = 0;
        if (!DecodeStep(run))
            return false;
        if (horizontalPending_ && ++horizontalRuns_ % 2 == 0) {
            horizontalPending_ = false;
            horizontalRuns_ = 0;
        }
        AddRun(run);
        if (a0_ >= width_ && !horizontalPending_) {
            // The row is full. An EOL after it is skipped without ending the row again.
            if (reader_.ZerosAhead(kEolZeros))
                reader_.Skip(kEolLength);
            else
                EndGroup4Row();
        }
        return row_ < rowLimit_;
    }

    void EndGroup4Row() {
        PaintRow();
        ++row_;
        a0_ = 0;
        horizontalPending_ = false;
        horizontalRuns_ = 0;
        colour_ = kWhite;
        walk_ = {};
        NextReference();
    }

    // --- lines of Group 3 two-dimensional and Huffman RLE ---

    bool AtEol() { return reader_.ZerosAhead(kEolZeros); }

    // The bit after an EOL: 1 for a one-dimensional line, 0 for a two-dimensional one.
    bool TakeTagBit(bool& oneDimensional) {
        if (!DataLeft())
            return false;
        oneDimensional = reader_.Peek(1) == 1;
        reader_.Skip(1);
        return true;
    }

    // Runs of alternating colour, white first, until the width is reached.
    LineEnd DecodeLine1D() {
        StartLine();
        bool previousUsedNothing = false;
        while (a0_ < width_) {
            OfferPump();
            const RunResult run = DecodeRun(colour_);
            if (run.used == 0 && previousUsedNothing)
                return LineEnd::Stuck;
            previousUsedNothing = run.used == 0;
            if (run.run == -1)
                return LineEnd::EolConsumed;
            AddRun(run.run);
        }
        return LineEnd::Complete;
    }

    // Coding steps against the line above until the width is reached and no second horizontal
    // run is due. An EOL where a step should be ends the line early.
    LineEnd DecodeLine2D() {
        StartLine();
        int32_t horizontalRuns = 0;
        while (a0_ < width_ || horizontalPending_) {
            OfferPump();
            int32_t run = 0;
            if (!DecodeStep(run))
                return AtEol() ? LineEnd::Complete : LineEnd::Stuck;
            if (horizontalPending_ && ++horizontalRuns % 2 == 0)
                horizontalPending_ = false;
            AddRun(run);
        }
        return LineEnd::Complete;
    }

    void EndLine() {
        PaintRow();
        ++row_;
        NextReference();
    }

    PageSurface& surface_;
    BitReader reader_;
    const int32_t width_;
    const int32_t rowLimit_;
    const int64_t xOffset_;
    const int64_t yOffset_;
    const ColourValue ink_;
    const EventPump& pump_;
    int64_t nextPump_ = kBitsPerPump;

    ChangeList reference_;
    ChangeList codingLine_;
    std::vector<int64_t> blackSpans_; // of the row being decoded: start, end, start, end, ...
    int64_t row_ = 0;
    int64_t a0_ = 0;
    int16_t colour_ = kWhite;
    bool horizontalPending_ = false;
    int32_t horizontalRuns_ = 0;
    modTIF::ReferenceWalk walk_;
    bool previousUsedNothing_ = false;
    bool anythingDecoded_ = false;
};

int64_t FaxDecoder::RunGroup3() {
    Pump(pump_);
    while (DataLeft()) {
        OfferPump();
        if (!Group3Run())
            break;
    }
    PaintRow();
    return row_ + (a0_ > 0 ? 1 : 0);
}

int64_t FaxDecoder::RunGroup4() {
    Pump(pump_);
    while (DataLeft()) {
        OfferPump();
        if (!Group4Step())
            break;
    }
    PaintRow();
    return row_ + (a0_ != 0 ? 1 : 0);
}

int64_t FaxDecoder::RunGroup3TwoD() {
    Pump(pump_);
    // Other writers start a strip with an EOL and a tag bit; without them the first line is
    // one-dimensional, as every first line must be.
    bool oneDimensional = true;
    if (AtEol()) {
        DecodeRun(kWhite);
        if (!TakeTagBit(oneDimensional))
            return row_;
    }
    while (row_ < rowLimit_ && DataLeft()) {
        const LineEnd end = oneDimensional ? DecodeLine1D() : DecodeLine2D();
        EndLine();
        if (end == LineEnd::Stuck)
            break;
        if (end == LineEnd::Complete) {
            if (!AtEol()) {
                oneDimensional = true; // no EOL: nothing says otherwise
                continue;
            }
            DecodeRun(kWhite);
        }
        if (!TakeTagBit(oneDimensional))
            break;
    }
    return row_;
}

int64_t FaxDecoder::RunHuffmanRle() {
    Pump(pump_);
    while (row_ < rowLimit_ && DataLeft()) {
        const LineEnd end = DecodeLine1D();
        EndLine();
        if (end == LineEnd::Stuck)
            break;
        reader_.Skip((8 - reader_.Position() % 8) % 8); // each line begins on a byte
    }
    return row_;
}

} // namespace

int64_t DecodeFaxStrip(FaxCoding coding, PageSurface& surface, std::span<const uint8_t> data,
                       bool lowBitFirst, int32_t width, int32_t rowLimit, int64_t xOffset,
                       int64_t yOffset, ColourValue ink, const EventPump& pump) {
    FaxDecoder decoder(surface, data, lowBitFirst, width, rowLimit, xOffset, yOffset, ink, pump);
    switch (coding) {
    case FaxCoding::Group3:
        return decoder.RunGroup3();
    case FaxCoding::Group4:
        return decoder.RunGroup4();
    case FaxCoding::Group3TwoD:
        return decoder.RunGroup3TwoD();
    case FaxCoding::HuffmanRle:
        return decoder.RunHuffmanRle();
    }
    return 0;
}

int64_t DecodeStrip1D(PageSurface& surface, std::span<const uint8_t> data, int32_t width,
                      int32_t rowLimit, int64_t xOffset, int64_t yOffset, ColourValue ink,
                      const EventPump& pump) {
    return DecodeFaxStrip(FaxCoding::Group3, surface, data, false, width, rowLimit, xOffset,
                          yOffset, ink, pump);
}

int64_t DecodeStrip2D(PageSurface& surface, std::span<const uint8_t> data, int32_t width,
                      int32_t rowLimit, int64_t xOffset, int64_t yOffset, ColourValue ink,
                      const EventPump& pump) {
    return DecodeFaxStrip(FaxCoding::Group4, surface, data, false, width, rowLimit, xOffset,
                          yOffset, ink, pump);
}

int64_t DecodeStripGroup3TwoD(PageSurface& surface, std::span<const uint8_t> data, int32_t width,
                              int32_t rowLimit, int64_t xOffset, int64_t yOffset, ColourValue ink,
                              const EventPump& pump) {
    return DecodeFaxStrip(FaxCoding::Group3TwoD, surface, data, false, width, rowLimit, xOffset,
                          yOffset, ink, pump);
}

int64_t DecodeStripHuffmanRle(PageSurface& surface, std::span<const uint8_t> data, int32_t width,
                              int32_t rowLimit, int64_t xOffset, int64_t yOffset, ColourValue ink,
                              const EventPump& pump) {
    return DecodeFaxStrip(FaxCoding::HuffmanRle, surface, data, false, width, rowLimit, xOffset,
                          yOffset, ink, pump);
}

} // namespace faxlens::modConvert_TIF2DC
