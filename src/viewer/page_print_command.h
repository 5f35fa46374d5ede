#pragma once

// The viewer's print command: a print dialog that offers the file's pages (all of them, a range
// or the one shown), then the pages printed on a worker thread a band at a time, as pictures of
// one bit a pixel at the printer's resolution. The page shown prints as it is shown, turned or
// not; the file's other pages are decoded for the print.

#include "page/viewed_page.h"
#include "ui/background_task.h"

#include <QObject>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>

class QPrinter;

namespace faxlens::viewer {

class PagePrintCommand : public QObject {
    Q_OBJECT

public:
    static inline const QString kProgressText = QStringLiteral("Printing...");

    explicit PagePrintCommand(QWidget& window) : QObject(&window), window_(window) {}

    // Asks for a printer and the pages; `shown` is the page shown, image `shownOffset` of the
    // file at `path`. Nothing happens while a print runs.
    void Run(std::shared_ptr<const page::ViewedPage> shown, const std::string& path,
             int64_t shownOffset);
    // Prints on a printer already set up: the pages of the file from `first` to `last`
    // (numbered from 1; 0 and 0 for the page shown alone). Used by Run, and by those who set the
    // printer up themselves.
    void Start(std::shared_ptr<QPrinter> printer, std::shared_ptr<const page::ViewedPage> shown,
               const std::string& path, int64_t shownOffset, int first, int last);
    bool Running() const { return task_.Running(); }
    ui::BackgroundTask& Task() { return task_; }

signals:
    // A print ended: true when every page was printed.
    void Printed(bool whole);

private:
    QWidget& window_;
    ui::BackgroundTask task_{this};
};

} // namespace faxlens::viewer
