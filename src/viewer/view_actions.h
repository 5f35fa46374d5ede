#pragma once

// The commands of the viewer beyond its controls, each with its shortcut: zooming, fitting,
// turning the page, moving to the file's other images, output, and the window itself. They belong
// to the window, so their shortcuts work whatever control has the focus, and the page's menu offers
// them all.

#include <QAction>
#include <QList>

class QWidget;

namespace faxlens::viewer {

struct ViewerActions {
    explicit ViewerActions(QWidget& window);

    // In the order of the page's menu, with separators between the groups.
    QList<QAction*> MenuOrder();

    QAction zoomIn;
    QAction zoomOut;
    QAction fitWidth;
    QAction fitPage;
    QAction actualSize;
    QAction rotateRight;
    QAction rotateLeft;
    QAction nextImage;
    QAction previousImage;
    QAction firstImage;
    QAction lastImage;
    QAction thumbnails; // checked while the side panel shows
    QAction goToDamage;
    QAction showDamage; // checked while the rows that could not be decoded are marked
    QAction showCodes;  // of the row under the pointer
    QAction copyImage;
    QAction print;
    QAction openFile;
    QAction closeViewer; // Esc cancels the work under way first
    QAction quit;

private:
    QAction afterZoom_;
    QAction afterRotate_;
    QAction afterImages_;
    QAction afterData_;
    QAction afterOutput_;
};

} // namespace faxlens::viewer
