#include "ui/program_icon.h"

#include <QPainter>
#include <QPixmap>
#include <QPolygon>

namespace faxlens::ui {

namespace {

constexpr int kIconSize = 32;

void PaintPage(QPainter& painter) {
    const QPolygon outline({{6, 1}, {20, 1}, {26, 7}, {26, 30}, {6, 30}});
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    painter.drawPolygon(outline);
    const QPolygon fold({{20, 1}, {20, 7}, {26, 7}});
    painter.setBrush(QColor(200, 200, 200));
    painter.drawPolygon(fold);
}

// Rows of black runs, as a scanned fax page shows them.
void PaintPrint(QPainter& painter) {
    struct Run {
        int row, from, to;
    };
    static constexpr Run kRuns[] = {{5, 9, 17},  {10, 9, 23},  {13, 9, 20}, {16, 9, 23},
                                    {19, 9, 14}, {19, 16, 23}, {22, 9, 21}, {26, 15, 23}};
    painter.setPen(QPen(Qt::black, 1));
    for (const Run& run : kRuns)
        painter.drawLine(run.from, run.row, run.to, run.row);
}

} // namespace

QImage ProgramIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    // Drawn on a grid of 32; larger icons are the same drawing scaled, smoothed.
    painter.setRenderHint(QPainter::Antialiasing, size != kIconSize);
    painter.scale(size / double{kIconSize}, size / double{kIconSize});
    PaintPage(painter);
    PaintPrint(painter);
    painter.end();
    return image;
}

QIcon ProgramIcon() {
    QIcon icon;
    for (const int size : kProgramIconSizes)
        icon.addPixmap(QPixmap::fromImage(ProgramIconImage(size)));
    return icon;
}

} // namespace faxlens::ui
