#include "shell/form1.h"

#include "shell/program.h"
#include "tiff/tag_report.h"
#include "ui/dropped_file.h"
#include "ui/file_dialogs.h"
#include "ui/path_text.h"
#include "ui/program_font.h"
#include "ui/program_icon.h"
#include "ui/twips.h"

#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>

namespace faxlens::shell {

namespace {

constexpr ui::TwipSize kClientArea{6450, 2805};
constexpr ui::TwipRect kFrame1{90, 90, 2310, 2175};
constexpr ui::TwipRect kList1{135, 225, 2040, 1815};
constexpr ui::TwipRect kFrame2{2475, 90, 3885, 2175};
constexpr ui::TwipRect kText1{135, 225, 3615, 1815};
constexpr ui::TwipRect kFrame3{90, 2250, 6270, 465};
constexpr ui::TwipRect kLabel1{90, 165, 5910, 255};

const QString kTifFilter = QStringLiteral("TIF Files          (*.TIF)");
const QString kTifPatterns = QStringLiteral("*.TIF;*.TIFF");
const QString kAllFilesFilter = QStringLiteral("All Files          (*.*)");
const QString kAllFilesPattern = QStringLiteral("*");

constexpr int kEnterKey = 13;

bool IsLeftDoubleClick(const QEvent& event) {
    return event.type() == QEvent::MouseButtonDblClick &&
           static_cast<const QMouseEvent&>(event).button() == Qt::LeftButton;
}

QPoint MousePosition(const QEvent& event) {
    return static_cast<const QMouseEvent&>(event).position().toPoint();
}

// Return on the main keyboard and Enter on the keypad alike.
bool IsEnterKey(const QEvent& event) {
    if (event.type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent&>(event).key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

Form1::Form1(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Faxlens"));
    setWindowIcon(ui::ProgramIcon());
    setFont(ui::ProgramFont());
    PlaceControls();
    SetUpControls();
    SetTabOrder();
    ConnectHandlers();
}

// The controls go before the window does; they must not reach the filter on their way out.
// Viewers still open when the main window goes, at the end of the program, go with it.
Form1::~Form1() {
    List1.viewport()->removeEventFilter(this);
    List1.removeEventFilter(this);
    Label1.removeEventFilter(this);
    for (const QPointer<viewer::ViewForm>& viewer : viewers_)
        delete viewer.data();
}

void Form1::PlaceControls() {
    const ui::LogicalDpi dpi = ui::LogicalDpi::Of(*this);
    setFixedSize(ui::ToPixels(kClientArea, dpi));
    Frame1.setGeometry(ui::ToPixels(kFrame1, dpi));
    List1.setGeometry(ui::ToPixels(kList1, dpi));
    Frame2.setGeometry(ui::ToPixels(kFrame2, dpi));
    Text1.setGeometry(ui::ToPixels(kText1, dpi));
    Frame3.setGeometry(ui::ToPixels(kFrame3, dpi));
    Label1.setGeometry(ui::ToPixels(kLabel1, dpi));
}

void Form1::SetUpControls() {
    Frame1.setTitle(QStringLiteral("Images"));
    Frame2.setTitle(QStringLiteral("Settings"));
    List1.setSortingEnabled(false);
    List1.setSelectionMode(QAbstractItemView::SingleSelection);
    // The report is for reading and copying, with the mouse or the keyboard.
    Text1.setReadOnly(true);
    Text1.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Text1.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    List1.setContextMenuPolicy(Qt::CustomContextMenu);
    List1Menu.addAction(&mnuViewImage);
    List1Menu.addSeparator();
    List1Menu.addAction(&mnuSaveImagesAsPdf);
    Label1.setTextFormat(Qt::PlainText);
    Label1.setText(QString::fromLatin1(kStatusNoFile));
    openCommand.setShortcut(QKeySequence::Open);
    openCommand.setShortcutContext(Qt::WindowShortcut);
    addAction(&openCommand);
    reloadCommand.setShortcut(QKeySequence::Refresh);
    reloadCommand.setShortcutContext(Qt::WindowShortcut);
    addAction(&reloadCommand);
    // A file dropped anywhere on the window is opened; the report takes no text from a drop.
    setAcceptDrops(true);
    Text1.setAcceptDrops(false);
}

// Tab goes from the list to the report and back; the frames and the label take no focus.
void Form1::SetTabOrder() {
    setTabOrder(&List1, &Text1);
}

void Form1::ConnectHandlers() {
    connect(&List1, &QListWidget::itemSelectionChanged, this, &Form1::List1_Click);
    connect(&List1, &QWidget::customContextMenuRequested, this, &Form1::ShowListMenu);
    connect(&mnuViewImage, &QAction::triggered, this, &Form1::mnuViewImage_Click);
    connect(&mnuSaveImagesAsPdf, &QAction::triggered, this, &Form1::mnuSaveImagesAsPdf_Click);
    connect(&openCommand, &QAction::triggered, this, &Form1::Label1_DblClick);
    connect(&reloadCommand, &QAction::triggered, this, &Form1::ReloadFile);
    Label1.installEventFilter(this);
    List1.installEventFilter(this);
    List1.viewport()->installEventFilter(this);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &Label1 && IsLeftDoubleClick(*event)) {
        Label1_DblClick();
        return true;
    }
    if (watched == List1.viewport() && event->type() == QEvent::MouseButtonPress)
        List1_MouseDown();
    if (watched == List1.viewport() && IsLeftDoubleClick(*event) &&
        SelectEntryAt(MousePosition(*event)))
        List1_DblClick();
    if (watched == &List1 && IsEnterKey(*event)) {
        // The entry with the focus is the one meant, selected or not.
        if (SelectedEntry() < 0 && List1.currentItem() != nullptr)
            List1.currentItem()->setSelected(true);
        List1_KeyPress(kEnterKey);
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::Form_Load(const QString& commandLine) {
    shell::StartUp(*this, commandLine);
}

void Form1::Label1_DblClick() {
    if (shell::Document().Reading.Busy())
        return;
    const QString path =
        ui::ShowOpenDialog({{kTifFilter, kTifPatterns}, {kAllFilesFilter, kAllFilesPattern}}, this,
                           ui::DialogFolder(shell::Document().CurrentFile), true);
    ui::RememberFolder(path);
    if (!path.isEmpty())
        shell::OpenTifFile(*this, path);
}

void Form1::OpenDroppedFile(const QString& path) {
    if (shell::Document().Reading.Busy() || path.isEmpty())
        return;
    ui::RememberFolder(path);
    shell::OpenTifFile(*this, path);
}

void Form1::ReloadFile() {
    const shell::DocumentState& state = shell::Document();
    if (state.Reading.Busy() || state.CurrentFile.isEmpty())
        return;
    const int selected = SelectedEntry();
    if (shell::OpenTifFile(*this, state.CurrentFile) && selected >= 0 && selected < List1.count())
        List1.setCurrentRow(selected);
}

void Form1::dragEnterEvent(QDragEnterEvent* event) {
    if (!ui::DroppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent* event) {
    const QString path = ui::DroppedFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    OpenDroppedFile(path);
}

void Form1::List1_Click() {
    const shell::DocumentState& state = shell::Document();
    const int entry = SelectedEntry();
    if (state.Reading.Busy() || entry < 0 || entry >= static_cast<int>(state.ImageOffsets.size()))
        return;
    const Result<tiff::TiffFile> file = tiff::TiffFile::Open(ui::NativePath(state.CurrentFile));
    const Result<std::string> report =
        file ? tiff::BuildTagReport(*file, state.ImageOffsets[entry]) : Fail(file.Reason());
    // A file that can no longer be read says so where its report would be.
    ShowReport(report ? *report : "The report cannot be read: " + report.Reason() + ".");
}

void Form1::List1_MouseDown() {}

void Form1::List1_DblClick() {
    ViewSelectedImage();
}

void Form1::List1_KeyPress(int keyAscii) {
    if (keyAscii == kEnterKey)
        ViewSelectedImage();
}

void Form1::mnuViewImage_Click() {
    ViewSelectedImage();
}

int Form1::SelectedEntry() const {
    const QModelIndexList rows = List1.selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

QList<viewer::ViewForm*> Form1::OpenViewers() const {
    QList<viewer::ViewForm*> open;
    for (const QPointer<viewer::ViewForm>& viewer : viewers_)
        if (viewer && !viewer->Unloaded())
            open << viewer.data();
    return open;
}

// The report is built byte by byte in the single-byte character set, with CR LF breaks.
void Form1::ShowReport(const std::string& report) {
    QString text = QString::fromLatin1(report.data(), static_cast<qsizetype>(report.size()));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    Text1.setPlainText(text);
}

// The list is empty while a file is read, but the rule holds regardless of that.
bool Form1::SelectEntryAt(QPoint position) {
    if (shell::Document().Reading.Busy())
        return false;
    QListWidgetItem* item = List1.itemAt(position);
    if (!item)
        return false;
    List1.setCurrentItem(item);
    return true;
}

void Form1::ShowListMenu(QPoint position) {
    if (SelectEntryAt(position))
        List1Menu.popup(List1.viewport()->mapToGlobal(position));
}

// The viewer decodes while events are processed, so the document state may change before it
// returns; it takes the path and the offset along at the start.
void Form1::ViewSelectedImage() {
    const shell::DocumentState& state = shell::Document();
    const int entry = SelectedEntry();
    if (state.Reading.Busy() || entry < 0 || entry >= static_cast<int>(state.ImageOffsets.size()))
        return;
    std::erase_if(viewers_,
                  [](const QPointer<viewer::ViewForm>& viewer) { return viewer.isNull(); });
    QPointer<viewer::ViewForm> viewer =
        viewer::ViewForm::Open(ui::NativePath(state.CurrentFile), state.ImageOffsets[entry]);
    if (viewer) {
        connect(viewer, &viewer::ViewForm::ImageShown, this, &Form1::FollowViewer);
        connect(viewer, &viewer::ViewForm::FileDropped, this, &Form1::OpenDroppedFile);
        connect(viewer, &viewer::ViewForm::FileReplaced, this, &Form1::ListReplacedFile);
    }
    viewers_.push_back(viewer);
}

// A viewer that moves to another image of the file that this window lists takes the list's
// selection, and with it the report, along.
void Form1::FollowViewer(const QString& path, int index) {
    const shell::DocumentState& state = shell::Document();
    if (state.Reading.Busy() || ui::NativePath(state.CurrentFile) != ui::NativePath(path) ||
        index < 0 || index >= List1.count())
        return;
    List1.setCurrentRow(index);
}

// A viewer saved over the listed file: the list shows what the file holds now, the saved page
// selected, as the viewer shows it.
void Form1::ListReplacedFile(const QString& path) {
    if (ui::NativePath(shell::Document().CurrentFile) != ui::NativePath(path))
        return;
    ReloadFile();
    FollowViewer(path, 0);
}

} // namespace faxlens::shell
