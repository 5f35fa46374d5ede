#pragma once

// The viewer's two save commands: the shown page saved as a Group 3 or a Group 4 TIFF file, on a
// worker thread. The save keeps the page it was given: the viewer may turn the page or move on
// meanwhile. A box says when the save is done, and how long it took, or why it failed.

#include "page/viewed_page.h"
#include "ui/background_task.h"

#include <QObject>
#include <QString>
#include <QWidget>
#include <memory>
#include <string>

namespace faxlens::viewer {

class PageSaveCommand : public QObject {
    Q_OBJECT

public:
    static inline const QString kProgressText = QStringLiteral("Saving the page...");

    explicit PageSaveCommand(QWidget& window) : QObject(&window), window_(window) {}

    // Asks for a file name and saves the page there; `path` is the file the page comes from.
    // Nothing happens while a save runs.
    void Run(std::shared_ptr<const page::ViewedPage> page, const std::string& path,
             page::SaveCoding coding);
    bool Running() const { return task_.Running(); }
    ui::BackgroundTask& Task() { return task_; }

signals:
    // A save replaced the file that the page came from.
    void FileReplaced();

private:
    void Start(std::shared_ptr<const page::ViewedPage> page, const QString& fileName,
               page::SaveCoding coding, bool replacesFileShown);

    QWidget& window_;
    ui::BackgroundTask task_{this};
};

} // namespace faxlens::viewer
