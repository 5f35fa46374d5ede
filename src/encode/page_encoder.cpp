#include "encode/page_encoder.h"

#include "base/output_file.h"
#include "codec/bit_writer.h"
#include "codec/fax_coding.h"
#include "tiff/tiff_writer.h"

extern "C" {
#include <jbig85.h>
}

#include <algorithm>
#include <vector>

namespace faxlens::encode {

namespace {

using HeaderWriter = int32_t (*)(OutputFile&, int32_t, int32_t, int32_t, int32_t, int32_t);

// Bytes of the strip gathered before they are written: one write a block, not one a row.
constexpr std::size_t kWriteBlock = std::size_t{1} << 20;

// Codes rows into the strip and hands its whole bytes on a block at a time.
class StripWriter {
public:
    explicit StripWriter(const StripBlockSink& sink) : sink_(sink) {}

    codec::BitWriter& Bits() { return bits_; }

    // Hands on the whole bytes coded so far once they make a block; Finish hands on the rest.
    void RowDone() {
        if (bits_.ByteCountAbout() >= kWriteBlock)
            HandOn();
    }
    // Pads the last byte with zeros and hands everything on. Returns the strip's bytes.
    int64_t Finish() {
        bits_.PutZeros((8 - bits_.BitCount() % 8) % 8);
        HandOn();
        return byteCount_;
    }

private:
    void HandOn() {
        const std::span<const uint8_t> bytes = bits_.Bytes();
        if (!bytes.empty())
            sink_(bytes);
        byteCount_ += static_cast<int64_t>(bytes.size());
        bits_.TakeBytes();
    }

    const StripBlockSink& sink_;
    codec::BitWriter bits_;
    int64_t byteCount_ = 0;
};

// Group 3: the runs of each row, then fill bits and an EOL, so every row ends on a byte.
void CodeRowG3(const codec::ChangeList& changes, codec::BitWriter& bits) {
    static const codec::CodeBitsTable& white = codec::CodeBitsFor(codec::kWhite);
    static const codec::CodeBitsTable& black = codec::CodeBitsFor(codec::kBlack);
    int32_t column = 0;
    std::size_t k = 0;
    // A white run and a black run of fewer than 64 pixels each are two terminating words, put
    // as one: most of a page of text.
    for (; k + 1 < changes.size(); k += 2) {
        const int32_t whiteRun = changes[k] - column;
        const int32_t blackRun = changes[k + 1] - changes[k];
        if (static_cast<uint32_t>(whiteRun) <= codec::kLastTerminatingIndex &&
            static_cast<uint32_t>(blackRun) <= codec::kLastTerminatingIndex) {
            const codec::CodeBits& w = white[static_cast<std::size_t>(whiteRun)];
            const codec::CodeBits& b = black[static_cast<std::size_t>(blackRun)];
            bits.Put(uint32_t{w.bits} << b.length | b.bits, w.length + b.length);
        } else {
            codec::PutRun(bits, whiteRun, white);
            codec::PutRun(bits, blackRun, black);
        }
        column = changes[k + 1];
    }
    if (k < changes.size())
        codec::PutRun(bits, changes[k] - column, white);
    codec::PutEndOfLine(bits);
}

// T.85 as fax stacks code it: typical prediction on, stripes of 128 rows, the adaptive
// template free to move 8 pixels (jbigkit's choice).
constexpr int kT85Options = JBG_TPBON;
constexpr unsigned long kT85StripeRows = 128;
constexpr int kT85TemplateReach = 8;

// Gathers jbigkit's bytes and hands them on a block at a time.
class ByteGatherer {
public:
    explicit ByteGatherer(const StripBlockSink& sink) : sink_(sink) {}

    static void Take(unsigned char* start, std::size_t length, void* gatherer) {
        auto& self = *static_cast<ByteGatherer*>(gatherer);
        self.bytes_.insert(self.bytes_.end(), start, start + length);
        if (self.bytes_.size() >= kWriteBlock)
            self.HandOn();
    }
    int64_t Finish() {
        HandOn();
        return byteCount_;
    }

private:
    void HandOn() {
        if (!bytes_.empty())
            sink_(bytes_);
        byteCount_ += static_cast<int64_t>(bytes_.size());
        bytes_.clear();
    }

    const StripBlockSink& sink_;
    std::vector<uint8_t> bytes_;
    int64_t byteCount_ = 0;
};

// Sets bits [from, to) of a row, the first pixel in the most significant bit.
void SetBits(uint8_t* row, int32_t from, int32_t to) {
    while (from < to && from % 8 != 0) {
        row[from / 8] |= static_cast<uint8_t>(0x80 >> (from % 8));
        ++from;
    }
    const int32_t wholeBytes = (to - from) / 8;
    if (wholeBytes > 0) {
        std::fill_n(row + from / 8, wholeBytes, uint8_t{0xFF});
        from += 8 * wholeBytes;
    }
    for (; from < to; ++from)
        row[from / 8] |= static_cast<uint8_t>(0x80 >> (from % 8));
}

// A row as plain bits, 1 for black: the black runs between the changing elements.
void PaintRowBits(const codec::ChangeList& changes, std::span<uint8_t> row) {
    std::fill(row.begin(), row.end(), uint8_t{0});
    for (std::size_t k = 0; k + 1 < changes.size(); k += 2)
        SetBits(row.data(), changes[k], changes[k + 1]);
}

void PatchByteCount(OutputFile& file, int32_t position, int64_t byteCount) {
    const auto count = static_cast<uint32_t>(byteCount);
    const uint8_t bytes[4] = {static_cast<uint8_t>(count >> 24), static_cast<uint8_t>(count >> 16),
                              static_cast<uint8_t>(count >> 8), static_cast<uint8_t>(count)};
    file.WriteAt(position, bytes);
}

using StripCoder = int64_t (*)(const RowSource&, int32_t, int32_t, const StripBlockSink&,
                               const WorkCheck&);

// A file gets its strip's byte count once the strip is written. A stream cannot go back that
// far, so there the strip is coded twice: once to count its bytes, once to write them.
Status SavePage(const RowSource& page, int32_t xResolution, int32_t yResolution,
                const std::string& fileName, int32_t width, int32_t height,
                HeaderWriter writeHeader, StripCoder codeStrip, const WorkCheck& check) {
    width = width < 1 ? page.Width() : width;
    height = height < 1 ? page.Height() : height;
    Result<OutputFile> created = OutputFile::Create(fileName);
    if (!created)
        return std::move(created).TakeFailure();
    OutputFile& file = *created;
    const bool countFirst = file.IsStream();
    const auto discard = [](std::span<const uint8_t>) {};
    const int64_t counted = countFirst ? codeStrip(page, width, height, discard, check) : 0;
    const int32_t byteCountPosition = writeHeader(file, width, height, xResolution, yResolution, 1);
    if (countFirst)
        PatchByteCount(file, byteCountPosition, counted);
    const int64_t written = codeStrip(
        page, width, height, [&file](std::span<const uint8_t> block) { file.Append(block); },
        check);
    if (!countFirst)
        PatchByteCount(file, byteCountPosition, written);
    return file.Finish();
}

} // namespace

int64_t CodeStripG3(const RowSource& page, int32_t width, int32_t height,
                    const StripBlockSink& sink, const WorkCheck& check) {
    width = width < 1 ? page.Width() : width;
    height = height < 1 ? page.Height() : height;
    StripWriter strip(sink);
    // An EOL before the first row too, as T.4 asks: readers that look for an EOL before every
    // row (libtiff among them) would otherwise take the end of row 0 for its start and lose it.
    codec::PutEndOfLine(strip.Bits());
    codec::ChangeList changes;
    for (int32_t y = 0; y < height; ++y) {
        page.RowChanges(y, width, changes);
        CodeRowG3(changes, strip.Bits());
        strip.RowDone();
        CheckWork(check);
    }
    return strip.Finish();
}

int64_t CodeStripG4(const RowSource& page, int32_t width, int32_t height,
                    const StripBlockSink& sink, const WorkCheck& check) {
    width = width < 1 ? page.Width() : width;
    height = height < 1 ? page.Height() : height;
    StripWriter strip(sink);
    codec::ChangeList reference = codec::WhiteRowChanges(width);
    codec::ChangeList coding;
    for (int32_t y = 0; y < height; ++y) {
        page.RowChanges(y, width, coding);
        codec::PutRow2D(strip.Bits(), reference, coding, width);
        strip.RowDone();
        reference.swap(coding);
        CheckWork(check);
    }
    codec::PutEndOfFacsimileBlock(strip.Bits());
    return strip.Finish();
}

int64_t CodeStripT85(const RowSource& page, int32_t width, int32_t height,
                     const StripBlockSink& sink, const WorkCheck& check) {
    width = width < 1 ? page.Width() : width;
    height = height < 1 ? page.Height() : height;
    ByteGatherer strip(sink);
    jbg85_enc_state state{};
    jbg85_enc_init(&state, static_cast<unsigned long>(width), static_cast<unsigned long>(height),
                   ByteGatherer::Take, &strip);
    jbg85_enc_options(&state, kT85Options, kT85StripeRows, kT85TemplateReach);
    // The coder reads the two rows above the one it codes: three rows, taken in turn.
    const std::size_t rowBytes = (static_cast<std::size_t>(width) + 7) / 8;
    std::vector<uint8_t> rows(3 * rowBytes);
    const auto row = [&rows, rowBytes](int32_t y) { return rows.data() + (y % 3) * rowBytes; };
    codec::ChangeList changes;
    for (int32_t y = 0; y < height; ++y) {
        page.RowChanges(y, width, changes);
        PaintRowBits(changes, std::span<uint8_t>(row(y), rowBytes));
        jbg85_enc_lineout(&state, row(y), y > 0 ? row(y - 1) : nullptr,
                          y > 1 ? row(y - 2) : nullptr);
        CheckWork(check);
    }
    return strip.Finish();
}

Status SavePageG3(const RowSource& page, int32_t xResolution, int32_t yResolution,
                  const std::string& fileName, int32_t width, int32_t height,
                  const WorkCheck& check) {
    return SavePage(page, xResolution, yResolution, fileName, width, height, tiff::WriteHeaderG3,
                    CodeStripG3, check);
}

Status SavePageG4(const RowSource& page, int32_t xResolution, int32_t yResolution,
                  const std::string& fileName, int32_t width, int32_t height,
                  const WorkCheck& check) {
    return SavePage(page, xResolution, yResolution, fileName, width, height, tiff::WriteHeaderG4,
                    CodeStripG4, check);
}

Status SavePageT85(const RowSource& page, int32_t xResolution, int32_t yResolution,
                   const std::string& fileName, int32_t width, int32_t height,
                   const WorkCheck& check) {
    return SavePage(page, xResolution, yResolution, fileName, width, height, tiff::WriteHeaderT85,
                    CodeStripT85, check);
}

} // namespace faxlens::encode
