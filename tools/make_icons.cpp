// make_icons FOLDER: the program's icon as PNG files of the desktop's icon theme,
// FOLDER/hicolor/NxN/apps/faxlens.png for every size the program draws it in.

#include "ui/program_icon.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: make_icons FOLDER\n", stderr);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (const int size : faxlens::ui::kProgramIconSizes) {
        const QString apps = QStringLiteral("%1/hicolor/%2x%2/apps").arg(folder).arg(size);
        if (!QDir().mkpath(apps) ||
            !faxlens::ui::ProgramIconImage(size).save(apps + QStringLiteral("/faxlens.png"))) {
            std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(apps));
            return 1;
        }
    }
    return 0;
}
