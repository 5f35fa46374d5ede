#pragma once

#include <QIcon>

namespace faxlens {

// The program's 32 x 32 icon: a fax page with a folded corner and lines of print. Both windows
// carry it.
QIcon ProgramIcon();

} // namespace faxlens
