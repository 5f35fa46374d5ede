#include "viewer/view_form.h"

#include "base/number_text.h"
#include "ui/program_font.h"
#include "ui/program_icon.h"
#include "ui/throttled_pump.h"
#include "ui/twips.h"
#include "viewer/render_page.h"
#include "viewer/view_navigation.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <utility>

namespace faxlens::viewer {

namespace {

constexpr ui::TwipSize kClientArea{6855, 5100};
constexpr ui::TwipRect kLabel1{135, 135, 1365, 240};
constexpr ui::TwipRect kCombo1{900, 90, 1140, 315};
constexpr ui::TwipRect kCheck1{2430, 90, 1905, 330};
constexpr ui::TwipRect kCheck2{4545, 90, 1905, 330};
constexpr ui::TwipRect kPicture1{90, 495, 6405, 4245};
constexpr ui::TwipRect kPicture2{90, 90, 5640, 3795};
constexpr ui::TwipRect kHScroll1{90, 4770, 6405, 240};
constexpr ui::TwipRect kVScroll1{6525, 495, 240, 4245};

constexpr int kEnterKey = 13;

const QStringList kZoomEntries = {QStringLiteral("400%"), QStringLiteral("200%"),
                                  QStringLiteral("100%"), QStringLiteral("50%"),
                                  QStringLiteral("25%"),  QStringLiteral("10%")};
const QString kStartZoom = QStringLiteral("100%");

// Values beyond the range of a float become infinite instead of undefined.
float ToSingle(double value) {
    if (value > FLT_MAX)
        return INFINITY;
    if (value < -FLT_MAX)
        return -INFINITY;
    return static_cast<float>(value);
}

int PixelsToTwips(int pixels, double dotsPerInch) {
    return RoundHalfEven(pixels * ui::kTwipsPerInch / dotsPerInch);
}

int KeyAsciiOf(const QKeyEvent& key) {
    if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter)
        return kEnterKey;
    const QString text = key.text();
    return text.isEmpty() ? 0 : text.at(0).unicode();
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
    const int margin = kPicture1.left;
    ViewerLayout layout{};
    layout.vScrollLeft = window.width - kVScroll1.width - 2 * side - margin;
    layout.hScrollTop = window.height - kHScroll1.height - top - side - margin;
    layout.pictureWidth = layout.vScrollLeft - 2 * margin;
    layout.pictureHeight = layout.hScrollTop - kPicture1.top - margin;
    return layout;
}

} // namespace

double ParseNumberPrefix(const QString& text) {
    // Characters beyond Latin-1 become '?', which ends a number as any letter does.
    return LeadingNumber(text.toLatin1().toStdString(), true);
}

ViewForm::ViewForm(std::string path, int64_t ifdOffset, QWidget* parent)
    : QWidget(parent), path_(std::move(path)), ifdOffset_(ifdOffset) {
    setWindowTitle(QStringLiteral("TIF Viewer"));
    setFont(ui::ProgramFont());
    PlaceControls();
    SetUpControls();
    SetTabOrder();
    ConnectHandlers();
}

// The zoom box goes before the window does; its key presses must not reach the filter then.
ViewForm::~ViewForm() {
    Combo1.removeEventFilter(this);
    Form_Unload();
}

QPointer<ViewForm> ViewForm::Open(std::string path, int64_t ifdOffset) {
    QPointer<ViewForm> viewer = new ViewForm(std::move(path), ifdOffset);
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    viewer->Form_Load();
    // A close asked for while the page was decoding has been carried out by now.
    if (viewer && !viewer->Unloaded())
        viewer->show();
    return viewer;
}

void ViewForm::PlaceControls() {
    const ui::LogicalDpi dpi = ui::LogicalDpi::Of(*this);
    resize(ui::ToPixels(kClientArea, dpi));
    Label1.setGeometry(ui::ToPixels(kLabel1, dpi));
    Combo1.setGeometry(ui::ToPixels(kCombo1, dpi));
    Check1.setGeometry(ui::ToPixels(kCheck1, dpi));
    Check2.setGeometry(ui::ToPixels(kCheck2, dpi));
    Picture1.setGeometry(ui::ToPixels(kPicture1, dpi));
    Picture2.setGeometry(ui::ToPixels(kPicture2, dpi));
    HScroll1.setGeometry(ui::ToPixels(kHScroll1, dpi));
    VScroll1.setGeometry(ui::ToPixels(kVScroll1, dpi));
}

void ViewForm::SetUpControls() {
    Label1.setText(QStringLiteral("Zoom:"));
    Label1.setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Combo1.setEditable(true);
    // Enter redraws at the typed zoom and never adds it to the list; the text is taken as typed,
    // without completion from the list.
    Combo1.setInsertPolicy(QComboBox::NoInsert);
    Combo1.setCompleter(nullptr);
    Combo1.setEditText(kStartZoom);
    // A file dropped on the zoom box is a file to open, not text to insert.
    Combo1.lineEdit()->setAcceptDrops(false);

    QFont bold = ui::ProgramFont();
    bold.setBold(true);
    for (QPushButton* button : {&Check1, &Check2}) {
        button->setCheckable(true);
        button->setFont(bold);
    }
    Check1.setText(QStringLiteral("Save As TIF (G3)..."));
    Check2.setText(QStringLiteral("Save As TIF (G4)..."));

    Picture1.setFrameShape(QFrame::NoFrame);
    Picture1.setAutoFillBackground(true);
    Picture2.SetBackColor(kApplicationWorkspace);

    // The values are hundredths of a percent of the page; the steps follow what the view shows.
    for (QScrollBar* bar : {&HScroll1, &VScroll1}) {
        bar->setRange(0, kScrollUnits);
        bar->setPageStep(ScrollSteps{}.page);
        bar->setSingleStep(ScrollSteps{}.single);
        // A change is reported when the thumb is let go, not for every step of a drag.
        bar->setTracking(false);
        bar->setFocusPolicy(Qt::StrongFocus);
    }
}

// Tab goes zoom box, G3 button, vertical and horizontal scroll bar, G4 button; the label and the
// two picture boxes take no focus.
void ViewForm::SetTabOrder() {
    setTabOrder(&Combo1, &Check1);
    setTabOrder(&Check1, &VScroll1);
    setTabOrder(&VScroll1, &HScroll1);
    setTabOrder(&HScroll1, &Check2);
}

void ViewForm::ConnectHandlers() {
    connect(&Combo1, &QComboBox::activated, this, &ViewForm::Combo1_Click);
    // Left alone, the box picks the list entry that equals a typed text when the editing ends,
    // by Enter or by leaving the box, and reports that as a choice from the list. A typed zoom
    // takes effect on Enter only, through Combo1_KeyPress.
    QObject::disconnect(Combo1.lineEdit(), &QLineEdit::editingFinished, &Combo1, nullptr);
    // The box keeps the focus while its text is edited and hands the keys to its line edit.
    Combo1.installEventFilter(this);
    connect(&HScroll1, &QScrollBar::valueChanged, this, &ViewForm::HScroll1_Change);
    connect(&VScroll1, &QScrollBar::valueChanged, this, &ViewForm::VScroll1_Change);
    // Like a check box, a button reports every change of its value, its own reset included.
    connect(&Check1, &QPushButton::toggled, this, &ViewForm::Check1_Click);
    connect(&Check2, &QPushButton::toggled, this, &ViewForm::Check2_Click);
    ConnectPageInput();
    ConnectActions();
    setAcceptDrops(true);
}

void ViewForm::ConnectPageInput() {
    input_ = new ViewInput(Picture2, Picture1);
    connect(input_, &ViewInput::ScrollByPixels, this, &ViewForm::ScrollByPixels);
    connect(input_, &ViewInput::ScrollByNotches, this, &ViewForm::ScrollByNotches);
    connect(input_, &ViewInput::ZoomAround, this, &ViewForm::ZoomAroundPoint);
    connect(input_, &ViewInput::ScrollKey, this, &ViewForm::ScrollKey);
    connect(input_, &ViewInput::MenuRequested, this, &ViewForm::ShowPageMenu);
}

void ViewForm::ConnectActions() {
    connect(&actions_.zoomIn, &QAction::triggered, this, &ViewForm::ZoomIn);
    connect(&actions_.zoomOut, &QAction::triggered, this, &ViewForm::ZoomOut);
    connect(&actions_.fitWidth, &QAction::triggered, this, &ViewForm::FitWidth);
    connect(&actions_.fitPage, &QAction::triggered, this, &ViewForm::FitPage);
    connect(&actions_.actualSize, &QAction::triggered, this, &ViewForm::ShowActualSize);
    connect(&actions_.rotateRight, &QAction::triggered, this,
            [this] { TurnPage(page::QuarterTurn::Clockwise); });
    connect(&actions_.rotateLeft, &QAction::triggered, this,
            [this] { TurnPage(page::QuarterTurn::CounterClockwise); });
    connect(&actions_.nextImage, &QAction::triggered, this, [this] { ShowNeighbourImage(1); });
    connect(&actions_.previousImage, &QAction::triggered, this, [this] { ShowNeighbourImage(-1); });
    connect(&actions_.copyImage, &QAction::triggered, this, &ViewForm::CopyPage);
    connect(&actions_.print, &QAction::triggered, this, &ViewForm::PrintPage);
}

bool ViewForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &Combo1 && event->type() == QEvent::KeyPress) {
        const int keyAscii = KeyAsciiOf(*static_cast<QKeyEvent*>(event));
        if (keyAscii != 0)
            Combo1_KeyPress(keyAscii);
    }
    return QWidget::eventFilter(watched, event);
}

// A resized window shows the page anew, for only what the frame showed was drawn. A resize that
// comes while the page is decoded, drawn or saved is drawn once that work is done.
void ViewForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
    if (unloaded_ || Picture1.size() == drawnFrameSize_)
        return;
    if (busy_.Busy()) {
        redrawPending_ = true;
        return;
    }
    RefreshView();
}

void ViewForm::closeEvent(QCloseEvent* event) {
    if (busy_.Busy()) {
        closePending_ = true;
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

void ViewForm::WhenIdle() {
    if (redrawPending_ && !closePending_ && !unloaded_) {
        redrawPending_ = false;
        RefreshView();
    }
    if (!closePending_)
        return;
    closePending_ = false;
    close();
}

void ViewForm::Form_Load() {
    ui::BusyGuard busy(busy_);
    QPalette framePalette = Picture1.palette();
    framePalette.setColor(QPalette::Window, Picture2.ResolvedBackColor());
    Picture1.setPalette(framePalette);
    setWindowIcon(ui::ProgramIcon());
    FillZoomList();
    OpenPage();
    RefreshView();
}

void ViewForm::FillZoomList() {
    Combo1.addItems(kZoomEntries);
    Combo1.setCurrentIndex(-1);
    Combo1.setEditText(kStartZoom);
}

// Each viewer keeps its own page: the document state only points at the page of the viewer
// opened last, so closing one viewer never takes the page from under another.
void ViewForm::OpenPage() {
    ShowPageOf(tiff::TiffFile::Open(path_));
}

// A page without a surface says why in the view instead of showing an empty sheet, and so does
// a file that cannot be read.
void ViewForm::ShowPageOf(const Result<tiff::TiffFile>& file) {
    ui::BusyGuard opening(opening_);
    Result<page::ViewedPage> page =
        file ? page::ViewedPage::Open(*file, ifdOffset_, ui::ThrottledEventPump())
             : Result<page::ViewedPage>(Fail(file.Reason()));
    page_ = page ? std::move(*page) : page::ViewedPage();
    message_ = page ? QString::fromStdString(page_.Problem())
                    : QStringLiteral("This page cannot be read: %1.")
                          .arg(QString::fromLocal8Bit(page.Reason().c_str()));
    // A damaged page is shown as decoded, and says so over its top.
    Picture2.SetWarning(page_.Damage().Any() ? QStringLiteral("Damaged page: ") +
                                                   QString::fromStdString(page_.Damage().Describe())
                                             : QString());
    Check1.setEnabled(page_.Surface() != nullptr);
    Check2.setEnabled(page_.Surface() != nullptr);
}

void ViewForm::Form_Resize() {
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
    VScroll1.move(std::max(0, ui::TwipsToPixels(layout.vScrollLeft, dpi.x)), VScroll1.y());
    HScroll1.move(HScroll1.x(), std::max(0, ui::TwipsToPixels(layout.hScrollTop, dpi.y)));
    Picture1.resize(pictureWidth, pictureHeight);
    VScroll1.resize(VScroll1.width(), pictureHeight);
    HScroll1.resize(pictureWidth, HScroll1.height());
}

// The page is gone once the window is closed.
void ViewForm::Form_Unload() {
    page_.Close();
    unloaded_ = true;
}

void ViewForm::Combo1_Click() {
    RefreshView();
}

void ViewForm::Combo1_KeyPress(int keyAscii) {
    if (keyAscii == kEnterKey)
        Combo1_Click();
}

void ViewForm::HScroll1_Change() {
    RefreshView();
}

void ViewForm::VScroll1_Change() {
    RefreshView();
}

void ViewForm::RefreshView() {
    ui::BusyGuard busy(busy_);
    FitViewIntoFrame();
    drawnFrameSize_ = Picture1.size();
    if (page_.Surface())
        RenderPage(SourceOf(*page_.Surface()), Picture2, ZoomInForce(), page_.XResolution(),
                   page_.YResolution(), HorizontalScroll(), VerticalScroll());
    else if (!message_.isEmpty())
        RenderMessage(Picture2, message_);
    EnlargeViewToScreen();
    UpdateScrollBars();
}

float ViewForm::HorizontalScroll() const {
    return static_cast<float>(HScroll1.value()) / kScrollUnitsPerPercent;
}

float ViewForm::VerticalScroll() const {
    return static_cast<float>(VScroll1.value()) / kScrollUnitsPerPercent;
}

// "Fit page" is computed for the view's present size; every other text is read for its number.
float ViewForm::ZoomInForce() const {
    if (Combo1.currentText().trimmed().compare(QLatin1String(kFitPageText), Qt::CaseInsensitive) ==
            0 &&
        page_.Surface())
        return FitPageZoomFor(SourceOf(*page_.Surface()), Picture2, page_.XResolution(),
                              page_.YResolution());
    return ToSingle(ParseNumberPrefix(Combo1.currentText()));
}

// Each bar steps by what the view shows of its axis and is usable only while that axis does
// not fit the view whole; a save holds both back.
void ViewForm::UpdateScrollBars() {
    const RenderPlan& plan = Picture2.ShownPlan();
    const page::PageSurface* surface = page_.Surface();
    const bool drawn = plan.draws && surface != nullptr;
    const ViewAxis across = drawn ? HorizontalAxis(plan, surface->Width()) : ViewAxis{};
    const ViewAxis down = drawn ? VerticalAxis(plan, surface->Height()) : ViewAxis{};
    for (auto [bar, axis] : {std::pair{&HScroll1, across}, std::pair{&VScroll1, down}}) {
        const ScrollSteps steps = StepsFor(axis);
        bar->setPageStep(steps.page);
        bar->setSingleStep(steps.single);
        bar->setEnabled(axis.Scrolls() && !saving_.Busy());
    }
}

void ViewForm::FitViewIntoFrame() {
    Picture2.resize(std::max(0, Picture1.width() - 2 * Picture2.x()),
                    std::max(0, Picture1.height() - 2 * Picture2.y()));
}

// The frame clips the view, so a later larger window shows more of it without a new drawing.
void ViewForm::EnlargeViewToScreen() {
    const ScreenMetrics screen = GetScreenMetrics(Picture2);
    if (screen.horzRes > 0 && screen.vertRes > 0)
        Picture2.resize(screen.horzRes, screen.vertRes);
}

} // namespace faxlens::viewer
