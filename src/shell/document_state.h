#pragma once

// The document state: which file is open and where its images lie. One instance for the whole
// program; the main window fills it when a listing of a file is complete and clears it when
// another file is opened. Only the user-interface thread touches it.

#include <QString>
#include <cstdint>
#include <vector>

namespace faxlens::shell {

struct DocumentState {
    // The listed file, as cleaned by OpenTifFile; empty when no file is open.
    QString CurrentFile;
    // Element k is the byte offset of the IFD of list entry k.
    std::vector<int64_t> ImageOffsets;
};

// The one document state of the program.
DocumentState& Document();

} // namespace faxlens::shell
