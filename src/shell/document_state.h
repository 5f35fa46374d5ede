#pragma once

// The document state: which file is open and where its images lie. One instance for the whole
// program; the main window fills it when a listing of a file is complete and clears it when
// another file is opened. Only the user-interface thread touches it.

#include "tiff/binary_file.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace faxlens::shell {

struct DocumentState {
    // The listed file, as cleaned by OpenTifFile; empty when no file is open.
    QString CurrentFile;
    // Element k is the byte offset of the IFD of list entry k.
    std::vector<int64_t> ImageOffsets;
    // The file as it was when it was listed: the list holds for that file only.
    tiff::FileIdentity ListedAs;
};

// The one document state of the program.
DocumentState& Document();

} // namespace faxlens::shell
