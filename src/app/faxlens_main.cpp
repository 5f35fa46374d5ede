// faxlens [path]: the main window, opening the file named on the command line.

#include "shell/program.h"

#include <QApplication>
#include <cstdio>
#include <cstring>

namespace {

constexpr char kHelp[] =
    "usage: faxlens [FILE]\n"
    "       faxlens --help | --version\n"
    "\n"
    "Looks into TIFF files with bilevel fax pages: the images a file holds, every tag of\n"
    "each image, each page at any zoom, and the page saved again as a Group 3 or Group 4\n"
    "TIFF file. FILE, when given, is opened at start-up.\n"
    "\n"
    "faxlens-cli does the same work without windows; see faxlens-cli --help.\n";

// --help and --version are answered before any window is made, so they work without a display.
bool AnswersOption(int argc, char** argv, int& status) {
    if (argc != 2)
        return false;
    if (std::strcmp(argv[1], "--help") == 0)
        std::fputs(kHelp, stdout);
    else if (std::strcmp(argv[1], "--version") == 0)
        std::printf("faxlens %s\n", FAXLENS_VERSION);
    else
        return false;
    status = std::fflush(stdout) == 0 ? 0 : 1;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (int status = 0; AnswersOption(argc, argv, status))
        return status;
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(FAXLENS_VERSION));
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    return faxlens::shell::Run(faxlens::shell::JoinArguments(arguments));
}
