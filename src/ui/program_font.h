#pragma once

#include <QFont>

namespace faxlens::ui {

// Tahoma 8.25 pt, the font of both windows. Wine's Tahoma (fonts-wine) is taken when it is
// installed; otherwise fontconfig picks the nearest sans-serif.
QFont ProgramFont();

} // namespace faxlens::ui
