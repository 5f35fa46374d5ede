#include "viewer/page_viewer.h"

#include "base/number_text.h"
#include "tiff/image_list.h"
#include "ui/dropped_file.h"
#include "ui/input_events.h"
#include "ui/path_text.h"
#include "ui/program_font.h"
#include "ui/program_icon.h"
#include "ui/twips.h"
#include "viewer/info_line.h"
#include "viewer/page_image.h"
#include "viewer/render_page.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>
#include <utility>

namespace faxlens::viewer {

namespace {

// The controls take 6855 x 5100 twips; the information line lies below them.
constexpr int kInfoBand = 270;
constexpr ui::TwipSize kClientArea{6855, 5100 + kInfoBand};
constexpr ui::TwipRect kZoomLabel{135, 135, 1365, 240};
constexpr ui::TwipRect kZoomBox{900, 90, 1140, 315};
constexpr ui::TwipRect kSaveG3Button{2430, 90, 1905, 330};
constexpr ui::TwipRect kSaveG4Button{4545, 90, 1905, 330};
constexpr ui::TwipRect kPageFrame{90, 495, 6405, 4245};
constexpr ui::TwipRect kPageView{90, 90, 5640, 3795};
constexpr ui::TwipRect kHorizontalScrollBar{90, 4770, 6405, 240};
constexpr ui::TwipRect kVerticalScrollBar{6525, 495, 240, 4245};
constexpr ui::TwipRect kInfoLine{90, 5055, 6675, 255};
constexpr int kInfoGap = kInfoLine.top - (kHorizontalScrollBar.top + kHorizontalScrollBar.height);

const QString kCaption = QStringLiteral("TIF Viewer");
const QString kZoomLabelText = QStringLiteral("Zoom:");
const QString kSaveG3Text = QStringLiteral("Save As TIF (G3)...");
const QString kSaveG4Text = QStringLiteral("Save As TIF (G4)...");
const QStringList kZoomEntries = {QStringLiteral("400%"), QStringLiteral("200%"),
                                  QStringLiteral("100%"), QStringLiteral("50%"),
                                  QStringLiteral("25%"),  QStringLiteral("10%")};
const QString kOpeningProgress = QStringLiteral("Decoding the page...");
const QString kTurningProgress = QStringLiteral("Turning the page...");
const QString kOpeningCancelled = QStringLiteral("Opening the page was cancelled.");
const QString kAtFirstImage = QStringLiteral("This is the first image.");
const QString kAtLastImage = QStringLiteral("This is the last image.");
const QString kImageGone =
    QStringLiteral("The file changed on disk: this image is no longer in it.");
const QString kFileChanged = QStringLiteral("The file changed on disk.");

int PixelsToTwips(int pixels, double dotsPerInch) {
    return RoundHalfEven(pixels * ui::kTwipsPerInch / dotsPerInch);
}

// Where the scroll bars and the frame go for a window of the given outer size (twips) with
// frames of `side` twips left, right and below and `top` twips above.
struct ViewerLayout {
    int vScrollLeft;
    int hScrollTop;
    int pictureWidth;
    int pictureHeight;
};

ViewerLayout LayOutViewer(ui::TwipSize window, int side, int top) {
    const int margin = kPageFrame.left;
    ViewerLayout layout{};
    layout.vScrollLeft = window.width - kVerticalScrollBar.width - 2 * side - margin;
    layout.hScrollTop =
        window.height - kHorizontalScrollBar.height - top - side - margin - kInfoBand;
    layout.pictureWidth = layout.vScrollLeft - 2 * margin;
    layout.pictureHeight = layout.hScrollTop - kPageFrame.top - margin;
    return layout;
}

QString CannotBeRead(const std::string& reason) {
    return QStringLiteral("This page cannot be read: %1.")
        .arg(QString::fromLocal8Bit(reason.c_str()));
}

} // namespace

// What a worker finds for a request to open an image of the file: the file's images, the place
// of the one shown and of the one asked for among them, and that page decoded; or that there is
// no such image.
struct PageViewer::NeighbourPage {
    bool exists = false;
    int64_t offset = 0;
    int shownIndex = -1; // the image shown among the file's images; -1 when it is not among them
    int index = -1;      // the image asked for
    int count = 0;
    tiff::FileIdentity identity; // of the file the images were listed from
    Result<page::ViewedPage> page = Fail(std::string());
    std::shared_ptr<const tiff::TiffFile> file; // the file as opened, for more work on the page
};

namespace {

// On a worker thread: everything it reads is its own. Step 0 opens the image at `offset`
// whatever the file lists.
Result<page::ViewedPage> DecodeImage(const Result<tiff::TiffFile>& file, int64_t offset,
                                     const WorkCheck& check) {
    if (!file)
        return Fail(file.Reason());
    return page::ViewedPage::Open(*file, offset, check);
}

} // namespace

PageViewer::PageViewer(std::string path, int64_t ifdOffset, QWidget* parent)
    : QWidget(parent), path_(std::move(path)), ifdOffset_(ifdOffset) {
    setWindowTitle(kCaption);
    setFont(ui::ProgramFont());
    NameControls();
    PlaceControls();
    SetUpControls();
    SetTabOrder();
    ConnectHandlers();
}

// The zoom box goes before the window does; its key presses must not reach the filter then.
PageViewer::~PageViewer() {
    zoomBox_.removeEventFilter(this);
    pageView_.removeEventFilter(this);
}

QPointer<PageViewer> PageViewer::Open(std::string path, int64_t ifdOffset) {
    QPointer<PageViewer> viewer = new PageViewer(std::move(path), ifdOffset);
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    viewer->Load();
    viewer->show();
    viewer->pageView_.setFocus();
    return viewer;
}

void PageViewer::NameControls() {
    pageFrame_.setObjectName(QStringLiteral("pageFrame"));
    pageView_.setObjectName(QStringLiteral("pageView"));
    zoomLabel_.setObjectName(QStringLiteral("zoomLabel"));
    zoomBox_.setObjectName(QStringLiteral("zoomBox"));
    saveG3Button_.setObjectName(QStringLiteral("saveG3Button"));
    saveG4Button_.setObjectName(QStringLiteral("saveG4Button"));
    horizontalScrollBar_.setObjectName(QStringLiteral("horizontalScrollBar"));
    verticalScrollBar_.setObjectName(QStringLiteral("verticalScrollBar"));
    infoLine_.setObjectName(QStringLiteral("infoLine"));
}

void PageViewer::PlaceControls() {
    const ui::LogicalDpi dpi = ui::LogicalDpi::Of(*this);
    resize(ui::ToPixels(kClientArea, dpi));
    zoomLabel_.setGeometry(ui::ToPixels(kZoomLabel, dpi));
    zoomBox_.setGeometry(ui::ToPixels(kZoomBox, dpi));
    saveG3Button_.setGeometry(ui::ToPixels(kSaveG3Button, dpi));
    saveG4Button_.setGeometry(ui::ToPixels(kSaveG4Button, dpi));
    pageFrame_.setGeometry(ui::ToPixels(kPageFrame, dpi));
    pageView_.setGeometry(ui::ToPixels(kPageView, dpi));
    horizontalScrollBar_.setGeometry(ui::ToPixels(kHorizontalScrollBar, dpi));
    verticalScrollBar_.setGeometry(ui::ToPixels(kVerticalScrollBar, dpi));
    infoLine_.setGeometry(ui::ToPixels(kInfoLine, dpi));
}

void PageViewer::SetUpControls() {
    zoomLabel_.setText(kZoomLabelText);
    zoomLabel_.setAlignment(Qt::AlignLeft | Qt::AlignTop);

    zoomBox_.setEditable(true);
    // Enter redraws at the typed zoom and never adds it to the list; the text is taken as typed,
    // without completion from the list.
    zoomBox_.setInsertPolicy(QComboBox::NoInsert);
    zoomBox_.setCompleter(nullptr);
    zoomTextShown_ = controller_.ZoomText();
    zoomBox_.setEditText(zoomTextShown_);
    // A file dropped on the zoom box is a file to open, not text to insert.
    zoomBox_.lineEdit()->setAcceptDrops(false);

    QFont bold = ui::ProgramFont();
    bold.setBold(true);
    for (QPushButton* button : {&saveG3Button_, &saveG4Button_}) {
        button->setCheckable(true);
        button->setFont(bold);
    }
    saveG3Button_.setText(kSaveG3Text);
    saveG4Button_.setText(kSaveG4Text);
    // There is nothing to save until the page is decoded.
    saveG3Button_.setEnabled(false);
    saveG4Button_.setEnabled(false);

    pageFrame_.setFrameShape(QFrame::NoFrame);
    pageFrame_.setAutoFillBackground(true);
    pageView_.SetBackColor(kApplicationWorkspace);
    // The pointer's place on the page is followed for the information line.
    pageView_.setMouseTracking(true);
    infoLine_.setTextFormat(Qt::PlainText);

    // The values are hundredths of a percent of the page; the steps follow what the view shows.
    for (QScrollBar* bar : {&horizontalScrollBar_, &verticalScrollBar_}) {
        bar->setRange(0, kScrollUnits);
        bar->setPageStep(ScrollSteps{}.page);
        bar->setSingleStep(ScrollSteps{}.single);
        // A change is reported when the thumb is let go, not for every step of a drag.
        bar->setTracking(false);
        bar->setFocusPolicy(Qt::StrongFocus);
    }
    redrawTimer_.setSingleShot(true);
    progress_.Follow(opening_, kOpeningProgress);
    progress_.Follow(turning_, kTurningProgress);
    progress_.Follow(saveCommand_.Task(), PageSaveCommand::kProgressText);
    progress_.Follow(printCommand_.Task(), PagePrintCommand::kProgressText);
}

// Tab goes page, zoom box, G3 button, vertical and horizontal scroll bar, G4 button; the label
// and the frame take no focus.
void PageViewer::SetTabOrder() {
    setTabOrder(&pageView_, &zoomBox_);
    setTabOrder(&zoomBox_, &saveG3Button_);
    setTabOrder(&saveG3Button_, &verticalScrollBar_);
    setTabOrder(&verticalScrollBar_, &horizontalScrollBar_);
    setTabOrder(&horizontalScrollBar_, &saveG4Button_);
}

void PageViewer::ConnectHandlers() {
    connect(&zoomBox_, &QComboBox::activated, this, &PageViewer::ApplyChosenZoom);
    // Left alone, the box picks the list entry that equals a typed text when the editing ends,
    // by Enter or by leaving the box, and reports that as a choice from the list. A typed zoom
    // takes effect on Enter only.
    QObject::disconnect(zoomBox_.lineEdit(), &QLineEdit::editingFinished, &zoomBox_, nullptr);
    // The box keeps the focus while its text is edited and hands the keys to its line edit.
    zoomBox_.installEventFilter(this);
    pageView_.installEventFilter(this);
    for (QScrollBar* bar : {&horizontalScrollBar_, &verticalScrollBar_})
        connect(bar, &QScrollBar::valueChanged, this, &PageViewer::ShowScrollBarValues);
    // Like a check box, a button reports every change of its value, its own reset included.
    connect(&saveG3Button_, &QPushButton::toggled, this,
            [this] { SaveAs(page::SaveCoding::Group3, saveG3Button_); });
    connect(&saveG4Button_, &QPushButton::toggled, this,
            [this] { SaveAs(page::SaveCoding::Group4, saveG4Button_); });
    connect(&saveCommand_, &PageSaveCommand::FileReplaced, this, &PageViewer::TakeReplacedFile);
    connect(&redrawTimer_, &QTimer::timeout, this, &PageViewer::Redraw);
    connect(&opening_, &ui::BackgroundTask::Cancelled, this, &PageViewer::SayOpeningCancelled);
    connect(&thumbnails_, &ThumbnailPanel::Idle, this, &PageViewer::ReportIfIdle,
            Qt::QueuedConnection);
    for (ui::BackgroundTask* task :
         {&opening_, &turning_, &indexing_, &saveCommand_.Task(), &printCommand_.Task()})
        connect(task, &ui::BackgroundTask::Ended, this, &PageViewer::ReportIfIdle,
                Qt::QueuedConnection);
    ConnectPageInput();
    ConnectActions();
    setAcceptDrops(true);
}

void PageViewer::ConnectPageInput() {
    input_ = new ViewInput(pageView_, pageFrame_);
    connect(input_, &ViewInput::ScrollByPixels, this, &PageViewer::ScrollByPixels);
    connect(input_, &ViewInput::ScrollByNotches, this, &PageViewer::ScrollByNotches);
    connect(input_, &ViewInput::ZoomAround, this, &PageViewer::ZoomAroundPoint);
    connect(input_, &ViewInput::ScrollKey, this, &PageViewer::ScrollKey);
    connect(input_, &ViewInput::MenuRequested, this, &PageViewer::ShowPageMenu);
}

void PageViewer::ConnectActions() {
    connect(&actions_.zoomIn, &QAction::triggered, this, &PageViewer::ZoomIn);
    connect(&actions_.zoomOut, &QAction::triggered, this, &PageViewer::ZoomOut);
    connect(&actions_.fitWidth, &QAction::triggered, this, &PageViewer::FitWidth);
    connect(&actions_.fitPage, &QAction::triggered, this, &PageViewer::FitPage);
    connect(&actions_.actualSize, &QAction::triggered, this, &PageViewer::ShowActualSize);
    connect(&actions_.rotateRight, &QAction::triggered, this,
            [this] { TurnPage(page::QuarterTurn::Clockwise); });
    connect(&actions_.rotateLeft, &QAction::triggered, this,
            [this] { TurnPage(page::QuarterTurn::CounterClockwise); });
    connect(&actions_.nextImage, &QAction::triggered, this, [this] { ShowNeighbourImage(1); });
    connect(&actions_.previousImage, &QAction::triggered, this, [this] { ShowNeighbourImage(-1); });
    connect(&actions_.copyImage, &QAction::triggered, this, &PageViewer::CopyPage);
    connect(&actions_.print, &QAction::triggered, this, &PageViewer::PrintPage);
    connect(&actions_.firstImage, &QAction::triggered, this, &PageViewer::ShowFirstImage);
    connect(&actions_.lastImage, &QAction::triggered, this, &PageViewer::ShowLastImage);
    connect(&actions_.openFile, &QAction::triggered, this, &PageViewer::OpenRequested);
    connect(&actions_.closeViewer, &QAction::triggered, this, &PageViewer::CancelWorkOrClose);
    connect(&actions_.quit, &QAction::triggered, qApp, &QApplication::closeAllWindows);
    connect(&actions_.thumbnails, &QAction::toggled, this, &PageViewer::ShowThumbnails);
    connect(&actions_.goToDamage, &QAction::triggered, this, &PageViewer::GoToDamage);
    connect(&actions_.showDamage, &QAction::toggled, this, &PageViewer::RequestRedraw);
    connect(&actions_.showCodes, &QAction::triggered, this, &PageViewer::ShowCodesOfPointerRow);
    connect(&damageLine_, &DamageLine::Clicked, this, &PageViewer::GoToDamage);
    connect(&thumbnails_, &ThumbnailPanel::ImageChosen, this, &PageViewer::ShowImageAt);
}

bool PageViewer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &zoomBox_ && ui::IsEnterKey(*event))
        ApplyChosenZoom();
    if (watched == &pageView_)
        TrackPointer(*event);
    return QWidget::eventFilter(watched, event);
}

// The page pixel under the pointer, for the information line, while the pointer is over the
// part of the page the frame shows.
void PageViewer::TrackPointer(const QEvent& event) {
    if (event.type() != QEvent::MouseMove && event.type() != QEvent::Leave)
        return;
    std::optional<QPoint> at;
    const RenderPlan& plan = LastRenderPlan();
    if (event.type() == QEvent::MouseMove && plan.draws && Surface() != nullptr) {
        const QPointF view = static_cast<const QMouseEvent&>(event).position();
        const auto column = static_cast<int32_t>(std::floor(plan.x0 + view.x() / plan.kx));
        const auto row = static_cast<int32_t>(std::floor(plan.y0 + view.y() / plan.ky));
        if (column >= 0 && row >= 0 && column < Surface()->Width() && row < Surface()->Height())
            at = QPoint(column, row);
    }
    if (at == pointer_)
        return;
    pointer_ = at;
    EnableDataActions();
    ShowInfo();
}

QString PageViewer::InfoText() const {
    InfoFacts facts;
    facts.fileName = QFileInfo(ui::PathText(path_)).fileName();
    facts.index = imageIndex_;
    facts.count = imageCount_;
    if (const page::PageSurface* surface = Surface()) {
        facts.width = surface->Width();
        facts.height = surface->Height();
        facts.xDpi = page_->XDotsPerInch();
        facts.yDpi = page_->YDotsPerInch();
        if (LastRenderPlan().draws)
            facts.zoom = LastRenderPlan().zoom;
    }
    if (pointer_) {
        facts.column = pointer_->x();
        facts.row = pointer_->y();
        facts.place = RowPlaceText(*pointer_);
    }
    facts.note = note_;
    return InfoLineText(facts);
}

void PageViewer::ShowInfo() {
    infoLine_.setText(InfoText());
}

void PageViewer::CancelWorkOrClose() {
    if (!progress_.CancelAll())
        close();
}

// ---- the window ----

void PageViewer::Load() {
    QPalette framePalette = pageFrame_.palette();
    framePalette.setColor(QPalette::Window, pageView_.ResolvedBackColor());
    pageFrame_.setPalette(framePalette);
    setWindowIcon(ui::ProgramIcon());
    zoomBox_.addItems(kZoomEntries);
    zoomBox_.setCurrentIndex(-1);
    zoomBox_.setEditText(controller_.ZoomText());
    StartOpening(ImageTarget::Shown, 0);
}

// A resized window shows the page anew, for only what the frame showed was drawn.
void PageViewer::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayOutControls();
    if (pageFrame_.size() != drawnFrameSize_)
        RequestRedraw();
}

// The work of a closed window is of no use: it is cancelled, and the page freed.
void PageViewer::closeEvent(QCloseEvent* event) {
    opening_.Cancel();
    turning_.Cancel();
    indexing_.Cancel();
    saveCommand_.Task().Cancel();
    printCommand_.Task().Cancel();
    thumbnails_.Stop();
    page_.reset();
    // Last: a cancel may have asked for a drawing that no one will see.
    redrawTimer_.stop();
    event->accept();
}

void PageViewer::LayOutControls() {
    const ui::LogicalDpi dpi = ui::LogicalDpi::Of(*this);
    const QSize outer = frameGeometry().size();
    const QSize client = size();
    const int sideFrame = RoundHalfEven((outer.width() - client.width()) / 2.0);
    const int topFrame = (outer.height() - client.height()) - sideFrame;
    const ViewerLayout layout =
        LayOutViewer({PixelsToTwips(outer.width(), dpi.x), PixelsToTwips(outer.height(), dpi.y)},
                     PixelsToTwips(sideFrame, dpi.x), PixelsToTwips(topFrame, dpi.y));

    // A window too small for the layout gives negative sizes; they are applied as one pixel,
    // and the scroll bars stay inside the window.
    const int pictureWidth = std::max(1, ui::TwipsToPixels(layout.pictureWidth, dpi.x));
    const int pictureHeight = std::max(1, ui::TwipsToPixels(layout.pictureHeight, dpi.y));
    verticalScrollBar_.move(std::max(0, ui::TwipsToPixels(layout.vScrollLeft, dpi.x)),
                            verticalScrollBar_.y());
    horizontalScrollBar_.move(horizontalScrollBar_.x(),
                              std::max(0, ui::TwipsToPixels(layout.hScrollTop, dpi.y)));
    // The side panel, while it shows, takes a strip on the left of the page and its bar; the
    // damage line, while there is one, a strip of its own above the page.
    const int margin = ui::TwipsToPixels(kPageFrame.left, dpi.x);
    const int frameTop = ui::TwipsToPixels(kPageFrame.top, dpi.y);
    const int panel = thumbnails_.isVisible() ? ThumbnailPanel::kPanelWidth + margin : 0;
    const int frameLeft = margin + panel;
    const int frameWidth = std::max(1, pictureWidth - panel);
    const int damage = damageLine_.isVisible() ? damageLine_.BandHeight() : 0;
    const int frameHeight = std::max(1, pictureHeight - damage);
    thumbnails_.setGeometry(margin, frameTop, ThumbnailPanel::kPanelWidth,
                            pictureHeight + ui::TwipsToPixels(kHorizontalScrollBar.height, dpi.y));
    damageLine_.setGeometry(frameLeft, frameTop, frameWidth, damage);
    pageFrame_.setGeometry(frameLeft, frameTop + damage, frameWidth, frameHeight);
    verticalScrollBar_.setGeometry(verticalScrollBar_.x(), frameTop + damage,
                                   verticalScrollBar_.width(), frameHeight);
    horizontalScrollBar_.setGeometry(frameLeft, horizontalScrollBar_.y(), frameWidth,
                                     horizontalScrollBar_.height());
    infoLine_.setGeometry(infoLine_.x(),
                          horizontalScrollBar_.y() + horizontalScrollBar_.height() +
                              ui::TwipsToPixels(kInfoGap, dpi.y),
                          std::max(1, width() - 2 * infoLine_.x()), infoLine_.height());
    // Work under way shows its progress over the foot of the page.
    const int strip = progress_.sizeHint().height();
    progress_.setGeometry(pageFrame_.x(), pageFrame_.y() + std::max(0, pictureHeight - strip),
                          pictureWidth, std::min(strip, pictureHeight));
}

bool PageViewer::Idle() const {
    return !opening_.Running() && !turning_.Running() && !indexing_.Running() &&
           !saveCommand_.Running() && !printCommand_.Running() && !thumbnails_.Busy() &&
           !redrawTimer_.isActive();
}

void PageViewer::ReportIfIdle() {
    if (Idle())
        emit BecameIdle();
}

page::PageStatus PageViewer::Status() const {
    return page_ ? page_->Status() : page::PageStatus::NoSize;
}

// ---- opening pages ----

// Steps asked for while a page is opened add up, and the newest request replaces the one under
// way: the worker starts again from the image shown. The file's images are listed each time, so
// that the place shown is the file's as it is now.
void PageViewer::StartOpening(ImageTarget target, int step, int at) {
    controller_.AddStep(step);
    const int total = controller_.PendingStep();
    turning_.Cancel();
    controller_.TurnsDone();
    opening_.Start<NeighbourPage>(
        [path = path_, from = ifdOffset_, target, total, at](const WorkCheck& check) {
            NeighbourPage found;
            Result<tiff::TiffFile> file = tiff::TiffFile::Open(path);
            const Result<tiff::ImageList> images =
                file ? tiff::ListImages(*file, 0, check) : Result<tiff::ImageList>(Fail({}));
            const std::vector<int64_t> offsets = images ? images->offsets : std::vector<int64_t>{};
            const auto shown = std::find(offsets.begin(), offsets.end(), from);
            found.count = static_cast<int>(offsets.size());
            found.shownIndex =
                shown == offsets.end() ? -1 : static_cast<int>(shown - offsets.begin());
            if (file)
                found.identity = file->Identity();
            int64_t index = found.shownIndex;
            if (target == ImageTarget::First)
                index = 0;
            else if (target == ImageTarget::Last)
                index = found.count - 1;
            else if (target == ImageTarget::At)
                index = at;
            else if (total != 0)
                index = found.shownIndex < 0 ? -1 : found.shownIndex + int64_t{total};
            // The image asked for at the start is opened whatever the file lists.
            found.exists =
                (target == ImageTarget::Shown && total == 0) || (index >= 0 && index < found.count);
            if (!found.exists)
                return found;
            found.offset = target == ImageTarget::Shown && total == 0
                               ? from
                               : offsets[static_cast<std::size_t>(index)];
            found.index = static_cast<int>(index);
            found.page = DecodeImage(file, found.offset, check);
            if (file)
                found.file = std::make_shared<const tiff::TiffFile>(std::move(*file));
            return found;
        },
        [this, target](NeighbourPage opened) { ShowOpened(target, std::move(opened)); });
}

// A file that changed since the page shown was opened is said: the page shown is the old file's,
// and the image asked for is the new file's.
void PageViewer::ShowOpened(ImageTarget target, NeighbourPage opened) {
    const bool moved = target != ImageTarget::Shown || controller_.PendingStep() != 0;
    const int step = controller_.PendingStep();
    const bool changed = identity_ && *identity_ != opened.identity;
    imageCount_ = opened.count;
    imageIndex_ = changed ? opened.shownIndex : imageIndex_;
    if (!opened.exists) {
        controller_.StepRefused();
        note_ = changed && opened.shownIndex < 0 ? kImageGone
                : step < 0                       ? kAtFirstImage
                                                 : kAtLastImage;
        ShowInfo();
        return;
    }
    note_ = changed ? kFileChanged : QString();
    identity_ = opened.identity;
    if (changed && thumbnails_.isVisible())
        thumbnails_.ShowFile(path_);
    const bool sameImage = opened.offset == ifdOffset_ && opened.page;
    ifdOffset_ = opened.offset;
    imageIndex_ = opened.index;
    if (moved)
        controller_.StepTaken();
    thumbnails_.MarkShown(imageIndex_);
    file_ = std::move(opened.file);
    TakePage(std::move(opened.page));
    if (moved && !sameImage)
        emit ImageShown(ui::PathText(path_), opened.index);
}

// A page without a surface says why in the view instead of showing an empty sheet, and so does
// a file that cannot be read. A damaged page is shown as decoded, and says so over its top.
void PageViewer::TakePage(Result<page::ViewedPage> page) {
    message_ = page ? QString::fromStdString(page->Problem()) : CannotBeRead(page.Reason());
    page_ = page ? std::make_shared<const page::ViewedPage>(std::move(*page)) : nullptr;
    const bool damaged = page_ && page_->Damage().Any();
    damageLine_.SetText(damaged ? QStringLiteral("Damaged page: ") +
                                      QString::fromStdString(page_->Damage().Describe())
                                : QString());
    LayOutControls();
    saveG3Button_.setEnabled(Surface() != nullptr);
    saveG4Button_.setEnabled(Surface() != nullptr);
    EnableDataActions();
    IndexRowStarts();
    RequestRedraw();
}

// A page whose opening was cancelled before it was ever shown says so; a step to another image
// that was cancelled leaves the page shown as it is.
void PageViewer::SayOpeningCancelled() {
    controller_.StepRefused();
    if (page_ || !message_.isEmpty())
        return;
    message_ = kOpeningCancelled;
    RequestRedraw();
}

void PageViewer::ShowNeighbourImage(int step) {
    if (step != 0)
        StartOpening(ImageTarget::Shown, step);
}

void PageViewer::ShowFirstImage() {
    StartOpening(ImageTarget::First, 0);
}

void PageViewer::ShowLastImage() {
    StartOpening(ImageTarget::Last, 0);
}

void PageViewer::ShowImageAt(int index) {
    StartOpening(ImageTarget::At, 0, index);
}

void PageViewer::ShowThumbnails(bool shown) {
    if (shown == thumbnails_.isVisible())
        return;
    thumbnails_.setVisible(shown);
    actions_.thumbnails.setChecked(shown);
    if (shown) {
        thumbnails_.ShowFile(path_);
        thumbnails_.MarkShown(imageIndex_);
    } else {
        thumbnails_.Stop();
    }
    LayOutControls();
    RequestRedraw();
}

// Turns asked for while one is carried out add up; the newest request replaces the one under
// way, so that any number of quick turns end in one turn at most (four turns in none). A page
// that is being opened is not turned.
void PageViewer::TurnPage(page::QuarterTurn turn) {
    if (opening_.Running() || Surface() == nullptr)
        return;
    controller_.AddTurn(turn == page::QuarterTurn::Clockwise);
    StartTurning();
}

void PageViewer::StartTurning() {
    const int turns = controller_.PendingTurns();
    if (turns == 0) {
        turning_.Cancel();
        return;
    }
    turning_.Start<Result<page::ViewedPage>>(
        [page = page_, turns](const WorkCheck& check) { return page->Turned(turns, check); },
        [this](Result<page::ViewedPage> turned) {
            controller_.TurnsDone();
            if (!turned)
                return;
            page_ = std::make_shared<const page::ViewedPage>(std::move(*turned));
            RequestRedraw();
        });
}

// ---- zooming and scrolling ----

void PageViewer::ApplyChosenZoom() {
    controller_.SetZoomText(zoomBox_.currentText());
    zoomTextShown_ = controller_.ZoomText();
    RequestRedraw();
}

void PageViewer::ZoomIn() {
    if (controller_.ZoomIn(Shown()))
        RequestRedraw();
}

void PageViewer::ZoomOut() {
    if (controller_.ZoomOut(Shown()))
        RequestRedraw();
}

void PageViewer::FitWidth() {
    controller_.FitWidth();
    RequestRedraw();
}

void PageViewer::FitPage() {
    controller_.FitPage();
    RequestRedraw();
}

void PageViewer::ShowActualSize() {
    controller_.ShowActualSize();
    RequestRedraw();
}

// The page point under the pointer stays under it.
void PageViewer::ZoomAroundPoint(double notches, QPointF at) {
    if (controller_.ZoomAround(notches, at.x(), at.y(), Shown()))
        RequestRedraw();
}

void PageViewer::ShowScrollBarValues() {
    if (controller_.ScrollTo(horizontalScrollBar_.value(), verticalScrollBar_.value()))
        RequestRedraw();
}

void PageViewer::ScrollByPixels(QPointF pixels) {
    if (controller_.ScrollByPixels(pixels.x(), pixels.y(), Shown()))
        RequestRedraw();
}

// A notch moves as far as the arrow keys do, times the lines a notch scrolls on this desktop.
void PageViewer::ScrollByNotches(QPointF notches) {
    if (controller_.ScrollByNotches(notches.x(), notches.y(), QApplication::wheelScrollLines(),
                                    Shown()))
        RequestRedraw();
}

void PageViewer::ScrollKey(ScrollMove move) {
    if (controller_.ScrollByKey(move, Shown()))
        RequestRedraw();
}

float PageViewer::HorizontalScroll() const {
    return static_cast<float>(controller_.Scroll().h) / kScrollUnitsPerPercent;
}

float PageViewer::VerticalScroll() const {
    return static_cast<float>(controller_.Scroll().v) / kScrollUnitsPerPercent;
}

void PageViewer::ShowPageMenu(QPoint globalPosition) {
    EnableDataActions();
    QMenu menu(this);
    menu.addActions(actions_.MenuOrder());
    menu.exec(globalPosition);
}

// ---- drawing ----

// The controls show the new state at once; the page is drawn once for all the requests that
// come before the window next gets to it.
void PageViewer::RequestRedraw() {
    ShowControllerState();
    if (!redrawTimer_.isActive())
        redrawTimer_.start(0);
}

// A text typed into the zoom box stays there until a command changes the zoom.
void PageViewer::ShowControllerState() {
    if (controller_.ZoomText() != zoomTextShown_) {
        zoomTextShown_ = controller_.ZoomText();
        zoomBox_.setEditText(zoomTextShown_);
    }
    const QSignalBlocker blockH(horizontalScrollBar_);
    const QSignalBlocker blockV(verticalScrollBar_);
    horizontalScrollBar_.setValue(controller_.Scroll().h);
    verticalScrollBar_.setValue(controller_.Scroll().v);
}

void PageViewer::Redraw() {
    redrawTimer_.stop();
    FitViewIntoFrame();
    drawnFrameSize_ = pageFrame_.size();
    if (const page::PageSurface* surface = Surface())
        RenderPage(SourceOf(*surface), pageView_, ZoomForDrawing(), page_->XResolution(),
                   page_->YResolution(), HorizontalScroll(), VerticalScroll());
    else if (!message_.isEmpty())
        RenderMessage(pageView_, message_);
    MarkDamagedRows();
    EnlargeViewToScreen();
    UpdateScrollBars();
    ShowInfo();
    ReportIfIdle();
}

ShownPage PageViewer::Shown() const {
    const page::PageSurface* surface = Surface();
    if (surface == nullptr)
        return {};
    return {LastRenderPlan(), surface->Width(), surface->Height()};
}

// "Fit page" is computed for the view's present size.
float PageViewer::ZoomForDrawing() const {
    const page::PageSurface* surface = Surface();
    const float fitPage = controller_.FitsPage() && surface
                              ? FitPageZoomFor(SourceOf(*surface), pageView_, page_->XResolution(),
                                               page_->YResolution())
                              : 0;
    return controller_.ZoomInForce(fitPage);
}

// Each bar steps by what the view shows of its axis and is usable only while that axis does
// not fit the view whole.
void PageViewer::UpdateScrollBars() {
    const ShownPage shown = Shown();
    const ViewAxis across = shown.Across();
    const ViewAxis down = shown.Down();
    for (auto [bar, axis] :
         {std::pair{&horizontalScrollBar_, across}, std::pair{&verticalScrollBar_, down}}) {
        const ScrollSteps steps = StepsFor(axis);
        bar->setPageStep(steps.page);
        bar->setSingleStep(steps.single);
        bar->setEnabled(axis.Scrolls());
    }
}

void PageViewer::FitViewIntoFrame() {
    pageView_.resize(std::max(0, pageFrame_.width() - 2 * pageView_.x()),
                     std::max(0, pageFrame_.height() - 2 * pageView_.y()));
}

// The frame clips the view, so a later larger window shows more of it without a new drawing.
void PageViewer::EnlargeViewToScreen() {
    const ScreenMetrics screen = GetScreenMetrics(pageView_);
    if (screen.horzRes > 0 && screen.vertRes > 0)
        pageView_.resize(screen.horzRes, screen.vertRes);
}

// ---- saving, copying, printing ----

void PageViewer::SaveAs(page::SaveCoding coding, QPushButton& button) {
    if (!button.isChecked())
        return; // the reset below raises the event once more
    if (page_ && Surface())
        saveCommand_.Run(page_, path_, coding);
    button.setChecked(false);
}

// The file now holds the saved page as its one image, which the viewer shows from now on.
void PageViewer::TakeReplacedFile() {
    if (const std::vector<int64_t> offsets = tiff::ImagesOf(path_); !offsets.empty())
        ifdOffset_ = offsets.front();
    emit FileReplaced(ui::PathText(path_));
}

void PageViewer::CopyPage() {
    if (const page::PageSurface* surface = Surface())
        QGuiApplication::clipboard()->setImage(
            PageImage(*surface, page_->XDotsPerInch(), page_->YDotsPerInch()));
}

void PageViewer::PrintPage() {
    if (page_ && Surface())
        printCommand_.Run(page_, path_, ifdOffset_);
}

void PageViewer::PrintOn(std::shared_ptr<QPrinter> printer, int first, int last) {
    if (page_ && Surface() && !printCommand_.Running())
        printCommand_.Start(std::move(printer), page_, path_, ifdOffset_, first, last);
}

// ---- files dropped on the window ----

void PageViewer::dragEnterEvent(QDragEnterEvent* event) {
    if (!ui::DroppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void PageViewer::dropEvent(QDropEvent* event) {
    const QString path = ui::DroppedFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    emit FileDropped(path);
}

} // namespace faxlens::viewer
