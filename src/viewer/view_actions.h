#pragma once

// The commands of the viewer beyond its controls, each with its shortcut: zooming, fitting,
// turning the page and moving to the neighbouring images of the file. They belong to the window,
// so their shortcuts work whatever control has the focus, and the page's menu offers them all.

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
    QAction copyImage;
    QAction print;

private:
    QAction afterZoom_;
    QAction afterRotate_;
    QAction afterImages_;
};

} // namespace faxlens::viewer
