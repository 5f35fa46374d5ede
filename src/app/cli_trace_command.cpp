// faxlens-cli trace FILE N [--rows A-B] [--json]: the codes of every row of a fax page, as the
// decoding engine reads them. Unlike the other commands it writes its rows to standard output as
// the engine finishes them, so that the trace of any page costs the same memory.

#include "app/cli.h"
#include "base/json_text.h"
#include "codec/page_decode.h"
#include "page/row_trace.h"
#include "tiff/page_info.h"

#include <charconv>
#include <cstdio>

namespace faxlens::cli {

namespace {

struct TraceOptions {
    int64_t firstRow = 1;
    int64_t lastRow = 0; // 0: to the end
    bool json = false;
};

std::optional<int64_t> RowNumber(std::string_view text) {
    int64_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || number < 1)
        return std::nullopt;
    return number;
}

// "A-B" or "A", rows counted from 1.
bool ParseRows(std::string_view text, TraceOptions& options) {
    const std::size_t dash = text.find('-');
    const std::optional<int64_t> first = RowNumber(text.substr(0, dash));
    const std::optional<int64_t> last =
        dash == std::string_view::npos ? first : RowNumber(text.substr(dash + 1));
    if (!first || !last || *last < *first)
        return false;
    options.firstRow = *first;
    options.lastRow = *last;
    return true;
}

std::optional<TraceOptions> ParseOptions(Operands flags) {
    TraceOptions options;
    for (std::size_t k = 0; k < flags.size(); ++k) {
        if (flags[k] == "--json")
            options.json = true;
        else if (flags[k] != "--rows" || k + 1 == flags.size() || !ParseRows(flags[++k], options))
            return std::nullopt;
    }
    return options;
}

// Rows go out as they come; a JSON document is opened before the first and closed after the
// last.
class TraceOutput {
public:
    explicit TraceOutput(bool json) : json_(json) {
        if (json_)
            Write("{\"rows\":[\n");
    }

    void Take(const page::TracedRow& row) {
        if (row.stop && firstStop_.empty())
            firstStop_ = "decoding stops in row " + std::to_string(row.row) + " (strip " +
                         std::to_string(row.strip) + ", byte " + std::to_string(row.stop->byte) +
                         ")";
        if (json_)
            Write((rows_ > 0 ? ",\n" : "") + page::TraceJson(row));
        else
            Write(page::TraceLine(row).append(1, '\n'));
        ++rows_;
    }

    // The document's end, with what decoding met besides sound data.
    std::string Close(const std::string& damage) const {
        if (!json_)
            return {};
        return "\n],\"damage\":" + JsonString(damage) + "}\n";
    }

    bool Failed() const { return failed_; }
    // Where decoding stops in the first row shown that it stops in; empty when there is none.
    const std::string& FirstStop() const { return firstStop_; }

private:
    void Write(const std::string& text) {
        failed_ = failed_ || std::fwrite(text.data(), 1, text.size(), stdout) != text.size();
    }

    bool json_;
    int64_t rows_ = 0;
    std::string firstStop_;
    bool failed_ = false;
};

Outcome TraceImage(Operands operands, const InputImage& image, const TraceOptions& options) {
    const Result<tiff::TiffPage> page = tiff::ReadPageParameters(image.file, image.ifdOffset);
    if (!page)
        return Failed(CannotRead(operands[0], page.Reason()));
    const std::string name = operands[0] + " image " + operands[1];
    if (const std::string reason = codec::UnsupportedReason(*page); !reason.empty())
        return Failed(name + " cannot be shown: " + reason);
    if (!codec::IsFaxDecoder(codec::DecoderFor(*page)))
        return Failed(name + " is not fax coded: trace reads Group 3, Group 4 and Huffman RLE");
    TraceOutput output(options.json);
    const Result<page::RowsTraced> traced =
        page::TraceRows(image.file, *page, options.firstRow, options.lastRow,
                        [&output](const page::TracedRow& row) { output.Take(row); });
    if (!traced)
        return Failed(CannotRead(operands[0], traced.Reason()));
    // A trace that ended at its last row knows of the page's damage only what its rows show.
    const std::string said = traced->whole ? traced->damage.Describe() : output.FirstStop();
    Outcome outcome = said.empty() ? Done({}) : Damaged(name + " is damaged: " + said);
    outcome.output = output.Close(said);
    if (output.Failed())
        return cli::Failed("cannot write to standard output");
    return outcome;
}

} // namespace

Outcome RunTrace(Operands operands) {
    const std::optional<TraceOptions> options = ParseOptions(operands.subspan(2));
    if (!options)
        return BadUsage("the options must be --rows A-B (rows from 1) and --json");
    return WithImage(
        operands, [&](const InputImage& image) { return TraceImage(operands, image, *options); });
}

} // namespace faxlens::cli
