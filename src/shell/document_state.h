#pragma once

// The document state: which file is open and where its images lie. One instance for the whole
// program; the main window fills it when a file is opened and clears it when it is closed.

#include "ui/busy_cursor.h"
#include "ui/busy_guard.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace faxlens::shell {

struct DocumentState {
    // The listed file, as cleaned by OpenTifFile; empty when no file is open.
    QString CurrentFile;
    // Element k is the byte offset of the IFD of list entry k.
    std::vector<int64_t> ImageOffsets;

    // Busy while OpenTifFile reads a file, with the busy cursor shown. Events are processed
    // meanwhile, so handlers that run then must neither start another OpenTifFile nor use the
    // state, which is still being filled.
    ui::BusyCount Reading{ui::ShowBusyCursor, ui::EndBusyCursor};
};

// The one document state of the program.
DocumentState& Document();

} // namespace faxlens::shell
