#pragma once

#include <QIcon>
#include <QImage>

namespace faxlens::ui {

// The sizes in which the program's icon is drawn, and installed into the desktop's icon theme.
inline constexpr int kProgramIconSizes[] = {16, 32, 48, 128, 256};

// The program's icon: a fax page with a folded corner and lines of print, drawn on a grid of 32
// and scaled to the size. Both windows carry it.
QImage ProgramIconImage(int size);
QIcon ProgramIcon();

} // namespace faxlens::ui
