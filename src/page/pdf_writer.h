#pragma once

// A PDF file of fax pages: every page one picture at its physical size, the picture stored as
// the Group 4 coding of the page (a /CCITTFaxDecode stream), so that the file stays about as small
// as a Group 4 TIFF file. Written beside its final name and renamed into place when complete.

#include "base/output_file.h"
#include "base/work_check.h"
#include "page/page_surface.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace faxlens::page {

// A page's physical size in inches. A direction without resolution counts 204 x 196 dots per
// inch, a fax's fine resolution, as a fax without these tags was most likely sent.
struct PhysicalSize {
    double width = 0;
    double height = 0;
};
PhysicalSize InchesOf(int32_t width, int32_t height, int32_t xResolution, int32_t yResolution);

class PdfWriter {
public:
    // Why the path cannot be written, when it cannot.
    static Result<PdfWriter> Create(const std::string& path);

    // Adds the surface as the next page; xResolution and yResolution are its dots per inch, 0
    // when unknown. The check runs after every row coded.
    void AddPage(const PageSurface& surface, int32_t xResolution, int32_t yResolution,
                 const WorkCheck& check = {});
    // Adds a page whose Group 4 coding is at hand, as it stands: width x height pixels, its black
    // runs black, or white with blackIsWhite.
    void AddCodedPage(std::span<const uint8_t> group4, int32_t width, int32_t height,
                      bool blackIsWhite, int32_t xResolution, int32_t yResolution);
    int PageCount() const { return static_cast<int>(pageObjects_.size()); }

    // Writes the page tree, the catalogue and the cross-reference table, and moves the file
    // into place. Fails when anything could not be written.
    Status Finish();

private:
    explicit PdfWriter(OutputFile file);
    int NewObject();
    void BeginObject(int number);
    void Write(const std::string& text);

    OutputFile file_;
    std::vector<int64_t> objectOffsets_; // by object number - 1; filled as objects are written
    std::vector<int> pageObjects_;
};

} // namespace faxlens::page
