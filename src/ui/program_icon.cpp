#include "ui/program_icon.h"

#include <QPainter>
#include <QPixmap>
#include <QPolygon>

namespace faxlens {

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

QIcon ProgramIcon() {
    QPixmap pixmap(kIconSize, kIconSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    PaintPage(painter);
    PaintPrint(painter);
    painter.end();
    return QIcon(pixmap);
}

} // namespace faxlens
