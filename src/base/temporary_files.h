#pragma once

// Files written under a temporary name beside their target are removed when SIGINT, SIGTERM or
// SIGHUP ends the program; the signal then ends it as it would have. A signal that the program
// was started to ignore (nohup) stays ignored. SIGXFSZ is ignored, so that a write past the
// file-size limit fails with "File too large" and is reported like any failed write, instead of
// ending the program. Only kill -9 and a crash can leave such a file behind.

#include <string>

namespace faxlens {

// Installs the handlers above; later calls do nothing.
void CleanUpOnSignals();

// Creates a new file ".faxlens-XXXXXX" (six random letters and digits) in the open folder, which
// the signals above remove until it is forgotten. Names are taken relative to the folder, so that
// a temporary name fits wherever its target does. Returns the file's descriptor and sets name, or
// -1 with errno set.
int CreateTemporaryFile(int folder, std::string& name);

// The file was renamed or removed: no signal may remove anything of that name any more.
void ForgetTemporaryFile(int folder, const std::string& name);

} // namespace faxlens
