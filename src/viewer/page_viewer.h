#pragma once

// PageViewer: the window that shows one page of a file at a chosen zoom, with scroll bars that
// pan across it. Each viewer decodes and owns its page. Beyond its controls the page answers the
// wheel, dragging and the keys that move about a page, and the window's commands zoom, fit, turn
// the page and move to the file's other images.
//
// Decoding, turning, saving and printing run on worker threads: the window repaints, moves and
// answers keys meanwhile, a newer request supersedes the one under way, and closing the window
// cancels its work. What the view shows and where is kept by a ViewController; the window shows
// that state in its controls and draws the page once for any number of requests that came
// together.

#include "page/row_trace.h"
#include "page/viewed_page.h"
#include "ui/background_task.h"
#include "ui/progress_strip.h"
#include "viewer/damage_line.h"
#include "viewer/page_print_command.h"
#include "viewer/page_save_command.h"
#include "viewer/row_codes_window.h"
#include "viewer/thumbnail_panel.h"
#include "viewer/view_actions.h"
#include "viewer/view_canvas.h"
#include "viewer/view_controller.h"
#include "viewer/view_input.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace faxlens::viewer {

class PageViewer : public QWidget {
    Q_OBJECT

public:
    // A viewer for the image whose directory lies at ifdOffset of the file; nothing is read
    // before Load.
    PageViewer(std::string path, int64_t ifdOffset, QWidget* parent = nullptr);
    ~PageViewer() override;

    // Opens a window of its own for the image: shows the window at once, decodes the page on a
    // worker thread and deletes the window when it is closed.
    static QPointer<PageViewer> Open(std::string path, int64_t ifdOffset);

    // Fills the zoom list and starts decoding the page, which is drawn when it is decoded.
    void Load();

    // The window's commands, as the controls, the keys and the page's menu give them. The zoom
    // box's text takes effect when an entry is chosen or Enter is pressed in it.
    void ApplyChosenZoom();
    void ZoomIn();
    void ZoomOut();
    void FitWidth();
    void FitPage();
    void ShowActualSize();
    void TurnPage(page::QuarterTurn turn);
    // Shows image `step` places after (or, when negative, before) the shown one in the same
    // file; steps asked for while one is taken add up. Nothing happens at the file's ends.
    void ShowNeighbourImage(int step);
    void ShowFirstImage();
    void ShowLastImage();
    // Shows image `index` (from 0) of the file.
    void ShowImageAt(int index);
    // F9: shows or hides the side panel of the file's images.
    void ShowThumbnails(bool shown);
    // Scrolls to the first row that could not be decoded, a quarter of the view below the top.
    void GoToDamage();
    // Opens the window with the codes of the row under the pointer and the rows around it.
    void ShowCodesOfPointerRow();
    // Esc: cancels the work under way; with none, closes the window, as Ctrl+W does at once.
    void CancelWorkOrClose();
    // The shown page onto the clipboard as a picture.
    void CopyPage();
    // Asks for a printer and the pages to print, and prints them on a worker thread.
    void PrintPage();
    // Prints on a printer already set up, as PrintPage does once the dialog is answered: the
    // file's pages `first` to `last` (from 1), or with 0 and 0 the page shown alone.
    void PrintOn(std::shared_ptr<QPrinter> printer, int first = 0, int last = 0);

    // The file and the image shown: its directory's offset.
    const std::string& Path() const { return path_; }
    int64_t ImageOffset() const { return ifdOffset_; }
    // The scroll values as percentages of the page, with their fractions.
    float HorizontalScroll() const;
    float VerticalScroll() const;
    ViewerActions& Actions() { return actions_; }

    // The decoded page, null when there is none yet, it has no usable size or the window has
    // been closed.
    const page::PageSurface* Surface() const { return page_ ? page_->Surface() : nullptr; }
    page::PageStatus Status() const;
    // What the view says instead of showing a page; empty when it shows one.
    const QString& MessageText() const { return message_; }
    // The plan of the drawing that the view shows.
    const RenderPlan& LastRenderPlan() const { return pageView_.ShownPlan(); }
    // No work runs and no drawing is due: what the window shows is what it holds.
    bool Idle() const;
    bool Saving() const { return saveCommand_.Running(); }
    bool Printing() const { return printCommand_.Running(); }

signals:
    // Another image of the file is shown: the one at `index` of the file's images.
    void ImageShown(const QString& path, int index);
    // A file was dropped on the window to be opened.
    void FileDropped(const QString& path);
    // A save replaced the file that the shown page came from.
    void FileReplaced(const QString& path);
    // Ctrl+O: a file to be chosen in the main window.
    void OpenRequested();
    // The window became idle (see Idle); for those who wait.
    void BecameIdle();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    struct NeighbourPage;
    // Where an image to open lies: steps from the image shown, or the file's first or last.
    enum class ImageTarget { Shown, First, Last, At };

    void NameControls();
    void PlaceControls();
    void SetUpControls();
    void SetTabOrder();
    void ConnectHandlers();
    void ConnectPageInput();
    void ConnectActions();
    void LayOutControls();

    void StartOpening(ImageTarget target, int step, int at = -1);
    void ShowOpened(ImageTarget target, NeighbourPage opened);
    QString InfoText() const;
    void ShowInfo();
    void TrackPointer(const QEvent& event);
    void TakePage(Result<page::ViewedPage> page);
    void SayOpeningCancelled();
    void StartTurning();
    void ShowScrollBarValues();
    void ZoomAroundPoint(double notches, QPointF at);
    void ScrollByPixels(QPointF pixels);
    void ScrollByNotches(QPointF notches);
    void ScrollKey(ScrollMove move);
    void ShowPageMenu(QPoint globalPosition);
    void EnableDataActions();
    bool FaxCoded() const;
    void IndexRowStarts();
    QString RowPlaceText(QPoint pixel) const;
    void MarkDamagedRows();
    int32_t FileHeight() const;
    void SaveAs(page::SaveCoding coding, QPushButton& button);
    void TakeReplacedFile();

    // Drawing: requests are gathered and carried out once when the window next gets to it.
    void RequestRedraw();
    void Redraw();
    ShownPage Shown() const;
    float ZoomForDrawing() const;
    void ShowControllerState();
    void UpdateScrollBars();
    void FitViewIntoFrame();
    void EnlargeViewToScreen();
    void ReportIfIdle();

    std::string path_;
    int64_t ifdOffset_;
    std::shared_ptr<const page::ViewedPage> page_;
    // The file the page shown was decoded from, kept open for work on the page.
    std::shared_ptr<const tiff::TiffFile> file_;
    QString message_;
    ViewController controller_;
    // The zoom the box was last given by the controller or took from the user.
    QString zoomTextShown_;
    // For the information line: the image's place among the file's images (-1 while not
    // known), the page pixel under the pointer, and a word on the last command.
    int imageIndex_ = -1;
    int imageCount_ = 0;
    std::optional<QPoint> pointer_;
    QString note_;
    // The file as it was when the page shown was opened.
    std::optional<tiff::FileIdentity> identity_;

    // Declared parents first: each control is built inside the one above it. Later siblings lie
    // above earlier ones, so the zoom box covers the end of its label.
    QFrame pageFrame_{this};
    ViewCanvas pageView_{&pageFrame_};
    QLabel zoomLabel_{this};
    QComboBox zoomBox_{this};
    QPushButton saveG3Button_{this};
    QPushButton saveG4Button_{this};
    QScrollBar horizontalScrollBar_{Qt::Horizontal, this};
    QScrollBar verticalScrollBar_{Qt::Vertical, this};
    DamageLine damageLine_{this};
    ThumbnailPanel thumbnails_{this};
    QLabel infoLine_{this};
    ui::ProgressStrip progress_{this};
    RowCodesWindow rowCodes_{this};

    ui::BackgroundTask opening_;
    ui::BackgroundTask turning_;
    ui::BackgroundTask indexing_;
    // Where each of the file's rows begins in its strip, once indexed; none for pages not fax
    // coded or taller than kMostRowsIndexed.
    std::shared_ptr<const std::vector<page::RowStart>> rowStarts_;
    static constexpr int64_t kMostRowsIndexed = int64_t{1} << 20;
    PageSaveCommand saveCommand_{*this};
    PagePrintCommand printCommand_{*this};
    QTimer redrawTimer_;
    // The frame's size at the last drawing; a resize that changes it draws again.
    QSize drawnFrameSize_;
    ViewerActions actions_{*this};
    // Owned by the view.
    ViewInput* input_ = nullptr;
};

} // namespace faxlens::viewer
