#include "shell/main_window.h"

#include "shell/program.h"
#include "tiff/tag_report.h"
#include "ui/dropped_file.h"
#include "ui/file_dialogs.h"
#include "ui/input_events.h"
#include "ui/path_text.h"
#include "ui/program_font.h"
#include "ui/program_icon.h"
#include "ui/twips.h"

#include <QApplication>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QScreen>

namespace faxlens::shell {

namespace {

constexpr ui::TwipSize kClientArea{6450, 2805};
constexpr ui::TwipRect kImagesFrame{90, 90, 2310, 2175};
constexpr ui::TwipRect kImageList{135, 225, 2040, 1815};
constexpr ui::TwipRect kSettingsFrame{2475, 90, 3885, 2175};
constexpr ui::TwipRect kTagReport{135, 225, 3615, 1815};
constexpr ui::TwipRect kStatusFrame{90, 2250, 6270, 465};
constexpr ui::TwipRect kStatusLine{90, 165, 5910, 255};

const QString kImagesTitle = QStringLiteral("Images");
const QString kSettingsTitle = QStringLiteral("Settings");
const QString kTifFilter = QStringLiteral("TIF Files          (*.TIF)");
const QString kTifPatterns = QStringLiteral("*.TIF;*.TIFF");
const QString kAllFilesFilter = QStringLiteral("All Files          (*.*)");
const QString kAllFilesPattern = QStringLiteral("*");
const QString kListingProgress = QStringLiteral("Listing the images...");

QPoint MousePosition(const QEvent& event) {
    return static_cast<const QMouseEvent&>(event).position().toPoint();
}

// Centres by the outer size of the window, its frame included; the frame is known once the
// platform window exists.
void CentreOnScreen(QWidget& window) {
    window.winId(); // creates the platform window
    const QRect screen = window.screen()->geometry();
    const QSize outer = window.frameGeometry().size();
    window.move(screen.left() + screen.width() / 2 - outer.width() / 2,
                screen.top() + screen.height() / 2 - outer.height() / 2);
}

} // namespace

// A file's images and the identity of the file they were listed from.
struct FileListing {
    Result<tiff::ImageList> images = Fail(std::string());
    tiff::FileIdentity identity;
};

namespace {

FileListing ListFile(const QString& path, const WorkCheck& check) {
    FileListing listing;
    const Result<tiff::TiffFile> file = tiff::TiffFile::Open(ui::NativePath(path));
    listing.images = file ? tiff::ListImages(*file, 0, check) : Fail(file.Reason());
    if (file)
        listing.identity = file->Identity();
    return listing;
}

QStringList EntryTexts(std::size_t count) {
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(count));
    for (std::size_t number = 1; number <= count; ++number)
        texts << QString::number(number);
    return texts;
}

// A file that cannot be listed is named with the reason, in a box over the main window.
void SayCannotOpen(QWidget& window, const QString& path, const std::string& reason) {
    QMessageBox box(QMessageBox::Warning, window.windowTitle(),
                    QStringLiteral("Cannot open %1\n\n%2.")
                        .arg(path.isEmpty() ? QStringLiteral("the file") : path,
                             QString::fromLocal8Bit(reason.c_str())),
                    QMessageBox::Ok, &window);
    box.exec();
}

// A chain of directories that breaks off: the images before the break are listed, and the box
// says where the chain broke.
void SayChainBreak(QWidget& window, const QString& path, const std::string& chainBreak) {
    QString what = QString::fromLocal8Bit(chainBreak.c_str());
    what[0] = what[0].toUpper();
    QMessageBox box(QMessageBox::Warning, window.windowTitle(),
                    QStringLiteral("%1\n\n%2. The images before it are listed.").arg(path, what),
                    QMessageBox::Ok, &window);
    box.exec();
}

} // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent), imagesSave_(*this) {
    setWindowTitle(QStringLiteral("Faxlens"));
    setWindowIcon(ui::ProgramIcon());
    setFont(ui::ProgramFont());
    NameControls();
    PlaceControls();
    SetUpControls();
    ConnectHandlers();
}

// The controls go before the window does; they must not reach the filter on their way out.
// Viewers still open when the main window goes, at the end of the program, go with it.
MainWindow::~MainWindow() {
    imageList_.viewport()->removeEventFilter(this);
    imageList_.removeEventFilter(this);
    statusLine_.removeEventFilter(this);
    for (const QPointer<viewer::PageViewer>& viewer : viewers_)
        delete viewer.data();
}

void MainWindow::NameControls() {
    imagesFrame_.setObjectName(QStringLiteral("imagesFrame"));
    imageList_.setObjectName(QStringLiteral("imageList"));
    settingsFrame_.setObjectName(QStringLiteral("settingsFrame"));
    tagReport_.setObjectName(QStringLiteral("tagReport"));
    statusFrame_.setObjectName(QStringLiteral("statusFrame"));
    statusLine_.setObjectName(QStringLiteral("statusLine"));
    imageListMenu_.setObjectName(QStringLiteral("imageListMenu"));
    viewImageAction_.setObjectName(QStringLiteral("viewImageAction"));
    saveImagesAsPdfAction_.setObjectName(QStringLiteral("saveImagesAsPdfAction"));
    saveImagesAsG4Action_.setObjectName(QStringLiteral("saveImagesAsG4Action"));
    saveImagesAsG3Action_.setObjectName(QStringLiteral("saveImagesAsG3Action"));
    openAction_.setObjectName(QStringLiteral("openAction"));
    reloadAction_.setObjectName(QStringLiteral("reloadAction"));
    cancelWorkAction_.setObjectName(QStringLiteral("cancelWorkAction"));
    quitAction_.setObjectName(QStringLiteral("quitAction"));
}

void MainWindow::PlaceControls() {
    const ui::LogicalDpi dpi = ui::LogicalDpi::Of(*this);
    setFixedSize(ui::ToPixels(kClientArea, dpi));
    imagesFrame_.setGeometry(ui::ToPixels(kImagesFrame, dpi));
    imageList_.setGeometry(ui::ToPixels(kImageList, dpi));
    settingsFrame_.setGeometry(ui::ToPixels(kSettingsFrame, dpi));
    tagReport_.setGeometry(ui::ToPixels(kTagReport, dpi));
    statusFrame_.setGeometry(ui::ToPixels(kStatusFrame, dpi));
    statusLine_.setGeometry(ui::ToPixels(kStatusLine, dpi));
    // While work runs its progress lies over the status line, which says what is read.
    progress_.setGeometry(statusFrame_.geometry());
}

void MainWindow::SetUpControls() {
    imagesFrame_.setTitle(kImagesTitle);
    settingsFrame_.setTitle(kSettingsTitle);
    imageList_.setSortingEnabled(false);
    // Ctrl and Shift with a click, and Ctrl+A, select several images for the saves.
    imageList_.setSelectionMode(QAbstractItemView::ExtendedSelection);
    // The report is for reading and copying, with the mouse or the keyboard.
    tagReport_.setReadOnly(true);
    tagReport_.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    tagReport_.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    tagReport_.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    imageList_.setContextMenuPolicy(Qt::CustomContextMenu);
    imageListMenu_.addAction(&viewImageAction_);
    imageListMenu_.addSeparator();
    imageListMenu_.addAction(&saveImagesAsPdfAction_);
    imageListMenu_.addAction(&saveImagesAsG4Action_);
    imageListMenu_.addAction(&saveImagesAsG3Action_);
    statusLine_.setTextFormat(Qt::PlainText);
    statusLine_.setText(QString::fromLatin1(kStatusNoFile));
    openAction_.setShortcut(QKeySequence::Open);
    openAction_.setShortcutContext(Qt::WindowShortcut);
    addAction(&openAction_);
    reloadAction_.setShortcut(QKeySequence::Refresh);
    reloadAction_.setShortcutContext(Qt::WindowShortcut);
    addAction(&reloadAction_);
    cancelWorkAction_.setShortcut(QKeySequence(Qt::Key_Escape));
    cancelWorkAction_.setShortcutContext(Qt::WindowShortcut);
    addAction(&cancelWorkAction_);
    quitAction_.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quitAction_.setShortcutContext(Qt::WindowShortcut);
    addAction(&quitAction_);
    // A file dropped anywhere on the window is opened; the report takes no text from a drop.
    setAcceptDrops(true);
    tagReport_.setAcceptDrops(false);
    // Tab goes from the list to the report and back; the frames and the label take no focus.
    setTabOrder(&imageList_, &tagReport_);
    progress_.Follow(listing_, kListingProgress);
    progress_.Follow(imagesSave_.Task(), ImagesSaveCommand::kProgressText);
}

void MainWindow::ConnectHandlers() {
    connect(&imageList_, &QListWidget::itemSelectionChanged, this,
            &MainWindow::ShowReportOfSelectedImage);
    connect(&imageList_, &QWidget::customContextMenuRequested, this, &MainWindow::ShowListMenu);
    connect(&viewImageAction_, &QAction::triggered, this, &MainWindow::ViewSelectedImage);
    connect(&saveImagesAsPdfAction_, &QAction::triggered, this, &MainWindow::SaveImagesAsPdf);
    connect(&saveImagesAsG4Action_, &QAction::triggered, this,
            [this] { SaveImages(ImagesFormat::TiffG4); });
    connect(&saveImagesAsG3Action_, &QAction::triggered, this,
            [this] { SaveImages(ImagesFormat::TiffG3); });
    connect(&openAction_, &QAction::triggered, this, &MainWindow::ChooseAndOpenFile);
    connect(&reloadAction_, &QAction::triggered, this, &MainWindow::ReloadFile);
    connect(&cancelWorkAction_, &QAction::triggered, &progress_, &ui::ProgressStrip::CancelAll);
    connect(&quitAction_, &QAction::triggered, qApp, &QApplication::closeAllWindows);
    connect(&listing_, &ui::BackgroundTask::Ended, this, &MainWindow::ListingEnded);
    statusLine_.installEventFilter(this);
    imageList_.installEventFilter(this);
    imageList_.viewport()->installEventFilter(this);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &statusLine_ && ui::IsLeftDoubleClick(*event)) {
        ChooseAndOpenFile();
        return true;
    }
    if (watched == imageList_.viewport() && ui::IsLeftDoubleClick(*event) &&
        SelectEntryAt(MousePosition(*event)))
        ViewSelectedImage();
    if (watched == &imageList_ && ui::IsEnterKey(*event)) {
        // The entry with the focus is the one meant, selected or not.
        if (SelectedEntry() < 0 && imageList_.currentItem() != nullptr)
            imageList_.currentItem()->setSelected(true);
        ViewSelectedImage();
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::Start(const QString& commandLine) {
    CentreOnScreen(*this);
    show();
    if (!commandLine.isEmpty())
        OpenTifFile(commandLine);
}

void MainWindow::ChooseAndOpenFile() {
    const QString path =
        ui::ShowOpenDialog({{kTifFilter, kTifPatterns}, {kAllFilesFilter, kAllFilesPattern}}, this,
                           ui::DialogFolder(Document().CurrentFile), true);
    ui::RememberFolder(path);
    if (!path.isEmpty())
        OpenTifFile(path);
}

void MainWindow::OpenDroppedFile(const QString& path) {
    if (path.isEmpty())
        return;
    ui::RememberFolder(path);
    OpenTifFile(path);
}

// The list and the state are filled only when the listing is complete: until then they are
// empty, and nothing can be chosen from them.
void MainWindow::OpenTifFile(const QString& path, int selectAfter) {
    // Taken before the state is cleared: the path may be the state's own CurrentFile.
    const QString cleaned = CleanPath(path);
    ClearDocument();
    statusLine_.setText(QString::fromLatin1(kStatusReading));
    listing_.Start<FileListing>(
        [cleaned](const WorkCheck& check) { return ListFile(cleaned, check); },
        [this, cleaned, selectAfter](FileListing listing) {
            ShowListing(cleaned, listing, selectAfter);
        });
}

void MainWindow::ShowListing(const QString& path, const FileListing& listing, int selectAfter) {
    const Result<tiff::ImageList>& images = listing.images;
    if (!images) {
        statusLine_.setText(QString::fromLatin1(kStatusNoFile));
        SayCannotOpen(*this, path, images.Reason());
        return;
    }
    DocumentState& state = Document();
    state.CurrentFile = path;
    state.ImageOffsets = images->offsets;
    state.ListedAs = listing.identity;
    imageList_.addItems(EntryTexts(state.ImageOffsets.size()));
    statusLine_.setText(QString::fromLatin1(kStatusListed));
    if (selectAfter >= 0 && selectAfter < imageList_.count())
        imageList_.setCurrentRow(selectAfter);
    if (!images->Whole())
        SayChainBreak(*this, path, images->chainBreak);
}

// Forgets the open file: report, list and state; a listing under way is cancelled.
void MainWindow::ClearDocument() {
    listing_.Cancel();
    DocumentState& state = Document();
    tagReport_.clear();
    imageList_.clear();
    state.CurrentFile.clear();
    state.ImageOffsets.clear();
}

void MainWindow::ReloadFile() {
    const QString file = Document().CurrentFile;
    if (!file.isEmpty())
        OpenTifFile(file, SelectedEntry());
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!ui::DroppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QString path = ui::DroppedFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    OpenDroppedFile(path);
}

void MainWindow::ShowReportOfSelectedImage() {
    const DocumentState& state = Document();
    const int entry = SelectedEntry();
    if (entry < 0 || entry >= static_cast<int>(state.ImageOffsets.size()))
        return;
    const Result<tiff::TiffFile> file = tiff::TiffFile::Open(ui::NativePath(state.CurrentFile));
    if (file && !StillListed(file->Identity())) {
        ShowReport(std::string(kStatusFileChanged) + ".");
        return;
    }
    const Result<std::string> report =
        file ? tiff::BuildTagReport(*file, state.ImageOffsets[entry]) : Fail(file.Reason());
    // A file that can no longer be read says so where its report would be.
    ShowReport(report ? *report : "The report cannot be read: " + report.Reason() + ".");
}

int MainWindow::SelectedEntry() const {
    const QListWidgetItem* current = imageList_.currentItem();
    if (current != nullptr && current->isSelected())
        return imageList_.row(current);
    const QModelIndexList rows = imageList_.selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

std::vector<ListedImage> MainWindow::ChosenImages() const {
    const std::vector<int64_t>& offsets = Document().ImageOffsets;
    QModelIndexList rows = imageList_.selectionModel()->selectedRows();
    std::vector<ListedImage> images;
    if (rows.size() >= 2) {
        std::sort(rows.begin(), rows.end());
        for (const QModelIndex& row : rows)
            if (row.row() < static_cast<int>(offsets.size()))
                images.push_back({row.row() + 1, offsets[static_cast<std::size_t>(row.row())]});
        return images;
    }
    for (std::size_t k = 0; k < offsets.size(); ++k)
        images.push_back({static_cast<int>(k + 1), offsets[k]});
    return images;
}

QList<viewer::PageViewer*> MainWindow::OpenViewers() const {
    QList<viewer::PageViewer*> open;
    for (const QPointer<viewer::PageViewer>& viewer : viewers_)
        if (viewer && viewer->isVisible())
            open << viewer.data();
    return open;
}

// The report is built byte by byte in the single-byte character set, with CR LF breaks.
void MainWindow::ShowReport(const std::string& report) {
    QString text = QString::fromLatin1(report.data(), static_cast<qsizetype>(report.size()));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    tagReport_.setPlainText(text);
}

// A click on an entry of the selection keeps the selection; on any other entry, selects it alone.
bool MainWindow::SelectEntryAt(QPoint position) {
    QListWidgetItem* item = imageList_.itemAt(position);
    if (!item)
        return false;
    if (item->isSelected())
        imageList_.setCurrentItem(item, QItemSelectionModel::NoUpdate);
    else
        imageList_.setCurrentItem(item);
    return true;
}

void MainWindow::ShowListMenu(QPoint position) {
    if (!SelectEntryAt(position))
        return;
    NameSaveActions();
    imageListMenu_.popup(imageList_.viewport()->mapToGlobal(position));
}

void MainWindow::NameSaveActions() {
    const qsizetype selected = imageList_.selectionModel()->selectedRows().size();
    const QString images = selected >= 2 ? QStringLiteral("%1 Selected Images").arg(selected)
                                         : QStringLiteral("Images");
    saveImagesAsPdfAction_.setText(QStringLiteral("Save %1 As PDF...").arg(images));
    saveImagesAsG4Action_.setText(QStringLiteral("Save %1 As TIFF (G4)...").arg(images));
    saveImagesAsG3Action_.setText(QStringLiteral("Save %1 As TIFF (G3)...").arg(images));
}

void MainWindow::ViewSelectedImage() {
    const DocumentState& state = Document();
    const int entry = SelectedEntry();
    if (entry < 0 || entry >= static_cast<int>(state.ImageOffsets.size()) || !StillListed())
        return;
    std::erase_if(viewers_,
                  [](const QPointer<viewer::PageViewer>& viewer) { return viewer.isNull(); });
    QPointer<viewer::PageViewer> viewer =
        viewer::PageViewer::Open(ui::NativePath(state.CurrentFile), state.ImageOffsets[entry]);
    connect(viewer, &viewer::PageViewer::ImageShown, this, &MainWindow::FollowViewer);
    connect(viewer, &viewer::PageViewer::FileDropped, this, &MainWindow::OpenDroppedFile);
    connect(viewer, &viewer::PageViewer::FileReplaced, this, &MainWindow::ListReplacedFile);
    connect(viewer, &viewer::PageViewer::OpenRequested, this, [this] {
        raise();
        activateWindow();
        ChooseAndOpenFile();
    });
    viewers_.push_back(viewer);
}

// A viewer that moves to another image of the file that this window lists takes the list's
// selection, and with it the report, along.
void MainWindow::FollowViewer(const QString& path, int index) {
    if (ui::NativePath(Document().CurrentFile) != ui::NativePath(path) || index < 0 ||
        index >= imageList_.count() || !StillListed())
        return;
    imageList_.setCurrentRow(index);
}

// A viewer saved over the listed file: the list shows what the file holds now, the saved page
// selected, as the viewer shows it.
void MainWindow::ListReplacedFile(const QString& path) {
    if (ui::NativePath(Document().CurrentFile) != ui::NativePath(path))
        return;
    OpenTifFile(Document().CurrentFile, 0);
}

void MainWindow::SaveImages(ImagesFormat format) {
    const DocumentState& state = Document();
    if (!state.ImageOffsets.empty() && StillListed())
        imagesSave_.Run(format, state.CurrentFile, ChosenImages());
}

// An action on the list's entries would read whatever the file holds now at offsets of what it
// held: it is refused, and the status line says why, until the file is listed again.
bool MainWindow::StillListed(const tiff::FileIdentity& now) {
    if (now == Document().ListedAs)
        return true;
    statusLine_.setText(QString::fromLatin1(kStatusFileChanged));
    return false;
}

bool MainWindow::StillListed() {
    const std::optional<tiff::FileIdentity> now =
        tiff::IdentityOf(ui::NativePath(Document().CurrentFile));
    if (now)
        return StillListed(*now);
    statusLine_.setText(QString::fromLatin1(kStatusFileChanged));
    return false;
}

} // namespace faxlens::shell
