#pragma once

// Driving the main window in tests: files opened as a user opens them, and waited for as a user
// waits for the list to fill.

#include "shell/main_window.h"
#include "shell/program.h"
#include "support/window_driving.h"

#include <QPointer>
#include <QString>
#include <string>

namespace faxlens::test {

// Starts each test with no file open, whatever the one before left in the document state.
inline void ForgetDocument() {
    shell::Document() = shell::DocumentState{};
}

// Opens the file in the window and waits until its listing has ended (a box that says why it
// could not be listed has been answered by then); true when the file is the one listed.
inline bool OpenAndWait(shell::MainWindow& window, const std::string& path) {
    window.OpenTifFile(QString::fromStdString(path));
    if (!WaitUntil([&window] { return !window.Listing(); }))
        return false;
    return shell::Document().CurrentFile == shell::CleanPath(QString::fromStdString(path));
}

// Waits until the viewer's work is done and its page drawn; false when it still is not.
inline bool WaitForViewer(const viewer::PageViewer* viewer) {
    return viewer != nullptr && WaitUntil([viewer] { return viewer->Idle(); });
}

// Waits until the window and its viewers have no work left; false when they still have.
inline bool Settle(const shell::MainWindow& window) {
    return WaitUntil([&window] {
        if (window.Listing() || window.SavingImages())
            return false;
        for (const viewer::PageViewer* viewer : window.OpenViewers())
            if (!viewer->Idle())
                return false;
        return true;
    });
}

// Opens a viewer of its own for the image, as the main window does, and waits until its page is
// shown (or what keeps it from being shown is said).
inline QPointer<viewer::PageViewer> OpenViewerAndWait(const std::string& path, int64_t ifdOffset) {
    QPointer<viewer::PageViewer> viewer = viewer::PageViewer::Open(path, ifdOffset);
    WaitForViewer(viewer);
    return viewer;
}

// The plan of the drawing the viewer shows once its work is done and its drawing made.
inline const viewer::RenderPlan& DrawnPlan(const viewer::PageViewer& viewer) {
    WaitForViewer(&viewer);
    return viewer.LastRenderPlan();
}

} // namespace faxlens::test
