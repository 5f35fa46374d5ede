#include "page/row_trace.h"

#include "base/json_text.h"
#include "tiff/tiff_facts.h"

#include <algorithm>

namespace faxlens::page {

namespace {

using codec::TracedCode;
using Kind = codec::TracedCode::Kind;

// How many bits past a stop the trace shows.
constexpr int64_t kBitsPastStop = 32;
constexpr int kEolLength = 12;

bool BetweenRows(const TracedCode& code) {
    return code.kind == Kind::EndOfLine || code.kind == Kind::TagBit || code.kind == Kind::Skipped;
}

// A letter or two and a number ("W12", "VR1"), put together by appending: GCC 12 warns of an
// overlap that cannot happen where a literal is added to a string.
std::string Named(const char* letters, int64_t number) {
    std::string name(letters);
    name += std::to_string(number);
    return name;
}

// One run from codes[k] on, its make-up words and the terminating word joined; k ends past its
// last word. A run whose terminating word never came is marked "+".
std::string TakeRun(std::span<const TracedCode> codes, std::size_t& k, bool lettered) {
    const codec::Colour colour = codes[k].colour;
    int64_t pixels = 0;
    bool complete = false;
    while (!complete && k < codes.size() && codes[k].kind == Kind::Run &&
           codes[k].colour == colour) {
        pixels += codes[k].run;
        complete = codes[k++].terminating;
    }
    std::string name =
        lettered ? Named(colour == codec::kWhite ? "W" : "B", pixels) : std::to_string(pixels);
    if (!complete)
        name += '+';
    return name;
}

std::string CodeName(const TracedCode& code) {
    switch (code.kind) {
    case Kind::Pass:
        return "P";
    case Kind::Horizontal:
        return "H";
    case Kind::Vertical:
        return code.delta == 0  ? "V0"
               : code.delta > 0 ? Named("VR", code.delta)
                                : Named("VL", -code.delta);
    case Kind::EndOfLine: // within a row: "EOL", or "fill3+EOL" after fill zeros
        return code.length > kEolLength ? Named("fill", code.length - kEolLength) + "+EOL"
                                        : std::string("EOL");
    case Kind::TagBit:
        return code.run == 1 ? "1-D" : "2-D";
    case Kind::Skipped:
        return "skip12";
    case Kind::Run:
        break;
    }
    return {};
}

// The codes of a row in the compact notation: the runs of one-dimensional rows as "W12 B3", a
// horizontal mode and its two runs as "H 12+340".
std::vector<std::string> CodeNames(std::span<const TracedCode> codes) {
    std::vector<std::string> names;
    for (std::size_t k = 0; k < codes.size();) {
        if (codes[k].kind == Kind::Run) {
            names.push_back(TakeRun(codes, k, true));
            continue;
        }
        std::string name = CodeName(codes[k++]);
        if (codes[k - 1].kind == Kind::Horizontal)
            for (int run = 0; run < 2 && k < codes.size() && codes[k].kind == Kind::Run; ++run)
                name.append(run == 0 ? " " : "+").append(TakeRun(codes, k, false));
        names.push_back(name);
    }
    return names;
}

// What stood before a row: fill zeros and EOLs, and the tag bit of two-dimensional Group 3.
std::string BeforeText(std::span<const TracedCode> codes) {
    std::string text;
    for (const TracedCode& code : codes) {
        if (code.kind == Kind::TagBit) {
            text += code.run == 1 ? " 1-D" : " 2-D";
            continue;
        }
        if (!text.empty())
            text += ", ";
        if (code.kind == Kind::Skipped) {
            text += "skip12";
            continue;
        }
        if (code.length > kEolLength)
            text += "fill " + std::to_string(code.length - kEolLength) + ", ";
        text += "EOL";
    }
    return text;
}

std::string ExpectedText(codec::Expected expected) {
    switch (expected) {
    case codec::Expected::WhiteRun:
        return "a white run code";
    case codec::Expected::BlackRun:
        return "a black run code";
    case codec::Expected::EitherRun:
        return "a run code of either colour";
    case codec::Expected::ModeCode:
        return "a mode code";
    case codec::Expected::EndOfLine:
        return "an EOL and its tag bit";
    }
    return {};
}

// Thrown by the tracer once the last row asked for is out: the trace has what it wants.
struct LastRowOut {};

// Collects what the engine tells of a page into rows: those from firstRow to lastRow (from 1;
// 0 for no bound) go to `take`, and the trace ends (LastRowOut) once lastRow is out.
class RowTracer final : public codec::PageTraceListener {
public:
    RowTracer(bool lowBitFirst, int64_t firstRow, int64_t lastRow,
              const std::function<void(const TracedRow&)>& take);

    void StripBegins(int32_t strip, std::span<const uint8_t> data, int64_t firstRow) override;
    int64_t FirstRowWanted() const override { return firstRow_ - 1; }
    void Code(int64_t row, const codec::TracedCode& code) override;
    void RowEnds(int64_t row) override;
    void Stopped(int64_t row, int64_t bit, int64_t unexplainedBit,
                 codec::Expected expected) override;
    // Hands on what is left after the last strip: codes that follow the page's last row.
    void Finish();

private:
    void HandOn(int64_t row, std::optional<TraceStop> stop);
    bool Wanted(int64_t row) const;
    std::string BitsAround(int64_t from, int64_t stop) const;

    bool lowBitFirst_;
    int64_t firstRow_;
    int64_t lastRow_;
    const std::function<void(const TracedRow&)>& take_;
    int32_t strip_ = 0;
    std::span<const uint8_t> data_;
    std::vector<codec::TracedCode> codes_; // of the row being read
};

} // namespace

RowTracer::RowTracer(bool lowBitFirst, int64_t firstRow, int64_t lastRow,
                     const std::function<void(const TracedRow&)>& take)
    : lowBitFirst_(lowBitFirst), firstRow_(firstRow), lastRow_(lastRow), take_(take) {}

void RowTracer::StripBegins(int32_t strip, std::span<const uint8_t> data, int64_t) {
    // What the last strip left after its rows ends there.
    if (!codes_.empty())
        HandOn(-1, std::nullopt);
    strip_ = strip;
    data_ = data;
}

void RowTracer::Code(int64_t, const TracedCode& code) {
    codes_.push_back(code);
}

void RowTracer::RowEnds(int64_t row) {
    // EOLs after the row's last code stand before the next row.
    const auto content = std::find_if(codes_.rbegin(), codes_.rend(), [](const TracedCode& code) {
                             return !BetweenRows(code);
                         }).base();
    std::vector<TracedCode> next(content, codes_.end());
    codes_.erase(content, codes_.end());
    HandOn(row, std::nullopt);
    // The held codes keep their room: a row of many codes would grow it again each time.
    codes_.insert(codes_.end(), next.begin(), next.end());
}

void RowTracer::Stopped(int64_t row, int64_t bit, int64_t unexplainedBit,
                        codec::Expected expected) {
    const auto lastCode = std::find_if(codes_.rbegin(), codes_.rend(),
                                       [](const TracedCode& code) { return !BetweenRows(code); });
    const int64_t from = lastCode != codes_.rend() ? lastCode->bit
                         : codes_.empty()          ? bit
                                                   : codes_.front().bit;
    TraceStop stop{.byte = bit / 8,
                   .bit = static_cast<int>(bit % 8),
                   .expected = ExpectedText(expected),
                   .unexplainedByte = unexplainedBit / 8,
                   .unexplainedBit = static_cast<int>(unexplainedBit % 8),
                   .bits = BitsAround(from, bit)};
    HandOn(row, std::move(stop));
}

void RowTracer::Finish() {
    if (!codes_.empty())
        HandOn(-1, std::nullopt);
}

bool RowTracer::Wanted(int64_t row) const {
    return row + 1 >= firstRow_ && (lastRow_ <= 0 || row + 1 <= lastRow_);
}

// Hands on the held codes as row `row` (from 0; -1 for codes after the last row of a strip).
void RowTracer::HandOn(int64_t row, std::optional<TraceStop> stop) {
    const bool wanted = row < 0 ? lastRow_ <= 0 : Wanted(row);
    if (wanted) {
        const auto content = std::find_if(codes_.begin(), codes_.end(), [](const TracedCode& code) {
            return !BetweenRows(code);
        });
        const int64_t begins = content != codes_.end() ? content->bit
                               : codes_.empty()        ? (stop ? stop->byte * 8 + stop->bit : 0)
                                                       : codes_.front().bit;
        TracedRow traced{.row = row + 1,
                         .strip = strip_,
                         .byte = begins / 8,
                         .bit = static_cast<int>(begins % 8),
                         .before = BeforeText(std::span(codes_.begin(), content)),
                         .codes = CodeNames(std::span(content, codes_.end())),
                         .stop = std::move(stop)};
        take_(traced);
    }
    codes_.clear();
    if (row >= 0 && lastRow_ > 0 && row + 1 >= lastRow_)
        throw LastRowOut{};
}

// The bits of the strip from `from` to kBitsPastStop past `stop`, in the order they are read,
// a blank between bytes of the strip and "^" at the stop.
std::string RowTracer::BitsAround(int64_t from, int64_t stop) const {
    const int64_t end =
        std::min<int64_t>(stop + kBitsPastStop, static_cast<int64_t>(data_.size()) * 8);
    std::string bits;
    for (int64_t bit = from; bit < end; ++bit) {
        if (bit == stop)
            bits += bits.empty() ? "^ " : " ^ ";
        else if (bit > from && bit % 8 == 0)
            bits += ' ';
        const uint8_t byte = data_[static_cast<std::size_t>(bit / 8)];
        const int shift = lowBitFirst_ ? static_cast<int>(bit % 8) : 7 - static_cast<int>(bit % 8);
        bits += ((byte >> shift) & 1) ? '1' : '0';
    }
    return bits;
}

Result<RowsTraced> TraceRows(const tiff::TiffFile& file, const tiff::TiffPage& page,
                             int64_t firstRow, int64_t lastRow,
                             const std::function<void(const TracedRow&)>& take,
                             const WorkCheck& check) {
    RowTracer tracer(page.coding.fillOrder == tiff::kFillOrderLowBitFirst, firstRow, lastRow, take);
    try {
        Result<codec::PageDamage> damage = codec::TracePageRows(file, page, tracer, check);
        if (!damage)
            return std::move(damage).TakeFailure();
        tracer.Finish();
        return RowsTraced{std::move(*damage), true};
    } catch (const LastRowOut&) {
        return RowsTraced{{}, false};
    }
}

// A row begins at its first run or mode; the EOLs before it are the row's until one comes.
void RowStartIndex::Code(int64_t row, const TracedCode& code) {
    if (row < 0 || row >= static_cast<int64_t>(starts_.size()))
        return;
    RowStart& start = starts_[static_cast<std::size_t>(row)];
    const bool content = !BetweenRows(code);
    if (start.coded || (start.strip >= 0 && !content))
        return;
    start = {strip_, content, code.bit / 8};
}

std::string TraceLine(const TracedRow& row) {
    std::string line;
    line.reserve(64 + 6 * row.codes.size());
    line += row.row > 0 ? "row " + std::to_string(row.row) : std::string("end");
    line.append(": strip ").append(std::to_string(row.strip));
    line.append(", byte ").append(std::to_string(row.byte));
    line.append(" bit ").append(std::to_string(row.bit));
    if (!row.before.empty())
        line.append(", after ").append(row.before);
    line += ':';
    for (const std::string& code : row.codes)
        line.append(1, ' ').append(code);
    if (row.stop)
        line.append(" | stops at byte ")
            .append(std::to_string(row.stop->byte))
            .append(" bit ")
            .append(std::to_string(row.stop->bit))
            .append(", expected ")
            .append(row.stop->expected)
            .append(", unexplained from byte ")
            .append(std::to_string(row.stop->unexplainedByte))
            .append(" bit ")
            .append(std::to_string(row.stop->unexplainedBit))
            .append("; bits ")
            .append(row.stop->bits);
    return line;
}

std::string TraceJson(const TracedRow& row) {
    std::string json =
        "{\"row\":" + std::to_string(row.row) + ",\"strip\":" + std::to_string(row.strip) +
        ",\"byte\":" + std::to_string(row.byte) + ",\"bit\":" + std::to_string(row.bit) +
        ",\"before\":" + JsonString(row.before) + ",\"codes\":[";
    for (std::size_t k = 0; k < row.codes.size(); ++k)
        json.append(k > 0 ? "," : "").append(JsonString(row.codes[k]));
    json += "]";
    if (row.stop)
        json += ",\"stop\":{\"byte\":" + std::to_string(row.stop->byte) +
                ",\"bit\":" + std::to_string(row.stop->bit) +
                ",\"expected\":" + JsonString(row.stop->expected) +
                ",\"unexplained_byte\":" + std::to_string(row.stop->unexplainedByte) +
                ",\"unexplained_bit\":" + std::to_string(row.stop->unexplainedBit) +
                ",\"bits\":" + JsonString(row.stop->bits) + "}";
    return json + "}";
}

} // namespace faxlens::page
