// faxlens-cli pages OUT (--g3|--g4|--t85) FILE[:LIST]... [--verify]: images of one or more files
// as the pages of one new fax file.

#include "app/cli.h"
#include "base/output_file.h"
#include "page/pages_export.h"
#include "page/pdf_export.h"

#include <cctype>
#include <list>

namespace faxlens::cli {

namespace {

struct PagesRequest {
    std::string out;
    page::PagesOptions options;
    std::vector<std::string> inputs; // FILE or FILE:LIST
};

Result<PagesRequest> ParseRequest(Operands operands) {
    PagesRequest request;
    request.out = operands[0];
    bool coded = false;
    for (const std::string& operand : operands.subspan(1)) {
        if (const std::optional<page::SaveCoding> coding = CodingOption(operand)) {
            if (coded)
                return Fail("give one coding: --g3, --g4 or --t85");
            request.options.coding = *coding;
            coded = true;
        } else if (operand == "--verify") {
            request.options.verify = true;
        } else if (operand.starts_with("--")) {
            return Fail("unknown option '" + operand + "'");
        } else {
            request.inputs.push_back(operand);
        }
    }
    if (!coded)
        return Fail("give the coding of the pages: --g3, --g4 or --t85");
    if (request.inputs.empty())
        return Fail("give at least one FILE[:LIST] to take images from");
    if (request.options.verify && request.out == kStandardOutputPath)
        return Fail("--verify reads the pages back from OUT, which must be a file, not '-'");
    return request;
}

// FILE:LIST splits at the last colon when what follows it looks like a list of images; a name
// with a colon of its own and no list stays whole.
std::pair<std::string, std::string> SplitInput(const std::string& input) {
    const std::size_t colon = input.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == input.size())
        return {input, {}};
    const std::string list = input.substr(colon + 1);
    const bool listLike =
        list.find_first_not_of("0123456789,-") == std::string::npos && std::isdigit(list[0]);
    return listLike ? std::pair{input.substr(0, colon), list} : std::pair{input, std::string{}};
}

// Thousands set apart by commas: 41,203.
std::string Grouped(int64_t number) {
    std::string digits = std::to_string(number);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), 1, ',');
    return digits;
}

std::string Summary(const page::PagesReport& report) {
    std::string line = "re-coded " + std::to_string(report.pagesWritten) +
                       (report.pagesWritten == 1 ? " page, " : " pages, ") +
                       Grouped(report.bytesIn) + " -> " + Grouped(report.bytesOut) + " bytes";
    if (report.pagesKept > 0)
        line += ", " + std::to_string(report.pagesKept) + " kept as coded";
    if (report.verified)
        line += ", all verified";
    return line + "\n";
}

std::string ErrorLines(const std::vector<std::string>& said) {
    std::string lines;
    for (const std::string& thing : said)
        lines.append(lines.empty() ? "" : "\n").append(kProgram).append(": ").append(thing);
    return lines;
}

} // namespace

Outcome RunPages(Operands operands) {
    const Result<PagesRequest> request = ParseRequest(operands);
    if (!request)
        return BadUsage(request.Reason());
    // Each input opened once, and kept open while the pages are written.
    std::list<ListedFile> files;
    std::vector<page::SourceImage> images;
    for (const std::string& input : request->inputs) {
        const auto [path, list] = SplitInput(input);
        Result<ListedFile> listed = OpenListed(path);
        if (!listed)
            return Failed(listed.Reason());
        const ListedFile& file = files.emplace_back(std::move(*listed));
        const std::vector<int64_t>& offsets = file.images.offsets;
        const int count = static_cast<int>(offsets.size());
        std::vector<int> numbers;
        if (list.empty())
            for (int number = 1; number <= count; ++number)
                numbers.push_back(number);
        else if (!page::ParseImageList(list, count, numbers))
            return BadUsage(path + " holds images 1 to " + std::to_string(count) + ", not '" +
                            list + "'");
        for (const int number : numbers)
            images.push_back({&file.file, offsets[static_cast<std::size_t>(number - 1)],
                              path + " image " + std::to_string(number)});
    }
    const Result<page::PagesReport> written =
        page::WriteImagesAsTiff(images, request->out, request->options);
    if (!written)
        return Failed("cannot read the images: " + written.Reason());
    std::vector<std::string> said = written->leftOut;
    said.insert(said.end(), written->damaged.begin(), written->damaged.end());
    if (!written->written) {
        Outcome failed = Failed("cannot write " + request->out + ": " + written->written.Reason());
        if (!said.empty())
            failed.error = ErrorLines(said) + "\n" + failed.error;
        return failed;
    }
    const std::string summary =
        request->out == kStandardOutputPath ? std::string() : Summary(*written);
    if (!said.empty())
        return {kDamaged, summary, ErrorLines(said)};
    return Done(summary);
}

} // namespace faxlens::cli
