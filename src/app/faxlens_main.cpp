// faxlens [path]: the main window, opening the file named on the command line.

#include "shell/mod_faxlens.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    return faxlens::modFaxlens::Run(faxlens::modFaxlens::JoinArguments(arguments));
}
