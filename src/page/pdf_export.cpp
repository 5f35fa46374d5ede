#include "page/pdf_export.h"

#include "base/save_target.h"
#include "codec/page_decode.h"
#include "page/own_coding.h"
#include "page/pdf_writer.h"
#include "page/viewed_page.h"
#include "tiff/page_info.h"
#include "tiff/tiff_facts.h"

#include <charconv>

namespace faxlens::page {

namespace {

// A whole number from 1 to count, the whole text.
bool ImageNumber(std::string_view text, int count, int& number) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return error == std::errc{} && end == text.data() + text.size() && number >= 1 &&
           number <= count;
}

// A sound page whose own coding a PDF reader reads goes in as it stands, decoded only to learn
// that it is sound; false, with nothing added, for any other page.
Result<bool> AddOwnCoding(PdfWriter& pdf, const tiff::TiffFile& file,
                          const tiff::TiffPage& parameters, const WorkCheck& check) {
    if (!MayKeepOwnCoding(file, parameters))
        return false;
    Result<ViewedPage> checked = ViewedPage::Open(file, parameters, check, Painting::NotPainted);
    if (!checked)
        return std::move(checked).TakeFailure();
    if (!checked->Problem().empty() || checked->Damage().Any())
        return false;
    const std::vector<uint8_t> own = OwnCoding(file, checked->Parameters());
    if (Status read = file.ReadStatus(); !read)
        return std::move(read).TakeFailure();
    const tiff::TiffPage& page = checked->Parameters();
    pdf.AddCodedPage(own, static_cast<int32_t>(page.width), static_cast<int32_t>(page.height),
                     codec::InkIsWhite(page), checked->XDotsPerInch(), checked->YDotsPerInch());
    return true;
}

} // namespace

Result<PdfReport> WriteImagesAsPdf(const tiff::TiffFile& file, const std::vector<PdfImage>& images,
                                   const std::string& out, const WorkCheck& check) {
    PdfReport report;
    if (IsSameFile(file.Path(), out)) {
        report.written = Fail(kOutputIsInput);
        return report;
    }
    Result<PdfWriter> pdf = PdfWriter::Create(out);
    if (!pdf) { // the target cannot be written: no page is decoded in vain
        report.written = std::move(pdf).TakeFailure();
        return report;
    }
    for (const PdfImage& image : images) {
        const std::string name = "image " + std::to_string(image.number);
        Result<tiff::TiffPage> parameters = tiff::ReadPageParameters(file, image.ifdOffset);
        if (!parameters)
            return std::move(parameters).TakeFailure();
        Result<bool> kept = AddOwnCoding(*pdf, file, *parameters, check);
        if (!kept)
            return std::move(kept).TakeFailure();
        if (*kept)
            continue;
        Result<ViewedPage> page = ViewedPage::Open(file, std::move(*parameters), check);
        if (!page)
            return std::move(page).TakeFailure();
        if (!page->Surface()) {
            report.leftOut.push_back(name + ": " + page->Problem());
            continue;
        }
        if (page->Damage().Any())
            report.damaged.push_back(name + " is damaged: " + page->Damage().Describe());
        pdf->AddPage(*page->Surface(), page->XDotsPerInch(), page->YDotsPerInch(), check);
    }
    if (pdf->PageCount() == 0)
        report.written = Fail("no image can be shown");
    else
        report.written = pdf->Finish();
    if (report.written)
        report.pagesWritten = pdf->PageCount();
    return report;
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

} // namespace faxlens::page
