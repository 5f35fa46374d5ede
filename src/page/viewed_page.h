#pragma once

// One image of a file as the viewer shows it and faxlens-cli works on it: opened from its
// directory (page parameters, strip table, the page decoded into its surface), what keeps it
// from being shown when it cannot be, its resolution, and saving it again as a Group 3, Group 4
// or T.85 TIFF file. No windows: the viewer window and the command line share it.

#include "base/result.h"
#include "base/work_check.h"
#include "codec/page_damage.h"
#include "page/decoded_page.h"
#include "page/page_rotation.h"
#include "tiff/tiff_file.h"

#include <cstdint>
#include <string>

namespace faxlens::page {

enum class SaveCoding { Group3, Group4, T85 };

class ViewedPage {
public:
    ViewedPage() = default;

    // Opens image ifdOffset of the file as the viewer does; the check runs while it decodes. Fails
    // only when the file cannot be read.
    // Not painted, the page is only decoded to learn what its strips hold: it has no surface,
    // and Problem() says whether it could be shown.
    static Result<ViewedPage> Open(const tiff::TiffFile& file, int64_t ifdOffset,
                                   const WorkCheck& check = {},
                                   Painting painting = Painting::Painted);
    // The same for a page whose parameters were read already.
    static Result<ViewedPage> Open(const tiff::TiffFile& file, tiff::TiffPage parameters,
                                   const WorkCheck& check = {},
                                   Painting painting = Painting::Painted);

    // The decoded page; null when it cannot be shown, and once it is closed.
    const PageSurface* Surface() const { return decoded_.surface.get(); }
    PageStatus Status() const { return decoded_.status; }
    const tiff::TiffPage& Parameters() const { return decoded_.page; }
    // Dots per inch across and down, as the file gives them; 0 when it gives none.
    int32_t XResolution() const { return decoded_.page.xResolution; }
    int32_t YResolution() const { return decoded_.page.yResolution; }
    // The same in dots per inch whatever the file's unit (a resolution in dots per centimetre is
    // converted), for what goes out of the viewer: saves, PDF, print and clipboard.
    int32_t XDotsPerInch() const { return InInches(XResolution()); }
    int32_t YDotsPerInch() const { return InInches(YResolution()); }
    // Why the page is not shown ("This page cannot be shown: ..."); empty when it is decoded.
    const std::string& Problem() const { return problem_; }
    // What decoding met besides sound data; nothing for a sound page.
    const codec::PageDamage& Damage() const { return decoded_.damage; }

    // Saves the page as the save commands do: the size of the surface and the page's own
    // resolution (0/1 when it has none), so that the saved page keeps its proportions. The check
    // runs after every row.
    faxlens::Status Save(SaveCoding coding, const std::string& fileName,
                         const WorkCheck& check = {}) const;

    // Turns the page a quarter turn: width and height swap, and so do the resolutions across
    // and down, so that a save writes the page as it is shown. False, and the page stays as it
    // was, when there is no page or the turned one cannot be had.
    bool Turn(QuarterTurn turn);

    // The page turned by quarter turns clockwise (0 to 3; 3 is a quarter turn counter-clockwise),
    // this one left as it is, in one step whatever the turns. Fails when there is no page or the
    // turned one cannot be had.
    Result<ViewedPage> Turned(int quarterTurns, const WorkCheck& check = {}) const;

    // How far the page is turned from the file's page: quarter turns clockwise, 0 to 3.
    int QuarterTurns() const { return quarterTurns_; }

    // Frees the page.
    void Close() { decoded_.surface.reset(); }

private:
    int32_t InInches(int32_t resolution) const;

    DecodedPage decoded_;
    std::string problem_;
    int quarterTurns_ = 0;
};

} // namespace faxlens::page
