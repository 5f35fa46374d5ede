#pragma once

// The document state: which file is open, where its images lie, and the page that the viewer
// opened last. One instance for the whole program; the main window fills it when a file is
// opened, the viewer keeps its page in it and the save commands read it.

#include "ui/busy_cursor.h"
#include "ui/busy_guard.h"

#include <QFileInfo>
#include <QString>
#include <cstdint>
#include <vector>

namespace faxlens {
class PageSurface;
} // namespace faxlens

namespace faxlens::modFaxlens {

struct DocumentState {
    // The listed file, as cleaned by OpenTifFile; empty when no file is open.
    QString CurrentFile;
    // Element k is the byte offset of the IFD of list entry k.
    std::vector<int64_t> ImageOffsets;
    // The number of listed images.
    int32_t ImageCount = 0;

    // The page of the viewer opened last, and its resolution. Every viewer owns its own page;
    // this only points at it, and is null once that viewer is closed or the document cleared.
    const PageSurface* ViewSurface = nullptr;
    int32_t ViewXResolution = 0;
    int32_t ViewYResolution = 0;

    // Busy while OpenTifFile reads a file, with the busy cursor shown. Events are processed
    // meanwhile, so handlers that run then must neither start another OpenTifFile nor use the
    // state, which is still being filled.
    BusyCount Reading{ShowBusyCursor, EndBusyCursor};

    // The folder of the file last chosen in a file dialog; kept when another file is opened.
    QString LastFolder;
};

// The one document state of the program.
DocumentState& Document();

// Where a file dialog starts: in the folder of the file it is about when there is one, else in
// the folder last used, else (the empty text) in the working folder.
inline QString DialogFolder(const QString& openFile) {
    if (!openFile.isEmpty())
        return QFileInfo(openFile).absolutePath();
    return Document().LastFolder;
}

// Remembers the folder of a file chosen in a dialog.
inline void RememberFolder(const QString& chosenFile) {
    if (!chosenFile.isEmpty())
        Document().LastFolder = QFileInfo(chosenFile).absolutePath();
}

} // namespace faxlens::modFaxlens
