#pragma once

// "Save Images As PDF...": every image of the open file as a page of one PDF file, written on a
// worker thread. A box over the window says what was saved, left out or found damaged.

#include "ui/background_task.h"

#include <QObject>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <vector>

namespace faxlens::shell {

class PdfSaveCommand : public QObject {
    Q_OBJECT

public:
    static inline const QString kProgressText = QStringLiteral("Saving the images as PDF...");

    explicit PdfSaveCommand(QWidget& window) : QObject(&window), window_(window) {}

    // Asks for a file name and writes the images of `file` at `offsets` there; nothing happens
    // while a save runs.
    void Run(const QString& file, const std::vector<int64_t>& offsets);
    bool Running() const { return task_.Running(); }
    ui::BackgroundTask& Task() { return task_; }

signals:
    // The save ended, written, failed or cancelled, and its box (if any) was closed.
    void Ended();

private:
    QWidget& window_;
    ui::BackgroundTask task_{this};
};

} // namespace faxlens::shell
