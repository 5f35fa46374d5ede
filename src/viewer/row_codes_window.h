#pragma once

// "Show Codes of This Row": a small read-only window with the trace of a row of a fax page and of
// the rows around it, as faxlens-cli trace writes them, to read and copy. The rows are traced on
// a worker thread from the file the page was opened from.

#include "tiff/tiff_file.h"
#include "ui/background_task.h"

#include <QPlainTextEdit>
#include <QWidget>
#include <cstdint>
#include <memory>

namespace faxlens::viewer {

// The trace lines of rows first to last (from 1) of image ifdOffset of the file, or why there
// are none.
QString TraceLinesOf(const tiff::TiffFile& file, int64_t ifdOffset, int64_t first, int64_t last,
                     const WorkCheck& check);

class RowCodesWindow : public QWidget {
    Q_OBJECT

public:
    explicit RowCodesWindow(QWidget* parent);

    // Shows the codes of `row` (from 1) and of kNeighbours rows on either side.
    void ShowRow(std::shared_ptr<const tiff::TiffFile> file, int64_t ifdOffset, int64_t row);
    QString Text() const { return text_.toPlainText(); }

    static constexpr int kNeighbours = 2;

signals:
    // The codes asked for are shown.
    void Shown();

private:
    QPlainTextEdit text_{this};
    ui::BackgroundTask tracing_;
};

} // namespace faxlens::viewer
