#pragma once

// "Save Images As PDF..." and "Save Images As TIFF (G3/G4)...": images of the open file (all, or
// those selected) as the pages of one PDF or fax file, written on a worker thread. A box over
// the window says what was saved, left out or found damaged.

#include "ui/background_task.h"

#include <QObject>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <vector>

namespace faxlens::shell {

enum class ImagesFormat { Pdf, TiffG3, TiffG4 };

// An image as the list shows it: its number from 1 and the offset of its directory.
struct ListedImage {
    int number = 0;
    int64_t offset = 0;
};

class ImagesSaveCommand : public QObject {
    Q_OBJECT

public:
    static inline const QString kProgressText = QStringLiteral("Saving the images...");

    explicit ImagesSaveCommand(QWidget& window) : QObject(&window), window_(window) {}

    // Asks for a file name and writes the images of `file` there; nothing happens while a save
    // runs.
    void Run(ImagesFormat format, const QString& file, const std::vector<ListedImage>& images);
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
