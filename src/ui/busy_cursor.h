#pragma once

// The busy cursor over every window of the program, for the start and end actions of a
// BusyCount: while a file is listed, a page decoded or saved. The cursors nest, so work that
// runs inside other work keeps it until the outermost ends.

#include <QCursor>
#include <QGuiApplication>

namespace faxlens::ui {

inline void ShowBusyCursor() {
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

inline void EndBusyCursor() {
    QGuiApplication::restoreOverrideCursor();
}

} // namespace faxlens::ui
