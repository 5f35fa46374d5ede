#include "viewer/info_line.h"

#include <QStringList>
#include <cmath>

namespace faxlens::viewer {

namespace {

constexpr double kMillimetresPerInch = 25.4;
const QString kSeparator = QStringLiteral("  ");

// Whole millimetres: a page's size is read to the millimetre.
QString Millimetres(int32_t pixels, int32_t dpi) {
    return QString::number(std::lround(pixels * kMillimetresPerInch / dpi));
}

QString PageSize(const InfoFacts& facts) {
    QString size = QStringLiteral("%1 x %2 px").arg(facts.width).arg(facts.height);
    if (facts.xDpi > 0 && facts.yDpi > 0)
        size +=
            QStringLiteral(", %1 x %2 mm")
                .arg(Millimetres(facts.width, facts.xDpi), Millimetres(facts.height, facts.yDpi));
    return size;
}

} // namespace

QString InfoLineText(const InfoFacts& facts) {
    QStringList parts;
    if (!facts.fileName.isEmpty())
        parts << facts.fileName;
    if (facts.index >= 0 && facts.count > 0)
        parts << QStringLiteral("image %1 of %2").arg(facts.index + 1).arg(facts.count);
    if (facts.width > 0 && facts.height > 0)
        parts << PageSize(facts);
    if (facts.zoom > 0)
        parts << QString::number(facts.zoom, 'g', 4) + u'%';
    if (!facts.note.isEmpty())
        parts << facts.note;
    if (facts.column && facts.row)
        parts << QStringLiteral("column %1, row %2").arg(*facts.column + 1).arg(*facts.row + 1) +
                     (facts.place.isEmpty() ? QString() : QStringLiteral(", ") + facts.place);
    return parts.join(kSeparator);
}

} // namespace faxlens::viewer
