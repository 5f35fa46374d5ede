#include "viewer/thumbnail_panel.h"

#include "tiff/image_list.h"
#include "viewer/thumbnail.h"

#include <QPainter>
#include <QPixmap>

namespace faxlens::viewer {

// One image's picture, or why it has none.
struct ThumbnailPanel::Picture {
    QImage image;
    QString problem;
};

namespace {

const QSize kBox(ThumbnailPanel::kPictureSide, ThumbnailPanel::kPictureSide);

// On a worker thread: the page is decoded, drawn small and freed.
ThumbnailPanel::Picture PictureOf(const std::string& path, int64_t offset, const WorkCheck& check) {
    ThumbnailPanel::Picture picture;
    const Result<tiff::TiffFile> file = tiff::TiffFile::Open(path);
    const Result<page::ViewedPage> page = file ? page::ViewedPage::Open(*file, offset, check)
                                               : Result<page::ViewedPage>(Fail(file.Reason()));
    if (!page)
        picture.problem = QStringLiteral("This page cannot be read: %1.")
                              .arg(QString::fromLocal8Bit(page.Reason().c_str()));
    else if (page->Surface() == nullptr)
        picture.problem = QString::fromStdString(page->Problem());
    else
        picture.image = ThumbnailOf(*page, kBox);
    return picture;
}

// A grey box with a question mark, for an image that cannot be shown.
QPixmap Placeholder() {
    QPixmap box(kBox * 3 / 4);
    box.fill(Qt::lightGray);
    QPainter painter(&box);
    painter.drawText(box.rect(), Qt::AlignCenter, QStringLiteral("?"));
    return box;
}

} // namespace

ThumbnailPanel::ThumbnailPanel(QWidget* parent) : QListWidget(parent) {
    setObjectName(QStringLiteral("thumbnailPanel"));
    setViewMode(QListView::IconMode);
    setFlow(QListView::TopToBottom);
    setWrapping(false);
    setMovement(QListView::Static);
    setIconSize(kBox);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setFocusPolicy(Qt::NoFocus); // the page keeps the keys
    connect(this, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { emit ImageChosen(row(item)); });
    connect(&task_, &ui::BackgroundTask::Ended, this, &ThumbnailPanel::Idle);
    hide();
}

void ThumbnailPanel::ShowFile(const std::string& path) {
    path_ = path;
    clear();
    offsets_.clear();
    task_.Start<std::vector<int64_t>>([path](const WorkCheck&) { return tiff::ImagesOf(path); },
                                      [this](std::vector<int64_t> offsets) { TakeList(offsets); });
}

void ThumbnailPanel::Stop() {
    task_.Cancel();
}

void ThumbnailPanel::TakeList(const std::vector<int64_t>& offsets) {
    offsets_ = offsets;
    for (std::size_t k = 0; k < offsets_.size(); ++k)
        addItem(new QListWidgetItem(QString::number(k + 1)));
    MarkShown(shown_);
    MakePicture(0);
}

// The pictures are made one after another, so that the panel fills from the top and only one
// page is decoded at a time.
void ThumbnailPanel::MakePicture(std::size_t index) {
    if (index >= offsets_.size())
        return;
    task_.Start<Picture>([path = path_, offset = offsets_[index]](
                             const WorkCheck& check) { return PictureOf(path, offset, check); },
                         [this, index](Picture picture) {
                             TakePicture(index, picture);
                             MakePicture(index + 1);
                         });
}

void ThumbnailPanel::TakePicture(std::size_t index, const Picture& picture) {
    QListWidgetItem* entry = item(static_cast<int>(index));
    if (entry == nullptr)
        return;
    if (picture.image.isNull()) {
        entry->setIcon(QIcon(Placeholder()));
        entry->setToolTip(picture.problem);
        return;
    }
    entry->setIcon(QIcon(QPixmap::fromImage(picture.image)));
}

void ThumbnailPanel::MarkShown(int index) {
    shown_ = index;
    if (index >= 0 && index < count())
        setCurrentRow(index);
    else
        clearSelection();
}

} // namespace faxlens::viewer
