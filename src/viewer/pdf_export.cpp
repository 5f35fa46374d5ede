#include "viewer/pdf_export.h"

#include "export/pdf_writer.h"
#include "tiff/save_target.h"
#include "viewer/viewed_page.h"

#include <charconv>

namespace faxlens {

namespace {

// A whole number from 1 to count, the whole text.
bool ImageNumber(std::string_view text, int count, int& number) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return error == std::errc{} && end == text.data() + text.size() && number >= 1 &&
           number <= count;
}

} // namespace

PdfOutcome WriteImagesAsPdf(const std::string& path, const std::vector<PdfImage>& images,
                            const std::string& out, const EventPump& pump) {
    PdfOutcome outcome;
    if (IsSameFile(path, out)) {
        outcome.error = kOutputIsInput;
        return outcome;
    }
    PdfWriter pdf(out);
    if (!pdf.Error().empty()) { // the target cannot be written: no page is decoded in vain
        outcome.error = pdf.Error();
        return outcome;
    }
    for (const PdfImage& image : images) {
        const ViewedPage page = ViewedPage::Open(path, image.ifdOffset, pump);
        if (!page.Surface()) {
            outcome.leftOut.push_back("image " + std::to_string(image.number) + ": " +
                                      page.Problem());
            continue;
        }
        pdf.AddPage(*page.Surface(), page.XDotsPerInch(), page.YDotsPerInch(), pump);
    }
    if (pdf.PageCount() == 0) {
        outcome.error = "no image can be shown";
        return outcome;
    }
    if (!pdf.Finish()) {
        outcome.error = pdf.Error();
        return outcome;
    }
    outcome.pagesWritten = pdf.PageCount();
    return outcome;
}

bool ParseImageList(const std::string& text, int count, std::vector<int>& numbers) {
    numbers.clear();
    std::string_view rest = text;
    while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        const std::string_view item = rest.substr(0, comma);
        rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
        if (comma != std::string_view::npos && rest.empty())
            return false; // a trailing comma
        const std::size_t dash = item.find('-');
        int first = 0;
        int last = 0;
        if (!ImageNumber(item.substr(0, dash), count, first))
            return false;
        last = first;
        if (dash != std::string_view::npos &&
            (!ImageNumber(item.substr(dash + 1), count, last) || last < first))
            return false;
        for (int number = first; number <= last; ++number)
            numbers.push_back(number);
    }
    return !numbers.empty();
}

} // namespace faxlens
