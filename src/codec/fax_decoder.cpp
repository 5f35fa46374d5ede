// The decoding engine of every fax coding: Group 3 one- and two-dimensional, Group 4 and Huffman
// RLE. It reads the strip's bits through a bit reader, recognises code words and mode codes by
// table lookup, walks the reference line as the coding line advances, and hands each row's
// black runs to a row painter, which sets them in the rows a row sink gives. Its results are
// those of decoding the strip's bits as text, one character a bit, with the plain primitives that
// the tests keep as its reference, rule for rule.

#include "codec/bit_reader.h"
#include "codec/change_line.h"
#include "codec/codec_types.h"
#include "codec/fax_tables.h"
#include "codec/fax_trace.h"
#include "codec/page_decode.h"
#include "codec/reference_line.h"
#include "codec/row_sink.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

namespace faxlens::codec {

namespace {

constexpr int kEolZeros = 11;
constexpr int32_t kReservedChanges = 1 << 14;
constexpr int kEolLength = 12;
// How often the work check is offered while a strip decodes: every so many bits.
constexpr int64_t kBitsPerCheck = 8 * 16 * 1024;
// How far before the last 1 bit of the data the common course of Group 4 ends: a mode code and
// the 1 that a vertical mode left of b1 needs after it always lie in the data before that.
constexpr int64_t kCommonMargin = 8;
// How far before the last 1 bit of the data the common course of one-dimensional runs ends: every
// word it reads lies in the data before that.
constexpr int64_t kRunMargin = codec::kRunLookupBits;
// The room the common course of one-dimensional runs asks of the coding line; it stops when that
// is full, and the next call asks again.
constexpr std::size_t kRunRoom = 512;
// The most steps of the common course of one-dimensional runs between two refills of its bits:
// its words are 2 bits long or longer.
constexpr int64_t kMostStepsPerRefill = 64 / 2;
// The room the common course of Group 4 keeps on the coding line for a step: the two elements of
// a horizontal mode, the elements of the vertical modes taken at a time, or the eight a run of
// V0 codes copies at a time.
constexpr int64_t kStepRoom = 8;

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

// Where decoding stands: the bits and the row being decoded. A decoder keeps it in a local that
// its inlined steps share, so that the compiler keeps it in registers.
struct Cursor {
    BitReader reader;
    RowPainter painter; // sets the black runs of the row being decoded
    int64_t row = 0;
    int64_t a0 = 0;                     // the column of the next run, also past the width
    int32_t codingEnd = 0;              // the last element of the coding line; 0 while it is empty
    std::span<const int32_t> reference; // the reference line, as long as it stays put
    int64_t nextCheck = kBitsPerCheck;  // where the work check is offered next
    Colour colour = kWhite;
    bool horizontalPending = false; // the second run of a horizontal mode is due
    int32_t horizontalRuns = 0;
    codec::ReferenceWalk walk{};
    bool previousUsedNothing = false;
    bool anythingDecoded = false;
};

int64_t FirstUnexplainedBit(std::span<const uint8_t> data, bool lowBitFirst, int64_t from,
                            bool tagBits);

// The vertical modes of `modes` that follow one another on the common course from a0, the walk
// standing on `at`, an element of the reference line with `inLine` elements from it on: each
// code's b1 is the element the walk stands on, right of the a0 before it, and its a1 lies at or
// right of that a0, which lies before the width; the walk moves one on, as a mode left of b1
// that went back past the element before b1 would not. Writes the a1 of all four lanes to `out`
// and returns how many codes, from the first, take that course. Reads the element before `at`
// and the three after it.
[[gnu::always_inline]] inline int TakeVerticalModes(const int32_t* at, int32_t a0, int32_t width,
                                                    int32_t inLine,
                                                    const codec::VerticalModes& modes,
                                                    int32_t* out) {
    const int lanes = std::min<int32_t>(modes.count, inLine);
#if defined(__SSE2__)
    const auto load = [](const int32_t* p) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    };
    int32_t packed = 0; // the four deltas, a byte each, widened to 32 bits with their signs
    std::memcpy(&packed, modes.delta, sizeof packed);
    __m128i delta = _mm_cvtsi32_si128(packed);
    delta = _mm_unpacklo_epi8(delta, delta);
    delta = _mm_srai_epi32(_mm_unpacklo_epi16(delta, delta), 24);
    const __m128i b1 = load(at);
    const __m128i a1 = _mm_add_epi32(b1, delta);
    const __m128i before = _mm_or_si128(_mm_slli_si128(a1, 4), _mm_cvtsi32_si128(a0));
    __m128i holds = _mm_andnot_si128(_mm_cmpgt_epi32(before, a1), _mm_cmpgt_epi32(b1, before));
    holds = _mm_and_si128(holds, _mm_cmplt_epi32(before, _mm_set1_epi32(width)));
    const __m128i back = _mm_and_si128(_mm_cmplt_epi32(delta, _mm_setzero_si128()),
                                       _mm_cmpgt_epi32(load(at - 1), a1));
    holds = _mm_andnot_si128(back, holds);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), a1);
    const auto held = static_cast<uint32_t>(_mm_movemask_ps(_mm_castsi128_ps(holds)));
#else
    uint32_t held = 0;
    int64_t before = a0;
    for (int k = 0; k < codec::kMostVerticalModes; ++k) {
        const int64_t a1 = int64_t{at[k]} + modes.delta[k];
        const bool back = modes.delta[k] < 0 && at[k - 1] > a1;
        held |= static_cast<uint32_t>(at[k] > before && a1 >= before && before < width &&
                                      a1 <= kInt32Max && !back)
                << k;
        out[k] = static_cast<int32_t>(a1);
        before = a1;
    }
#endif
    return std::countr_one(held & ((1U << std::max(lanes, 0)) - 1));
}

// Without kDelivers the decoder only reads the strip: what a check of a page needs, at the cost of
// decoding alone. With kTraces it tells a listener every code it takes; every step then goes by
// the general rules, which the common courses only take faster, so the codes told are those that
// decide the page's pixels.
template <bool kDelivers, bool kTraces = false>
class FaxDecoder {
public:
    FaxDecoder(RowSink* sink, std::span<const uint8_t> data, bool lowBitFirst, int32_t width,
               int32_t rowLimit, int64_t firstRow, const WorkCheck& check,
               FaxTraceListener* listener = nullptr)
        : sink_(sink), data_(data), lowBitFirst_(lowBitFirst), width_(width), rowLimit_(rowLimit),
          firstRow_(firstRow), check_(check), listener_(listener),
          // From the row before the first one wanted, for the EOL that ends it opens the next.
          tellFrom_(listener != nullptr ? listener->FirstRowWanted() - 1 : 0),
          reference_(TypicalChanges(width)), codingLine_(TypicalChanges(width)),
          marks_(sink != nullptr ? static_cast<std::size_t>(sink->Width()) / 64 + 2 : 0) {
        reference_.Append(width);
        reference_.Seal();
    }

    int64_t RunGroup3();
    int64_t RunGroup4();
    int64_t RunGroup3TwoD();
    int64_t RunHuffmanRle();

    // Where the last run stopped reading, in bits from the start of the strip.
    int64_t StopBit() const { return stopBit_; }

private:
    // A sound row has at most a change a pixel; more only grow the lists.
    static std::size_t TypicalChanges(int32_t width) {
        return static_cast<std::size_t>(std::clamp(width, 0, kReservedChanges)) + 1;
    }

    [[gnu::always_inline]] Cursor Start() {
        CheckWork(check_);
        if constexpr (kTraces)
            telling_ = firstRow_ >= tellFrom_;
        Cursor c{.reader = BitReader(data_, lowBitFirst_),
                 .painter = RowPainter(sink_),
                 .reference = reference_.Elements()};
        if constexpr (kDelivers)
            c.painter.Start(firstRow_);
        return c;
    }

    // --- bits ---

    [[gnu::always_inline]] static bool DataLeft(const Cursor& c) {
        return c.reader.Available() > 0;
    }

    [[gnu::always_inline]] void OfferCheck(Cursor& c) {
        if (c.reader.Position() < c.nextCheck)
            return;
        c.nextCheck = c.reader.Position() + kBitsPerCheck;
        CheckWork(check_);
    }

    // One run of one-dimensional code at the position, make-up words and terminating word, or
    // an EOL (its fill zeros included); what it reads is taken.
    [[gnu::always_inline]] RunResult DecodeRun(Cursor& c, Colour colour) {
        BitReader& reader = c.reader;
        if (reader.Available() <= 0)
            return {};
        const int64_t start = reader.Position();
        if (reader.ZerosAhead(kEolZeros)) {
            const int64_t one = reader.NextOne();
            if (one < 0)
                return {};
            const int64_t used = one - reader.Position() + 1;
            reader.Skip(used);
            Tell({.kind = TracedCode::Kind::EndOfLine, .bit = start, .length = used});
            return {false, -1, used};
        }
        const codec::RunLookup& lookup = runLookups_[static_cast<std::size_t>(colour)];
        RunResult result;
        for (;;) {
            const codec::RunCode& code = lookup[reader.Peek(codec::kRunLookupBits)];
            if (!code.Known() || code.length > reader.Available())
                return result;
            Tell({.kind = TracedCode::Kind::Run,
                  .colour = colour,
                  .run = code.run,
                  .terminating = code.Terminating(),
                  .bit = reader.Position(),
                  .length = code.length});
            reader.Skip(code.length);
            result.used += code.length;
            result.run = SaturateToInt32(int64_t{result.run} + code.run);
            if (code.Terminating()) {
                result.decoded = true;
                return result;
            }
        }
    }

    [[gnu::always_inline]] codec::ModeCode ReadMode(Cursor& c) {
        BitReader& reader = c.reader;
        const int64_t available = reader.Available();
        if (available <= 0)
            return {};
        const uint32_t code = reader.Peek(codec::kModeLookupBits);
        if (code >= 0x40) // "1": V0, most codes of a page
            return {codec::Mode::Vertical, 0, 1};
        const codec::ModeCode mode = modes_[code];
        if (mode.mode == codec::Mode::None || mode.length > available)
            return {};
        if (mode.mode == codec::Mode::Vertical && mode.delta < 0 &&
            !reader.OneAfter(reader.Position() + mode.length - 1))
            return {};
        return mode;
    }

    // One two-dimensional coding step, as DecodeStep2D takes it; on failure nothing is read.
    [[gnu::always_inline]] bool DecodeStep(Cursor& c, int32_t& runLength) {
        const auto count = static_cast<int32_t>(c.reference.size());
        // Most steps are a vertical mode, which cannot fail once its code is read.
        if (!c.horizontalPending) {
            const codec::ModeCode mode = ReadMode(c);
            if (mode.mode == codec::Mode::Vertical) {
                TellMode(c, mode);
                c.reader.Skip(mode.length);
                const int32_t a = SaturateToInt32(c.a0);
                int32_t b1 = 0;
                int32_t b2 = 0;
                codec::FindB1B2(a, c.reference, count, b1, b2, c.colour, c.walk);
                c.walk.next = SaturateToInt32(int64_t{c.walk.next} + (mode.delta < 0 ? -1 : 1));
                c.walk.runDecoded = true;
                runLength = SaturateToInt32(int64_t{b1} + mode.delta - a);
                return true;
            }
        }
        const int64_t start = c.reader.Position();
        const std::size_t told = toldCodes_.size(); // what a failed step takes back
        int64_t total = 0;
        int32_t a = SaturateToInt32(c.a0);
        codec::ReferenceWalk walk = c.walk;
        while (!c.horizontalPending) {
            const codec::ModeCode mode = ReadMode(c);
            if (mode.mode == codec::Mode::None) {
                c.reader.Seek(start);
                TakeBackCodes(told);
                return false;
            }
            TellMode(c, mode);
            c.reader.Skip(mode.length);
            if (mode.mode == codec::Mode::Horizontal)
                break;
            int32_t b1 = 0;
            int32_t b2 = 0;
            codec::FindB1B2(a, c.reference, count, b1, b2, c.colour, walk);
            if (mode.mode == codec::Mode::Vertical) {
                walk.next = SaturateToInt32(int64_t{walk.next} + (mode.delta < 0 ? -1 : 1));
                walk.runDecoded = true;
                c.walk = walk;
                runLength = SaturateToInt32(total + b1 + mode.delta - a);
                return true;
            }
            walk.next = SaturateToInt32(int64_t{walk.next} + 2);
            total += int64_t{b2} - a;
            a = b2;
            if (a >= width_) { // a pass to the end of the row completes it, there
                c.walk = walk;
                runLength = SaturateToInt32(total - (a - width_));
                return true;
            }
        }
        const RunResult run = DecodeRun(c, c.colour);
        if (!run.decoded) {
            c.reader.Seek(start);
            TakeBackCodes(told);
            return false;
        }
        c.horizontalPending = true;
        walk.runDecoded = true;
        c.walk = walk;
        runLength = SaturateToInt32(total + run.run);
        return true;
    }

    // --- rows ---

    // Records a run of the colour of a0 on the coding line; its black runs are painted from there
    // when the row ends (PaintCodingLine).
    [[gnu::always_inline]] void AddRun(Cursor& c, int32_t run) {
        c.codingEnd = SaturateToInt32(int64_t{c.codingEnd} + run);
        codingLine_.Append(c.codingEnd);
        c.a0 += run;
        c.colour = OppositeColour(c.colour);
    }

    // The black runs of a row whose runs went on the coding line go to the row's painter: each
    // element ends a run, white first, so they run from each even element to the odd one after
    // it. Painted in one pass when the row ends, which costs less than painting them one at a
    // time among the decoding's steps.
    [[gnu::always_inline]] void PaintCodingLine(Cursor& c) {
        if constexpr (kDelivers)
            c.painter.PaintChanges(codingLine_.Begin(), codingLine_.Count(), marks_.data());
    }

    // A black run goes to the row's painter; white runs need nothing.
    [[gnu::always_inline]] void PaintRun(Cursor& c, int32_t run) {
        if (kDelivers && c.colour != kWhite && run > 0)
            c.painter.Paint(c.a0, c.a0 + run);
        c.a0 += run;
        c.colour = OppositeColour(c.colour);
    }

    // The row's runs go to the sink, and the next row begins.
    [[gnu::always_inline]] void NextRow(Cursor& c) {
        if constexpr (kTraces) {
            HandOnCodes(c);
            listener_->RowEnds(c.row + firstRow_);
            telling_ = c.row + 1 + firstRow_ >= tellFrom_;
        }
        ++c.row;
        if constexpr (kDelivers)
            c.painter.Start(c.row + firstRow_);
    }

    // The coding line becomes the reference line of the next row.
    void NextReference(Cursor& c) {
        c.codingEnd = 0;
        if (codingLine_.Empty())
            codingLine_.Append(width_);
        std::swap(reference_, codingLine_);
        reference_.Seal();
        c.reference = reference_.Elements();
        codingLine_.Clear();
    }

    [[gnu::always_inline]] void StartLine(Cursor& c) {
        c.a0 = 0;
        c.colour = kWhite;
        c.horizontalPending = false;
        c.walk = {};
        c.codingEnd = 0;
        codingLine_.Clear();
    }

    // --- the common course of one-dimensional lines ---
    //
    // Most runs of a sound line are make-up words and a terminating word that end on the row,
    // with the data going on well past it. Such runs are taken here and give what DecodeRun and
    // PaintRun (or AddRun) give; an EOL, a word that is not known, a run past the width or the
    // end of the data leave the run, unread, to them. Each step is one lookup of a RunStep, which
    // takes up to two runs, and does not branch on what it took: the colour, a number, picks the
    // table, both ends are written and as many kept as ended, and the colour changes by their
    // count. Rows whose runs are many for their length are painted by marking the ends as they
    // are taken, other rows from the ends on the coding line, run by run where they are few.

    enum class RunLengths : uint8_t { Short, Long }; // of the rows a loop is made for

    // Common runs of the line from a0 on until it is full or a run is not common; false when
    // none was taken. With kRecordsChanges the runs go on the coding line; otherwise they are
    // painted.
    template <bool kRecordsChanges>
    [[gnu::noinline]] bool TakeCommonRuns(Cursor& c) {
        if (kTraces && telling_)
            return false;
        const int64_t stopAt = std::min(c.reader.LastOne() - kRunMargin, c.nextCheck);
        if (c.a0 < 0 || c.a0 >= width_ || c.reader.Position() >= stopAt)
            return false;
        const int64_t from = c.a0;
        int64_t ends = 0;
        if constexpr (kRecordsChanges)
            ends = TakeCommonRunsOnCodingLine(c, stopAt);
        else if (!kDelivers || !denseRuns_)
            ends = PaintCommonRunsFromCodingLine(c, stopAt);
        else
            ends = PaintCommonRunsFromMarks(c, stopAt);
        if (ends == 0) // only whole runs are read: none was
            return false;
        // Rows are much like the rows before them: the next one is painted by the way that suits
        // this one, marks where its runs are many for its length.
        denseRuns_ = ends * 64 >= c.a0 - from;
        return true;
    }

    // The common runs' ends go on the coding line; returns how many. Rows are much like the rows
    // before them: the loop is the one for the runs of the last row taken.
    int64_t TakeCommonRunsOnCodingLine(Cursor& c, int64_t stopAt) {
        codingLine_.Reserve(kRunRoom);
        int32_t* const begin = codingLine_.WriteAt();
        int32_t* out = begin;
        // Both ends of a step are written, as many kept as ended.
        const int32_t* const roomEnd = begin + codingLine_.Room() - 2 * kMostStepsPerRefill;
        const auto emit = [&](int64_t first, int64_t second, uint32_t ended) {
            out[0] = static_cast<int32_t>(first);
            out[1] = static_cast<int32_t>(second);
            out += ended;
        };
        const auto hasRoom = [&] { return out <= roomEnd; };
        c.a0 = denseRuns_ ? TakeCommonRunsBy<RunLengths::Short>(c, stopAt, emit, hasRoom)
                          : TakeCommonRunsBy<RunLengths::Long>(c, stopAt, emit, hasRoom);
        c.codingEnd = static_cast<int32_t>(c.a0);
        codingLine_.CommitUpTo(out);
        return out - begin;
    }

    // The common runs are painted from their ends on the coding line, which is left empty.
    int64_t PaintCommonRunsFromCodingLine(Cursor& c, int64_t stopAt) {
        codingLine_.Clear();
        if (c.colour != kWhite) // the black run from a0 is the first to paint
            codingLine_.Append(static_cast<int32_t>(c.a0));
        const int64_t ends = TakeCommonRunsOnCodingLine(c, stopAt);
        PaintCodingLine(c);
        codingLine_.Clear();
        return ends;
    }

    // The common runs are painted by marking their ends as PaintChanges marks them, which costs
    // no pass over the ends afterwards; returns how many. Runs end at most at the decoder's width:
    // where the sink is as wide, as it mostly is, no end needs cutting at the sink's.
    int64_t PaintCommonRunsFromMarks(Cursor& c, int64_t stopAt) {
        const int64_t sinkWidth = c.painter.Width();
        if (sinkWidth >= width_)
            return MarkCommonRuns(c, stopAt, [](int64_t at) { return at; });
        return MarkCommonRuns(c, stopAt,
                              [sinkWidth](int64_t at) { return std::min(at, sinkWidth); });
    }

    // Marks the common runs' ends, each cut by `cut` to the sink's width, and paints them. Both
    // ends of a step are marked where two runs end in it; where none does they are one place,
    // and two marks there cancel; where one does only the first is.
    template <typename Cut>
    [[gnu::always_inline]] int64_t MarkCommonRuns(Cursor& c, int64_t stopAt, Cut cut) {
        uint64_t* const marks = marks_.data();
        const auto toggle = [&](int64_t at, uint64_t keep) {
            codec::RowPainter::Toggle(marks, cut(at), keep);
        };
        if (c.colour != kWhite) // the black run from a0 is the first to paint
            toggle(c.a0, ~uint64_t{0});
        int64_t ends = 0;
        c.a0 = TakeCommonRunsBy<RunLengths::Short>(
            c, stopAt,
            [&](int64_t first, int64_t second, uint32_t ended) {
                toggle(first, ~uint64_t{0});
                toggle(second, 0 - uint64_t{ended != 1});
                ends += ended;
            },
            [] { return true; });
        c.codingEnd = static_cast<int32_t>(c.a0);
        if (c.colour != kWhite) // the black run from a0 goes on: the general steps paint it
            toggle(c.a0, ~uint64_t{0});
        c.painter.PaintMarks(marks, cut(c.a0));
        return ends;
    }

    // The common runs from a0 on, each step's ends given to `emit` (the first two ends, of which
    // `ended` are kept), for a0 on the row and the data going on past stopAt; returns where the
    // last whole run ended. The reader is left there and the colour is that of the next run.
    // `hasRoom` is asked before every kMostStepsPerRefill steps whether they may be taken.
    //
    // Whether a step ends a run, or takes only make-up words, follows no pattern where runs are
    // long: there it is taken into account by masks, which cost a few more instructions than the
    // branch that serves rows of short runs, where make-up words are rare.
    template <RunLengths kRuns, typename Emit, typename HasRoom>
    [[gnu::always_inline]] int64_t TakeCommonRunsBy(Cursor& c, int64_t stopAt, Emit&& emit,
                                                    HasRoom&& hasRoom) {
        BitReader reader = c.reader;
        // The stop and the room are checked at each refill, which comes before the buffer runs
        // short of a lookup. Steps begin at most kStepBitsPerRefill bits on from there, so before
        // stopAt; the refill reads within the data.
        constexpr int64_t kStepBitsPerRefill = 64 - codec::kRunStepBits;
        const int64_t refillStop = std::min(stopAt - kStepBitsPerRefill, reader.RefillStop());
        if (reader.Position() >= refillStop || !hasRoom())
            return c.a0;
        const int64_t width = width_;
        const codec::RunStep* const steps = runSteps_[0].data(); // each colour's after white's
        // The colour as the offset of its steps, which a step that ends one run flips: the
        // step's own bit for that, moved there.
        uint32_t colourSteps = static_cast<uint32_t>(c.colour) << codec::kRunStepBits;
        constexpr int kColourStepsShift =
            codec::kRunStepBits - std::countr_zero(codec::kRunStepChangesColour);
        int64_t a0 = c.a0;    // where the step starts; make-up words may take it past a run's start
        int64_t ended = c.a0; // where the last whole run ended
        uint32_t unfinished = 0; // the bits of the make-up words of a run not yet ended
        const auto take = [&](const codec::RunStep step, int64_t first, int64_t second) {
            reader.SkipBuffered(static_cast<int>(step.length));
            colourSteps ^= (std::bit_cast<uint32_t>(step) & codec::kRunStepChangesColour)
                           << kColourStepsShift;
            if constexpr (kRuns == RunLengths::Long) {
                const uint32_t endsRun = 0U - uint32_t{step.ended != 0};
                unfinished = (unfinished + step.length) & ~endsRun;
                ended += (second - ended) & -int64_t{endsRun & 1};
            } else {
                unfinished = (unfinished + step.length) & (step.ended == 0 ? ~0U : 0U);
                ended = step.ended == 0 ? ended : second;
            }
            a0 = second;
            emit(first, second, step.ended);
        };
        for (;;) {
            if (reader.Buffered() < codec::kRunStepBits) {
                if (reader.Position() >= refillStop || !hasRoom())
                    break;
                reader.RefillInside();
            }
            const codec::RunStep step =
                steps[colourSteps | reader.PeekBuffered(codec::kRunStepBits)];
            if (!step.Known())
                break;
            const int64_t first = a0 + step.first;
            const int64_t second = a0 + step.second;
            // Every run but the last ends before the width, the last at most at it. A step that
            // reaches the width, one a row, is taken alone, and the run it ends fills the row.
            if (second >= width) [[unlikely]] {
                if ((second > width) | (first + (step.ended >> 1) > width))
                    break;
                take(step, first, second);
                if (step.ended != 0)
                    break;
                continue;
            }
            take(step, first, second);
        }
        if (unfinished != 0)
            reader.Seek(reader.Position() - unfinished);
        c.reader = reader;
        c.colour = static_cast<Colour>(colourSteps >> codec::kRunStepBits);
        return ended;
    }

    // --- Group 3, one-dimensional ---

    // Decodes one run and records it; false when the strip is finished.
    [[gnu::always_inline]] bool Group3Run(Cursor& c) {
        const RunResult run = DecodeRun(c, c.colour);
        // Neither colour's code words match here: nothing more can be decoded.
        const bool stuck = run.used == 0 && c.previousUsedNothing;
        c.previousUsedNothing = run.used == 0;
        if (stuck)
            return false;
        if (run.run == -1) // an EOL before anything of the strip is its start marker
            return !c.anythingDecoded || EndGroup3Row(c);
        c.anythingDecoded = c.anythingDecoded || run.used > 0;
        PaintRun(c, run.run);
        return c.a0 < width_ || EndFullGroup3Row(c);
    }

    // The row is full. An EOL right after it ends the row when it is read next; otherwise the row
    // ends here. False when the strip is finished.
    [[gnu::always_inline]] bool EndFullGroup3Row(Cursor& c) {
        return c.reader.ZerosAhead(kEolZeros) || EndGroup3Row(c);
    }

    [[gnu::always_inline]] bool EndGroup3Row(Cursor& c) {
        NextRow(c);
        c.anythingDecoded = true;
        c.a0 = 0;
        c.colour = kWhite;
        return c.row < rowLimit_;
    }

    // --- Group 4 ---

    // One coding step recorded; false when the strip is finished.
    [[gnu::always_inline]] bool Group4Step(Cursor& c) {
        int32_t run = 0;
        if (!DecodeStep(c, run))
            return false;
        if (c.horizontalPending && ++c.horizontalRuns % 2 == 0) {
            c.horizontalPending = false;
            c.horizontalRuns = 0;
        }
        AddRun(c, run);
        if (c.a0 >= width_ && !c.horizontalPending) {
            // The row is full. An EOL after it is skipped without ending the row again.
            if (c.reader.ZerosAhead(kEolZeros)) {
                Tell({.kind = c.reader.Peek(kEolLength) == 1 ? TracedCode::Kind::EndOfLine
                                                             : TracedCode::Kind::Skipped,
                      .bit = c.reader.Position(),
                      .length = kEolLength});
                c.reader.Skip(kEolLength);
            } else {
                EndGroup4Row(c);
            }
        }
        return c.row < rowLimit_;
    }

    [[gnu::always_inline]] void EndGroup4Row(Cursor& c) {
        PaintCodingLine(c);
        NextRow(c);
        c.a0 = 0;
        c.horizontalPending = false;
        c.horizontalRuns = 0;
        c.colour = kWhite;
        c.walk = {};
        NextReference(c);
    }

    // --- the common course of Group 4 ---
    //
    // Nearly every coding step of a sound page takes the common course: a0 lies on the row and
    // the coding line ends at it, no second horizontal run is due, the walk stays within the
    // sealed reference line, the step's runs are of zero pixels or more and the data goes on well
    // past it. Such steps are taken here with the row's state in locals, and give what
    // Group4Step gives. Any other step is left, from the same state, to Group4Step.

    // The row's state while it takes the common course.
    struct CommonRow {
        int32_t a0 = 0;
        Colour colour = kWhite;
        codec::ReferenceWalk walk{};
        int32_t* out = nullptr;      // where the next element of the coding line goes
        int32_t* outLimit = nullptr; // the end of the room for it
    };

    // Where a row may take the common course; its reference line is counted in 32-bit numbers
    // there.
    [[gnu::always_inline]] bool OnCommonCourse(const Cursor& c) const {
        return !c.horizontalPending && c.a0 >= 0 && c.a0 < width_ && c.codingEnd == c.a0 &&
               reference_.Count() < std::size_t{kInt32Max} - 2;
    }

    [[gnu::always_inline]] CommonRow LoadCommonRow(Cursor& c) {
        codingLine_.Reserve(kStepRoom);
        int32_t* const out = codingLine_.WriteAt();
        return {.a0 = static_cast<int32_t>(c.a0),
                .colour = c.colour,
                .walk = c.walk,
                .out = out,
                .outLimit = out + codingLine_.Room()};
    }

    [[gnu::always_inline]] void StoreCommonRow(Cursor& c, const CommonRow& row) {
        c.a0 = row.a0;
        c.codingEnd = row.a0;
        c.colour = row.colour;
        c.walk = row.walk;
        codingLine_.CommitUpTo(row.out);
    }

    // Room for what a step may write (kStepRoom).
    [[gnu::always_inline]] void MakeRoom(CommonRow& row) {
        if (row.outLimit - row.out >= kStepRoom)
            return;
        codingLine_.CommitUpTo(row.out);
        codingLine_.Reserve(kStepRoom);
        row.out = codingLine_.WriteAt();
        row.outLimit = row.out + codingLine_.Room();
    }

    // FindB1B2 on the sealed reference line for a < width and a walk at most one element past
    // its last: the two zeros before the line and the two largest 32-bit numbers after it end every
    // search.
    [[gnu::always_inline]] static void FindCommonB1B2(int32_t a, const int32_t* reference,
                                                      int32_t last, Colour colour,
                                                      codec::ReferenceWalk& walk, int32_t& b1,
                                                      int32_t& b2) {
        const int32_t parity = colour != kWhite ? 1 : 0;
        int32_t i = std::max(walk.next, parity - 2);
        i += (i & 1) ^ parity;
        if (walk.runDecoded)
            while (reference[i] <= a)
                i += 2;
        walk.next = i;
        if (i > last) {
            b1 = reference[last];
            b2 = SaturateToInt32(int64_t{b1} + 1);
            return;
        }
        b1 = reference[i];
        b2 = i < last ? reference[i + 1] : 0;
        if (b2 < b1)
            b2 = reference[last];
    }

    // One run of one-dimensional code with every word in the data; false when a word is missing.
    // The run tables know no word of eleven zeros, so an EOL fails here as DecodeRun fails on it.
    [[gnu::always_inline]] bool DecodeCommonRun(BitReader& reader, Colour colour, int32_t& run) {
        const codec::RunLookup& lookup = runLookups_[static_cast<std::size_t>(colour)];
        int64_t total = 0;
        for (;;) {
            const codec::RunCode& code = lookup[reader.Peek(codec::kRunLookupBits)];
            if (!code.Known() || code.length > reader.Available())
                return false;
            // The peek buffered the word's bits, or all that are left.
            reader.SkipBuffered(code.length);
            total += code.run;
            if (code.Terminating()) {
                run = SaturateToInt32(total);
                return true;
            }
        }
    }

    // A run of a0's colour from a0 to `to`, then the colour changes.
    [[gnu::always_inline]] void AddCommonRun(CommonRow& row, int32_t to) {
        *row.out++ = to;
        row.a0 = to;
        row.colour = OppositeColour(row.colour);
    }

    enum class CommonStep {
        Taken,     // the step is in the row
        FirstHalf, // the first run of a horizontal mode is in the row, the second one is due
        NotCommon, // nothing was read; the step needs the general rules
    };

    // One coding step on the common course; `stopAt` is where the data stops being far enough
    // from its end or the next offer of the work check is due.
    [[gnu::always_inline]] CommonStep TakeCommonStep(BitReader& reader, CommonRow& row,
                                                     const int32_t* reference, int32_t last,
                                                     int64_t stopAt) {
        const int64_t start = reader.Position();
        codec::ReferenceWalk walk = row.walk;
        int32_t a = row.a0; // passes move it on
        // Passes may take the step on towards the end of the data: each mode code is checked.
        while (walk.next <= last + 1 && reader.Position() < stopAt) {
            const uint32_t code = reader.Peek(codec::kModeLookupBits);
            const codec::ModeCode mode =
                code >= 0x40 ? codec::ModeCode{codec::Mode::Vertical, 0, 1} : modes_[code];
            if (mode.mode == codec::Mode::None)
                break;
            reader.Skip(mode.length);
            if (mode.mode == codec::Mode::Horizontal)
                return TakeCommonHorizontal(reader, row, walk, a, start, stopAt);
            int32_t b1 = 0;
            int32_t b2 = 0;
            FindCommonB1B2(a, reference, last, row.colour, walk, b1, b2);
            if (mode.mode == codec::Mode::Vertical) {
                const int64_t a1 = int64_t{b1} + mode.delta;
                if (a1 < row.a0 || a1 > kInt32Max)
                    break;
                walk.next += mode.delta < 0 ? -1 : 1;
                walk.runDecoded = true;
                row.walk = walk;
                AddCommonRun(row, static_cast<int32_t>(a1));
                return CommonStep::Taken;
            }
            walk.next += 2;
            a = b2;
            if (a >= width_) { // a pass to the end of the row completes it, there
                row.walk = walk;
                AddCommonRun(row, width_);
                return CommonStep::Taken;
            }
        }
        reader.Seek(start);
        return CommonStep::NotCommon;
    }

    // Vertical modes one after another, each as TakeCommonStep takes it, for as long as the row
    // has a run, b1 lies within the reference line and a1 on the row. The walk stands on the
    // element of a0's colour where the search for b1 starts; a vertical mode moves it one on (or
    // back), which keeps its colour right, so in the usual case b1 is that element or the next
    // of its colour. Up to four codes are taken at a time, without a branch on which they are,
    // where the data goes on past them (TakeVerticalModes); a code that does not take that course
    // is taken by itself. Stops, with nothing of it read, at the first step that is not such a
    // mode.
    [[gnu::always_inline]] void TakeVerticalSteps(BitReader& reader, CommonRow& row,
                                                  const int32_t* reference, int32_t last,
                                                  int64_t stopAt, int32_t width) {
        // A walk more than one past the line's last element has nothing to search.
        if (!row.walk.runDecoded || row.walk.next > last + 1)
            return;
        const codec::ModeCode* const codes = modes_.data();
        const codec::VerticalModes* const severalCodes = verticalModes_.data();
        // Every code of a lookup begins before stopAt when the lookup begins before this, and the
        // reader may refill there without a branch.
        const int64_t severalStop =
            std::min(stopAt - codec::kVerticalModesBits, reader.RefillStop());
        const int32_t parity = static_cast<int32_t>(row.colour);
        // The walk's element has a0's colour, and with it the colour changes: a0's colour is the
        // parity of `next` throughout.
        int32_t next = std::max(row.walk.next, parity - 2);
        next += (next & 1) ^ parity;
        int32_t a0 = row.a0;
        int32_t* out = row.out;
        const int32_t* const outLast = row.outLimit - kStepRoom; // the room for a step ends here
        while (a0 < width && out <= outLast) {
            const int64_t position = reader.Position();
            if (position < severalStop) {
                // A step reads at most a lookup of modes, or a mode code and the runs after it,
                // all within the 56 bits this leaves.
                reader.RefillInside();
                const codec::VerticalModes& modes =
                    severalCodes[reader.Peek(codec::kVerticalModesBits)];
                if (modes.count == 0) {
                    // Passes and horizontal modes come among vertical ones, and are taken among
                    // them.
                    if (TakePassThenVertical(reader, reference, last, width, next, a0, out))
                        continue;
                    constexpr codec::CodeBits kCode = codec::kHorizontalModeCode;
                    if (!TakeBothRunsAtOnce(reader, static_cast<Colour>(next & 1), kCode.length,
                                            kCode.bits, a0, out))
                        break;
                    // The walk goes on to b1 of the next step: no element it passes can serve as
                    // b1 again, for a0 never moves back. The sealing elements, the largest 32-bit
                    // numbers, end the search for an a0 before the width.
                    while (a0 < width && reference[next] <= a0)
                        next += 2;
                    continue;
                }
                // Four V0 codes begin a run of them that may go on: taken eight at a time.
                if (modes.end[codec::kMostVerticalModes - 1] == codec::kMostVerticalModes &&
                    next <= last && reference[next] > a0) {
                    TakeVerticalZeros(reader, reference, last, stopAt, width, next, a0, out, row);
                    continue;
                }
                const int taken =
                    TakeVerticalModes(reference + next, a0, width, last + 1 - next, modes, out);
                if (taken > 0) {
                    out += taken;
                    next += taken;
                    a0 = out[-1];
                    reader.SkipBuffered(modes.end[taken - 1]);
                    continue;
                }
            }
            if (position >= stopAt)
                break;
            const codec::ModeCode code = codes[reader.Peek(codec::kModeLookupBits)];
            if (code.mode != codec::Mode::Vertical)
                break;
            // The walk's element is b1 unless a0 has passed it, which the step before made rare.
            int32_t i = next;
            if (reference[i] <= a0) {
                do
                    i += 2;
                while (reference[i] <= a0);
            }
            if (i > last)
                break;
            const int64_t a1 = int64_t{reference[i]} + code.delta;
            if (a1 < a0 || a1 > kInt32Max)
                break;
            reader.SkipBuffered(code.length);
            // The next b1 is the element before b1 when a mode left of b1 went back past it (by
            // more than the run before it), else the one after. A branch, not a choice by
            // arithmetic: it is seldom taken, and the next step's reads need not wait for a1. Only
            // a mode left of b1 looks back: on a damaged reference line whose elements decrease,
            // the element before b1 may lie right of any a1.
            next = i + 1;
            if (__builtin_expect((reference[i - 1] > a1) & (code.delta < 0), 0))
                next = i - 1;
            *out++ = static_cast<int32_t>(a1);
            a0 = static_cast<int32_t>(a1);
        }
        if (out != row.out) { // each step adds one element
            row.walk.next = next;
            row.a0 = a0;
            row.colour = static_cast<Colour>(next & 1);
            row.out = out;
        }
    }

    // A pass and the vertical mode after it, as TakeCommonStep takes them, where the pass's b1
    // and b2 lie on the line, in order and before the width, and the mode's b1 lies on the line and
    // its a1 not left of a0: true with both read, a1 written and a0 moved to it; false, with
    // nothing read, for anything else. The walk `next` stands as TakeVerticalSteps keeps it, and
    // both codes are buffered.
    [[gnu::always_inline]] bool TakePassThenVertical(BitReader& reader, const int32_t* reference,
                                                     int32_t last, int32_t width, int32_t& next,
                                                     int32_t& a0, int32_t*& out) {
        constexpr codec::CodeBits kPass = codec::kPassModeCode;
        const uint32_t bits = reader.PeekBuffered(kPass.length + codec::kModeLookupBits);
        if ((bits >> codec::kModeLookupBits) != kPass.bits)
            return false;
        int32_t i = next; // b1 of the pass: the sealing elements end the search
        while (reference[i] <= a0)
            i += 2;
        if (i >= last || reference[i + 1] < reference[i] || reference[i + 1] >= width)
            return false;
        const int32_t passedTo = reference[i + 1]; // b2
        const codec::ModeCode mode = modes_[bits & ((1U << codec::kModeLookupBits) - 1)];
        if (mode.mode != codec::Mode::Vertical)
            return false;
        int32_t k = i + 2; // b1 of the vertical mode, of the same colour as the pass's
        while (reference[k] <= passedTo)
            k += 2;
        if (k > last)
            return false;
        const int64_t a1 = int64_t{reference[k]} + mode.delta;
        if (a1 < a0 || a1 > kInt32Max)
            return false;
        reader.SkipBuffered(kPass.length + mode.length);
        next = k + (mode.delta < 0 ? -1 : 1);
        *out++ = static_cast<int32_t>(a1);
        a0 = static_cast<int32_t>(a1);
        return true;
    }

    // Both runs of a horizontal mode from a0, of a0's colour, where they and the `codeBits` before
    // them lie in one lookup of the run steps, as most do, and those bits are `code`: true with
    // all of it read and both ends written, a0 moved to the second; false, with nothing read, for
    // anything else. Two runs leave the colour as it was.
    [[gnu::always_inline]] bool TakeBothRunsAtOnce(BitReader& reader, Colour colour, int codeBits,
                                                   uint32_t code, int32_t& a0, int32_t*& out) {
        const uint32_t bits = reader.Peek(codeBits + codec::kRunStepBits);
        const codec::RunStep both =
            runSteps_[static_cast<std::size_t>(colour)][bits & ((1U << codec::kRunStepBits) - 1)];
        if ((bits >> codec::kRunStepBits) != code || both.ended != 2 ||
            codeBits + static_cast<int64_t>(both.length) > reader.Available() ||
            a0 > kInt32Max - static_cast<int32_t>(codec::kRunStepMostPixels))
            return false;
        reader.SkipBuffered(codeBits + static_cast<int>(both.length));
        out[0] = a0 + static_cast<int32_t>(both.first);
        out[1] = a0 + static_cast<int32_t>(both.second);
        out += 2;
        a0 = out[-1];
        return true;
    }

    // A V0 code and those right after it, one "1" bit each: each a1 is b1, the element the walk
    // stands on, and the walk moves one on. While the elements increase, the next b1 is the next
    // element, so the run of codes copies elements of the reference line as they stand, without
    // a search. It stops after the step that fills the row, and before a step that would begin at
    // or past stopAt, find no room, leave the line or need the walk to search. Elements are
    // looked at and copied eight at a time, without a branch for each: the copy may write past
    // the steps taken, within the room (at least kStepRoom), where nothing of the line is yet.
    [[gnu::always_inline]] void TakeVerticalZeros(BitReader& reader, const int32_t* reference,
                                                  int32_t last, int64_t stopAt, int32_t width,
                                                  int32_t& i, int32_t& a0, int32_t*& out,
                                                  const CommonRow& row) {
        const int64_t limit =
            std::min<int64_t>({reader.OnesAhead(stopAt - reader.Position()),
                               row.outLimit - out - (kStepRoom - 1), int64_t{last} + 1 - i});
        const int32_t* const run = reference + i;
        int64_t steps = 0;
        for (;;) {
            // The first element of the eight is taken; each after it while those before rise.
            const int rising = std::countr_one(codec::RisingBeforeWidth(run + steps, width));
            std::memcpy(out + steps, run + steps, 8 * sizeof(int32_t));
            steps += std::min(rising + 1, 8);
            if (rising < 8 || steps >= limit)
                break;
        }
        steps = std::min(steps, limit);
        a0 = run[steps - 1];
        out += steps;
        i += static_cast<int32_t>(steps);
        reader.SkipBuffered(static_cast<int>(steps));
    }

    // The two runs of a horizontal mode whose code has been read; passes before it took a0 to a.
    [[gnu::always_inline]] CommonStep TakeCommonHorizontal(BitReader& reader, CommonRow& row,
                                                           codec::ReferenceWalk walk, int32_t a,
                                                           int64_t start, int64_t stopAt) {
        int32_t a0 = a;
        if (a >= row.a0 && TakeBothRunsAtOnce(reader, row.colour, 0, 0, a0, row.out)) {
            walk.runDecoded = true;
            row.walk = walk;
            row.a0 = a0;
            return CommonStep::Taken;
        }
        int32_t run = 0;
        if (!DecodeCommonRun(reader, row.colour, run) || int64_t{a} + run < row.a0 ||
            int64_t{a} + run > kInt32Max) {
            reader.Seek(start);
            return CommonStep::NotCommon;
        }
        walk.runDecoded = true;
        row.walk = walk;
        AddCommonRun(row, a + run);
        const int64_t second = reader.Position();
        if (second < stopAt && DecodeCommonRun(reader, row.colour, run) &&
            int64_t{row.a0} + run <= kInt32Max) {
            AddCommonRun(row, row.a0 + run);
            return CommonStep::Taken;
        }
        reader.Seek(second);
        return CommonStep::FirstHalf;
    }

    // Common steps of one row until it is full or a step is not common. The reader and the row
    // are worked on as locals, which nothing else can reach, so that they stay in registers.
    CommonStep TakeCommonRowSteps(BitReader& sharedReader, CommonRow& sharedRow,
                                  const int32_t* reference, int32_t last, int64_t stopAt) {
        BitReader reader = sharedReader;
        CommonRow row = sharedRow;
        const int32_t width = width_;
        CommonStep step = CommonStep::Taken;
        while (row.a0 < width && reader.Position() < stopAt) {
            MakeRoom(row);
            TakeVerticalSteps(reader, row, reference, last, stopAt, width);
            if (row.a0 >= width || reader.Position() >= stopAt)
                break;
            MakeRoom(row);
            step = TakeCommonStep(reader, row, reference, last, stopAt);
            if (step != CommonStep::Taken)
                break;
        }
        sharedReader = reader;
        sharedRow = row;
        return step;
    }

    // Common steps until one is not; false when the row limit has been reached. Where a row
    // fills, it ends as Group4Step ends it. Kept out of the strip's loop: the common course keeps
    // its own locals in registers, which the general steps around it would crowd.
    [[gnu::noinline]] bool TakeCommonGroup4Steps(Cursor& c) {
        BitReader& reader = c.reader;
        const int64_t stopAt = std::min(reader.LastOne() - kCommonMargin, c.nextCheck);
        // A trace takes the general steps from the first row it tells.
        while (OnCommonCourse(c) && !(kTraces && telling_)) {
            const int32_t* const reference = reference_.Begin();
            const auto last = static_cast<int32_t>(reference_.Count()) - 1;
            CommonRow row = LoadCommonRow(c);
            const CommonStep step = TakeCommonRowSteps(reader, row, reference, last, stopAt);
            StoreCommonRow(c, row);
            if (step == CommonStep::FirstHalf) {
                c.horizontalPending = true;
                c.horizontalRuns = 1;
                return true;
            }
            if (c.a0 < width_)
                return true;
            // The row is full. An EOL after it is skipped without ending the row again.
            if (c.reader.ZerosAhead(kEolZeros)) {
                c.reader.Skip(kEolLength);
                return true;
            }
            EndGroup4Row(c);
            if (c.row >= rowLimit_)
                return false;
        }
        return true;
    }

    // --- lines of Group 3 two-dimensional and Huffman RLE ---

    [[gnu::always_inline]] static bool AtEol(Cursor& c) { return c.reader.ZerosAhead(kEolZeros); }

    // The bit after an EOL: 1 for a one-dimensional line, 0 for a two-dimensional one.
    [[gnu::always_inline]] bool TakeTagBit(Cursor& c, bool& oneDimensional) {
        if (!DataLeft(c))
            return false;
        oneDimensional = c.reader.Peek(1) == 1;
        Tell({.kind = TracedCode::Kind::TagBit,
              .run = oneDimensional ? 1 : 0,
              .bit = c.reader.Position(),
              .length = 1});
        c.reader.Skip(1);
        return true;
    }

    // Runs of alternating colour, white first, until the width is reached.
    // Without kRecordsChanges the line's changing elements are not kept: no line refers to it.
    template <bool kRecordsChanges = true>
    [[gnu::always_inline]] LineEnd DecodeLine1D(Cursor& c) {
        StartLine(c);
        bool previousUsedNothing = false;
        while (c.a0 < width_) {
            OfferCheck(c);
            if (TakeCommonRuns<kRecordsChanges>(c)) {
                previousUsedNothing = false;
                continue;
            }
            const RunResult run = DecodeRun(c, c.colour);
            if (run.used == 0 && previousUsedNothing)
                return LineEnd::Stuck;
            previousUsedNothing = run.used == 0;
            if (run.run == -1)
                return LineEnd::EolConsumed;
            if constexpr (kRecordsChanges)
                AddRun(c, run.run);
            else
                PaintRun(c, run.run);
        }
        return LineEnd::Complete;
    }

    // Coding steps against the line above until the width is reached and no second horizontal
    // run is due. An EOL where a step should be ends the line early.
    [[gnu::always_inline]] LineEnd DecodeLine2D(Cursor& c) {
        StartLine(c);
        int32_t horizontalRuns = 0;
        while (c.a0 < width_ || c.horizontalPending) {
            TakeCommonLineSteps(c, horizontalRuns);
            if (c.a0 >= width_ && !c.horizontalPending)
                break;
            OfferCheck(c);
            int32_t run = 0;
            if (!DecodeStep(c, run))
                return AtEol(c) ? LineEnd::Complete : LineEnd::Stuck;
            if (c.horizontalPending && ++horizontalRuns % 2 == 0)
                c.horizontalPending = false;
            AddRun(c, run);
        }
        return LineEnd::Complete;
    }

    // Common steps of a two-dimensional line, as the common course of Group 4 takes them, until
    // one is not common or the line is full; DecodeLine2D takes the rest by the general rules.
    // horizontalRuns counts the runs of horizontal modes as DecodeLine2D counts them.
    [[gnu::noinline]] void TakeCommonLineSteps(Cursor& c, int32_t& horizontalRuns) {
        if ((kTraces && telling_) || !OnCommonCourse(c))
            return;
        const int64_t stopAt = std::min(c.reader.LastOne() - kCommonMargin, c.nextCheck);
        const auto last = static_cast<int32_t>(reference_.Count()) - 1;
        CommonRow row = LoadCommonRow(c);
        const CommonStep step = TakeCommonRowSteps(c.reader, row, reference_.Begin(), last, stopAt);
        StoreCommonRow(c, row);
        if (step == CommonStep::FirstHalf) {
            c.horizontalPending = true;
            ++horizontalRuns;
        }
    }

    [[gnu::always_inline]] void EndLine(Cursor& c) {
        PaintCodingLine(c);
        NextRow(c);
        NextReference(c);
    }

    // --- telling a listener ---

    // Codes are kept until their row ends or decoding stops, for a step that fails takes back
    // the codes it read.
    [[gnu::always_inline]] void Tell(const TracedCode& code) {
        if constexpr (kTraces)
            if (telling_)
                toldCodes_.push_back(code);
    }

    [[gnu::always_inline]] void TellMode(const Cursor& c, const codec::ModeCode& mode) {
        if constexpr (kTraces) {
            if (!telling_)
                return;
            TracedCode code{.bit = c.reader.Position(), .length = mode.length};
            code.kind = mode.mode == codec::Mode::Pass         ? TracedCode::Kind::Pass
                        : mode.mode == codec::Mode::Horizontal ? TracedCode::Kind::Horizontal
                                                               : TracedCode::Kind::Vertical;
            code.delta = mode.delta;
            toldCodes_.push_back(code);
        }
    }

    [[gnu::always_inline]] void TakeBackCodes(std::size_t told) {
        if constexpr (kTraces)
            toldCodes_.resize(told);
    }

    void HandOnCodes(const Cursor& c) {
        for (const TracedCode& code : toldCodes_)
            listener_->Code(c.row + firstRow_, code);
        toldCodes_.clear();
    }

    // Decoding has stopped: the codes read go on, and where it stopped short of the strip's
    // rows, what it looked for there.
    void TellStop(const Cursor& c, Expected expected, bool tagBits = false) {
        if constexpr (kTraces) {
            HandOnCodes(c);
            const int64_t unexplained =
                FirstUnexplainedBit(data_, lowBitFirst_, c.reader.Position(), tagBits);
            if (c.row < rowLimit_ && unexplained >= 0)
                listener_->Stopped(c.row + firstRow_, c.reader.Position(), unexplained, expected);
        }
    }

    // What a 1-D line or a 2-D step looks for at the position.
    static Expected RunOf(Colour colour) {
        return colour == kWhite ? Expected::WhiteRun : Expected::BlackRun;
    }
    static Expected StepOf(const Cursor& c) {
        return c.horizontalPending ? RunOf(c.colour) : Expected::ModeCode;
    }

    RowSink* sink_; // null: rows are only read
    const std::span<const uint8_t> data_;
    const bool lowBitFirst_;
    const codec::RunLookups& runLookups_ = codec::RunLookupsByColour();
    const codec::RunStepLookup& runSteps_ = codec::RunSteps();
    const codec::VerticalModesLookup& verticalModes_ = codec::VerticalModesTable();
    const std::array<codec::ModeCode, std::size_t{1} << codec::kModeLookupBits>& modes_ =
        codec::ModeLookup();
    const int32_t width_;
    const int32_t rowLimit_;
    const int64_t firstRow_;
    const WorkCheck& check_;
    FaxTraceListener* const listener_; // with kTraces
    const int64_t tellFrom_;           // the first row whose codes are told
    bool telling_ = false;
    std::vector<TracedCode> toldCodes_;

    ChangeLine reference_;
    ChangeLine codingLine_;
    std::vector<uint64_t>
        marks_; // PaintChanges' marks: a word for every 64 pixels of the sink and one more
    int64_t stopBit_ = 0;
    bool denseRuns_ = true; // whether the last common runs were many for their length
};

template <bool kDelivers, bool kTraces>
int64_t FaxDecoder<kDelivers, kTraces>::RunGroup3() {
    Cursor c = Start();
    while (DataLeft(c)) {
        OfferCheck(c);
        if (TakeCommonRuns<false>(c)) {
            c.previousUsedNothing = false;
            c.anythingDecoded = true;
            if (c.a0 >= width_ && !EndFullGroup3Row(c))
                break;
            continue;
        }
        if (!Group3Run(c))
            break;
    }
    if constexpr (kDelivers)
        c.painter.Finish();
    TellStop(c, Expected::EitherRun);
    stopBit_ = c.reader.Position();
    return c.row + (c.a0 > 0 ? 1 : 0);
}

template <bool kDelivers, bool kTraces>
int64_t FaxDecoder<kDelivers, kTraces>::RunGroup4() {
    Cursor c = Start();
    while (DataLeft(c)) {
        OfferCheck(c);
        if (!Group4Step(c) || !TakeCommonGroup4Steps(c))
            break;
    }
    // A row cut short keeps the runs it has.
    PaintCodingLine(c);
    if constexpr (kDelivers)
        c.painter.Finish();
    TellStop(c, StepOf(c));
    stopBit_ = c.reader.Position();
    return c.row + (c.a0 != 0 ? 1 : 0);
}

template <bool kDelivers, bool kTraces>
int64_t FaxDecoder<kDelivers, kTraces>::RunGroup3TwoD() {
    Cursor c = Start();
    // Other writers start a strip with an EOL and a tag bit; without them the first line is
    // one-dimensional, as every first line must be.
    bool oneDimensional = true;
    if (AtEol(c)) {
        DecodeRun(c, kWhite);
        if (!TakeTagBit(c, oneDimensional)) {
            TellStop(c, Expected::EndOfLine, true);
            stopBit_ = c.reader.Position();
            return c.row;
        }
    }
    while (c.row < rowLimit_ && DataLeft(c)) {
        const LineEnd end = oneDimensional ? DecodeLine1D(c) : DecodeLine2D(c);
        EndLine(c);
        if (end == LineEnd::Stuck)
            break;
        if (end == LineEnd::Complete) {
            if (!AtEol(c)) {
                oneDimensional = true; // no EOL: nothing says otherwise
                continue;
            }
            DecodeRun(c, kWhite);
        }
        if (!TakeTagBit(c, oneDimensional))
            break;
    }
    TellStop(c, oneDimensional ? Expected::EitherRun : StepOf(c), true);
    stopBit_ = c.reader.Position();
    return c.row;
}

template <bool kDelivers, bool kTraces>
int64_t FaxDecoder<kDelivers, kTraces>::RunHuffmanRle() {
    Cursor c = Start();
    while (c.row < rowLimit_ && DataLeft(c)) {
        const LineEnd end = DecodeLine1D<false>(c);
        NextRow(c);
        if (end == LineEnd::Stuck)
            break;
        c.reader.Skip((8 - c.reader.Position() % 8) % 8); // each line begins on a byte
    }
    TellStop(c, Expected::EitherRun);
    stopBit_ = c.reader.Position();
    return c.row;
}

template <bool kDelivers, bool kTraces>
int64_t RunCoding(FaxDecoder<kDelivers, kTraces>& decoder, FaxCoding coding) {
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

// The first 1 bit from `from` on that a sound strip does not end with: it may end with fill zeros
// and EOLs (at least eleven zeros and a 1; the end-of-block and the return-to-control are EOLs
// too), each followed by a tag bit in two-dimensional Group 3. -1 when there is none.
int64_t FirstUnexplainedBit(std::span<const uint8_t> data, bool lowBitFirst, int64_t from,
                            bool tagBits) {
    BitReader reader(data, lowBitFirst);
    reader.Seek(from);
    for (;;) {
        const int64_t one = reader.NextOne();
        if (one < 0)
            return -1;
        if (one - reader.Position() < kEolZeros)
            return one;
        reader.Seek(one + 1 + (tagBits ? 1 : 0));
        if (reader.Position() >= reader.Length())
            return -1;
    }
}

// Decodes the strip with a decoder that hands on rows or one that only reads. Everything the
// decoding calls is inlined here, where the decoder is a local, so that its members stay in
// registers instead of being read through a pointer after every store; with both decoders in this
// file the compiler would otherwise stop inlining early.
template <bool kDelivers, bool kTraces = false>
[[gnu::flatten]] int64_t Decode(FaxCoding coding, RowSink* sink, std::span<const uint8_t> data,
                                bool lowBitFirst, int32_t width, int32_t rowLimit, int64_t firstRow,
                                const WorkCheck& check, FaxStripEnd* end,
                                FaxTraceListener* listener = nullptr) {
    FaxDecoder<kDelivers, kTraces> decoder(sink, data, lowBitFirst, width, rowLimit, firstRow,
                                           check, listener);
    const int64_t rows = RunCoding(decoder, coding);
    if (end != nullptr) {
        end->stopBit = decoder.StopBit();
        end->firstUnexplainedBit = FirstUnexplainedBit(data, lowBitFirst, decoder.StopBit(),
                                                       coding == FaxCoding::Group3TwoD);
    }
    return rows;
}

} // namespace

int64_t DecodeFaxStrip(FaxCoding coding, RowSink* sink, std::span<const uint8_t> data,
                       bool lowBitFirst, int32_t width, int32_t rowLimit, int64_t firstRow,
                       const WorkCheck& check, FaxStripEnd* end) {
    return sink != nullptr ? Decode<true>(coding, sink, data, lowBitFirst, width, rowLimit,
                                          firstRow, check, end)
                           : Decode<false>(coding, sink, data, lowBitFirst, width, rowLimit,
                                           firstRow, check, end);
}

int64_t TraceFaxStrip(FaxCoding coding, std::span<const uint8_t> data, bool lowBitFirst,
                      int32_t width, int32_t rowLimit, int64_t firstRow, FaxTraceListener& listener,
                      const WorkCheck& check, FaxStripEnd* end) {
    return Decode<false, true>(coding, nullptr, data, lowBitFirst, width, rowLimit, firstRow, check,
                               end, &listener);
}

} // namespace faxlens::codec
