#include "shell/program.h"

#include "shell/main_window.h"
#include "ui/path_text.h"

#include <QApplication>
#include <QTimer>

namespace faxlens::shell {

DocumentState& Document() {
    static DocumentState state;
    return state;
}

QString JoinArguments(const QStringList& arguments) {
    return arguments.join(u' ');
}

QString CleanPath(const QString& path) {
    QString unquoted = path;
    unquoted.remove(u'"');
    return ui::TrimSpaces(unquoted);
}

// The window starts inside the event loop: closing it while the start-up file is listed then
// ends the loop as any close does, whereas a quit asked for before exec() would be lost.
int Run(const QString& commandLine) {
    MainWindow window;
    QTimer::singleShot(0, &window, [&window, commandLine] { window.Start(commandLine); });
    return QApplication::exec();
}

} // namespace faxlens::shell
