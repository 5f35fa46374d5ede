#include "page/pdf_writer.h"

#include "encode/page_encoder.h"
#include "page/surface_rows.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <span>

namespace faxlens::page {

namespace {

constexpr int kCatalogObject = 1;
constexpr int kPagesObject = 2;
constexpr double kPointsPerInch = 72;
constexpr int32_t kAssumedXResolution = 204;
constexpr int32_t kAssumedYResolution = 196;

// A size of the page in points, without trailing zeros: a millionth of a point less than the
// exact size, so that a renderer at the page's resolution finds the page's own pixel count
// (rounding up, some find one more otherwise) and scales the picture by a hair less than one,
// taking every pixel as it is (scaling by one or more, some renderers smooth the picture).
std::string Number(double value) {
    constexpr double kSmallestSize = 0.01; // a page of an absurd resolution still has a size
    value = std::max(value, kSmallestSize);
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", std::floor(value * 1e6 - 1) / 1e6);
    std::string number(text);
    number.erase(number.find_last_not_of('0') + 1);
    if (number.back() == '.')
        number.pop_back();
    return number;
}

std::string Reference(int object) {
    return std::to_string(object) + " 0 R";
}

} // namespace

PhysicalSize InchesOf(int32_t width, int32_t height, int32_t xResolution, int32_t yResolution) {
    return {static_cast<double>(width) / (xResolution > 0 ? xResolution : kAssumedXResolution),
            static_cast<double>(height) / (yResolution > 0 ? yResolution : kAssumedYResolution)};
}

Result<PdfWriter> PdfWriter::Create(const std::string& path) {
    Result<OutputFile> file = OutputFile::Create(path);
    if (!file)
        return std::move(file).TakeFailure();
    return PdfWriter(std::move(*file));
}

PdfWriter::PdfWriter(OutputFile file) : file_(std::move(file)) {
    // The second line's bytes above 127 tell transfer programs that the file is binary.
    Write("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
    objectOffsets_.resize(kPagesObject, -1); // the catalogue and the page tree come last
}

int PdfWriter::NewObject() {
    objectOffsets_.push_back(-1);
    return static_cast<int>(objectOffsets_.size());
}

void PdfWriter::BeginObject(int number) {
    objectOffsets_[static_cast<std::size_t>(number - 1)] = file_.Length();
    Write(std::to_string(number) + " 0 obj\n");
}

void PdfWriter::Write(const std::string& text) {
    file_.Append(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

void PdfWriter::AddPage(const PageSurface& surface, int32_t xResolution, int32_t yResolution,
                        const WorkCheck& check) {
    const int32_t width = surface.Width();
    const int32_t height = surface.Height();
    std::vector<uint8_t> coded;
    encode::CodeStripG4(
        SurfaceRows(surface), width, height,
        [&coded](std::span<const uint8_t> block) {
            coded.insert(coded.end(), block.begin(), block.end());
        },
        check);
    AddCodedPage(coded, width, height, false, xResolution, yResolution);
}

void PdfWriter::AddCodedPage(std::span<const uint8_t> group4, int32_t width, int32_t height,
                             bool blackIsWhite, int32_t xResolution, int32_t yResolution) {
    const int image = NewObject();
    BeginObject(image);
    Write("<< /Type /XObject /Subtype /Image /Width " + std::to_string(width) + " /Height " +
          std::to_string(height) +
          " /ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /CCITTFaxDecode /DecodeParms << "
          "/K -1 /Columns " +
          std::to_string(width) + " /Rows " + std::to_string(height) + " /BlackIs1 " +
          (blackIsWhite ? "true" : "false") + " >> /Length " + std::to_string(group4.size()) +
          " >>\nstream\n");
    file_.Append(group4);
    Write("\nendstream\nendobj\n");

    const PhysicalSize inches = InchesOf(width, height, xResolution, yResolution);
    const std::string pointsWide = Number(inches.width * kPointsPerInch);
    const std::string pointsHigh = Number(inches.height * kPointsPerInch);
    const std::string drawing = "q " + pointsWide + " 0 0 " + pointsHigh + " 0 0 cm /Im0 Do Q\n";
    const int contents = NewObject();
    BeginObject(contents);
    Write("<< /Length " + std::to_string(drawing.size()) + " >>\nstream\n" + drawing +
          "endstream\nendobj\n");

    const int page = NewObject();
    BeginObject(page);
    Write("<< /Type /Page /Parent " + Reference(kPagesObject) + " /MediaBox [0 0 " + pointsWide +
          " " + pointsHigh + "] /Resources << /XObject << /Im0 " + Reference(image) +
          " >> >> /Contents " + Reference(contents) + " >>\nendobj\n");
    pageObjects_.push_back(page);
}

Status PdfWriter::Finish() {
    std::string kids;
    for (const int page : pageObjects_) {
        if (!kids.empty())
            kids += ' ';
        kids += Reference(page);
    }
    BeginObject(kPagesObject);
    Write("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pageObjects_.size()) +
          " >>\nendobj\n");
    BeginObject(kCatalogObject);
    Write("<< /Type /Catalog /Pages " + Reference(kPagesObject) + " >>\nendobj\n");

    const int64_t table = file_.Length();
    std::string xref =
        "xref\n0 " + std::to_string(objectOffsets_.size() + 1) + "\n" + "0000000000 65535 f \n";
    for (const int64_t offset : objectOffsets_) {
        char entry[24];
        std::snprintf(entry, sizeof entry, "%010lld 00000 n \n", static_cast<long long>(offset));
        xref += entry;
    }
    Write(xref + "trailer\n<< /Size " + std::to_string(objectOffsets_.size() + 1) + " /Root " +
          Reference(kCatalogObject) + " >>\nstartxref\n" + std::to_string(table) + "\n%%EOF\n");
    return file_.Finish();
}

} // namespace faxlens::page
