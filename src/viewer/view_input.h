#pragma once

// What the hand does on the page of the viewer, turned into requests: the wheel scrolls (Shift
// and horizontal wheels sideways, a touchpad by its pixels), Ctrl+wheel zooms around the pointer,
// dragging with the left button pans with a closed hand, the keys that move about a page scroll
// it while the page has the focus, and the right button asks for the page's menu.

#include "viewer/view_controller.h"

#include <QObject>
#include <QPoint>
#include <QPointF>

class QWidget;

namespace faxlens::viewer {

class ViewInput : public QObject {
    Q_OBJECT

public:
    // Watches the page and the frame around it; the page takes the focus when clicked and by Tab.
    ViewInput(QWidget& page, QWidget& frame);

signals:
    // Move the view by screen pixels, positive towards the page's right and bottom.
    void ScrollByPixels(QPointF pixels);
    // Move the view by wheel notches (a notch is 120 eighths of a degree), positive likewise.
    void ScrollByNotches(QPointF notches);
    // Zoom in (positive) or out by notches, keeping the page point at `at` (page coordinates of
    // the view) where it is.
    void ZoomAround(double notches, QPointF at);
    // The key that moves about a page: an arrow, PageUp, PageDown, Home or End.
    void ScrollKey(faxlens::viewer::ScrollMove move);
    void MenuRequested(QPoint globalPosition);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool Wheel(QEvent& event);
    bool MousePress(QEvent& event);
    bool MouseMove(QEvent& event);
    bool MouseRelease(QEvent& event);
    bool Key(QEvent& event);

    QWidget& page_;
    QWidget& frame_;
    bool dragging_ = false;
    double zoomNotches_ = 0; // parts of a notch of Ctrl+wheel not yet zoomed by
    QPointF lastDragPoint_;
};

} // namespace faxlens::viewer
