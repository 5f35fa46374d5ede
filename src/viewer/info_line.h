#pragma once

// The information line at the foot of the viewer: which file and image it shows, the page's size
// in pixels and, from its resolution, in millimetres, the zoom, and the page pixel under the
// pointer while it is over the page, with the place in the file where the codes of its row
// begin.

#include <QString>
#include <cstdint>
#include <optional>

namespace faxlens::viewer {

struct InfoFacts {
    QString fileName;
    int index = -1; // the image's place among the file's images from 0; -1 when not known
    int count = 0;
    int32_t width = 0; // the page shown, 0 when there is none
    int32_t height = 0;
    int32_t xDpi = 0; // dots per inch, 0 when the file gives none
    int32_t yDpi = 0;
    float zoom = 0;                // of the drawing shown, percent; 0 when nothing is drawn
    std::optional<int32_t> column; // the page pixel under the pointer
    std::optional<int32_t> row;
    QString place; // where the codes of the row under the pointer begin: "strip 1, byte 483"
    QString note;  // a word on the last command, such as that there is no next image
};

// The facts joined into one line, short enough for the viewer's first size, those that are not
// known left out; a word on the last command comes before the pointer's place.
QString InfoLineText(const InfoFacts& facts);

} // namespace faxlens::viewer
