#pragma once

// The view of the viewer window (pageView): a widget that keeps what is drawn on it in a picture
// of its own and shows it from its top-left corner on every repaint. Whatever the picture does
// not cover shows the view's background colour.

#include "page/page_surface.h"
#include "viewer/render_geometry.h"

#include <QColor>
#include <QImage>
#include <QPalette>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <vector>

class QPainter;

namespace faxlens::viewer {

// A colour value whose high bit is set names a system colour by its low byte.
inline constexpr page::ColourValue kSystemColourFlag = 0x80000000;
// The system colour of the application workspace, the view's background.
inline constexpr page::ColourValue kApplicationWorkspace = kSystemColourFlag | 12;

// A system colour becomes the palette's colour for it; any other value is RGB and stays.
page::ColourValue ResolveColour(page::ColourValue colour, const QPalette& palette);

QColor ToQColor(page::ColourValue colour);
page::ColourValue ToColourValue(const QColor& colour);

class ViewCanvas : public QWidget {
    Q_OBJECT

public:
    explicit ViewCanvas(QWidget* parent = nullptr);

    // An RGB value 0x00BBGGRR, or a system colour when the high bit is set.
    page::ColourValue BackColor() const { return backColor_; }
    void SetBackColor(page::ColourValue colour);
    QColor ResolvedBackColor() const;

    // The persistent picture: three bytes a pixel, red first.
    const QImage& Picture() const { return picture_; }
    QImage& Picture() { return picture_; }
    // Replaces the picture by one of the given size in the background colour.
    void ClearPicture(QSize size);

    // The plan of the drawing that the picture holds; draws nothing when the picture is a plain
    // background or a message.
    const RenderPlan& ShownPlan() const { return shownPlan_; }
    void SetShownPlan(const RenderPlan& plan) { shownPlan_ = plan; }

    // Bands laid over the picture in a translucent colour (the rows of a page that could not be
    // decoded), in view pixels; none by default.
    const std::vector<QRectF>& Marks() const { return marks_; }
    void SetMarks(std::vector<QRectF> marks);

protected:
    // With the keyboard focus the view shows a frame around what its frame shows.
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void PaintFocusFrame(QPainter& painter) const;

    page::ColourValue backColor_ = page::kColourWhite;
    QImage picture_;
    RenderPlan shownPlan_;
    std::vector<QRectF> marks_;
};

} // namespace faxlens::viewer
