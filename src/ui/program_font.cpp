#include "ui/program_font.h"

#include <QFile>
#include <QFontDatabase>

namespace faxlens::ui {

namespace {

constexpr double kFontPoints = 8.25;

// fonts-wine installs its fonts outside fontconfig's folders, so they are added by hand.
void AddWineTahoma() {
    const QString wineTahoma = QStringLiteral("/usr/share/wine/fonts/tahoma.ttf");
    if (QFile::exists(wineTahoma))
        QFontDatabase::addApplicationFont(wineTahoma);
}

} // namespace

QFont ProgramFont() {
    static const bool added = (AddWineTahoma(), true);
    (void)added;
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(kFontPoints);
    font.setWeight(QFont::Normal);
    return font;
}

} // namespace faxlens::ui
