#include "viewer/row_codes_window.h"

#include "codec/page_decode.h"
#include "page/row_trace.h"
#include "tiff/page_info.h"

#include <QFontDatabase>
#include <QVBoxLayout>
#include <algorithm>

namespace faxlens::viewer {

QString TraceLinesOf(const tiff::TiffFile& file, int64_t ifdOffset, int64_t first, int64_t last,
                     const WorkCheck& check) {
    const Result<tiff::TiffPage> page = tiff::ReadPageParameters(file, ifdOffset);
    if (!page)
        return QStringLiteral("The page cannot be read: %1.")
            .arg(QString::fromStdString(page.Reason()));
    if (!codec::IsFaxDecoder(codec::DecoderFor(*page)))
        return QStringLiteral("This page is not fax coded: only Group 3, Group 4 and Huffman RLE "
                              "pages have codes to show.");
    QString lines;
    const Result<page::RowsTraced> traced = page::TraceRows(
        file, *page, first, last,
        [&lines](const page::TracedRow& row) {
            lines += QString::fromStdString(page::TraceLine(row)) + '\n';
        },
        check);
    if (!traced)
        return QStringLiteral("The file cannot be read: %1.")
            .arg(QString::fromStdString(traced.Reason()));
    return lines.isEmpty() ? QStringLiteral("No codes: rows %1 to %2 could not be decoded.")
                                 .arg(first)
                                 .arg(last)
                           : lines;
}

RowCodesWindow::RowCodesWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("rowCodesWindow"));
    text_.setObjectName(QStringLiteral("rowCodesText"));
    text_.setReadOnly(true);
    text_.setLineWrapMode(QPlainTextEdit::NoWrap);
    text_.setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(&text_);
    resize(720, 220);
}

void RowCodesWindow::ShowRow(std::shared_ptr<const tiff::TiffFile> file, int64_t ifdOffset,
                             int64_t row) {
    setWindowTitle(QStringLiteral("Codes of Row %1").arg(row));
    text_.setPlainText(QStringLiteral("Reading the codes..."));
    const int64_t first = std::max<int64_t>(1, row - kNeighbours);
    const int64_t last = row + kNeighbours;
    tracing_.Start<QString>(
        [file = std::move(file), ifdOffset, first, last](const WorkCheck& check) {
            return TraceLinesOf(*file, ifdOffset, first, last, check);
        },
        [this](QString lines) {
            text_.setPlainText(lines);
            emit Shown();
        });
    show();
    raise();
    activateWindow();
}

} // namespace faxlens::viewer
