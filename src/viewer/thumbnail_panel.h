#pragma once

// The viewer's side panel: a small picture of every image of the file, made one after another on
// a worker thread from the pages decoded one at a time (no page is kept for its picture), the
// image shown marked. An image that cannot be shown gets a placeholder whose tool tip says why.
// Choosing a picture asks for its image.

#include "ui/background_task.h"

#include <QListWidget>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

namespace faxlens::viewer {

class ThumbnailPanel : public QListWidget {
    Q_OBJECT

public:
    // The box each picture fits in, in pixels.
    static constexpr int kPictureSide = 96;
    static constexpr int kPanelWidth = kPictureSide + 36;

    explicit ThumbnailPanel(QWidget* parent);

    // Lists the file's images anew and makes their pictures; work for another file stops.
    void ShowFile(const std::string& path);
    // Marks the image shown, by its place among the file's images (-1: none).
    void MarkShown(int index);
    // Stops making pictures.
    void Stop();
    bool Busy() const { return task_.Running(); }

    // One image's picture, or why it has none (defined where the pictures are made).
    struct Picture;

signals:
    // A picture was chosen: the image at `index` of the file.
    void ImageChosen(int index);
    // Every picture is made, or the work was stopped.
    void Idle();

private:
    void TakeList(const std::vector<int64_t>& offsets);
    void MakePicture(std::size_t index);
    void TakePicture(std::size_t index, const Picture& picture);

    std::string path_;
    std::vector<int64_t> offsets_;
    int shown_ = -1; // marked once the list is there
    ui::BackgroundTask task_{this};
};

} // namespace faxlens::viewer
