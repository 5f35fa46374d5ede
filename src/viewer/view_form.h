#pragma once

// ViewForm: the window that shows one page of the open file at a chosen zoom, with scroll bars
// that pan across it. Each viewer decodes and owns its page; closing the window frees it. Beyond
// its controls the page answers the wheel, dragging and the keys that move about a page, and the
// window's commands zoom, fit, turn the page and move to the file's other images.

#include "page/viewed_page.h"
#include "ui/busy_cursor.h"
#include "ui/busy_guard.h"
#include "viewer/view_actions.h"
#include "viewer/view_canvas.h"
#include "viewer/view_input.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

namespace faxlens::viewer {

// The number at the start of a text, as the zoom box holds it: blanks are skipped anywhere, a
// point is the decimal separator, and reading stops at the first character that cannot continue
// the number. 0 when the text does not begin with a number ("100%" gives 100, "abc" 0).
double ParseNumberPrefix(const QString& text);

// What the zoom box holds while a fit is in force. A text without a number fits the page width,
// so "Fit width" does what any word does; "Fit page" fits the whole page.
inline constexpr char kFitWidthText[] = "Fit width";
inline constexpr char kFitPageText[] = "Fit page";

class ViewForm : public QWidget {
    Q_OBJECT

public:
    // A viewer for the image whose directory lies at ifdOffset of the file; nothing is read
    // before Form_Load.
    ViewForm(std::string path, int64_t ifdOffset, QWidget* parent = nullptr);
    ~ViewForm() override;

    // Opens a window of its own for the image: loads the page, shows the window and deletes it
    // when it is closed. Null once the window is gone.
    static QPointer<ViewForm> Open(std::string path, int64_t ifdOffset);

    // Decodes the page, fills the zoom list and draws the first view.
    void Form_Load();
    // Lays the controls out for the window's size.
    void Form_Resize();
    // Frees the page; the document state forgets it if it points at it.
    void Form_Unload();
    void Combo1_Click();
    // Enter redraws at the typed zoom; the key goes on to the zoom box either way.
    void Combo1_KeyPress(int keyAscii);
    void HScroll1_Change();
    void VScroll1_Change();
    // The save commands: ask for a file name and save the shown page as Group 3 or Group 4.
    void Check1_Click();
    void Check2_Click();

    // The commands of the window and of the page's menu.
    void ZoomIn();
    void ZoomOut();
    void FitWidth();
    void FitPage();
    void ShowActualSize();
    void TurnPage(page::QuarterTurn turn);
    // Shows image `step` places after (or, when negative, before) the shown one in the same
    // file; nothing happens at the file's ends.
    void ShowNeighbourImage(int step);
    // The shown page onto the clipboard as a picture.
    void CopyPage();
    // Asks for a printer and prints the shown page on it.
    void PrintPage();
    // Prints the shown page at its physical size, scaled down only when larger than the
    // printable area, centred. False when there is no page or the printer cannot be used.
    bool PrintPageOn(QPrinter& printer);

    // The file and the image shown: its directory's offset and its place among the file's images.
    const std::string& Path() const { return path_; }
    int64_t ImageOffset() const { return ifdOffset_; }
    // The scroll values as percentages of the page, with their fractions.
    float HorizontalScroll() const;
    float VerticalScroll() const;
    ViewerActions& Actions() { return actions_; }

    // The decoded page, null when the page has no usable size or the window has been closed.
    const page::PageSurface* Surface() const { return page_.Surface(); }
    page::PageStatus Status() const { return page_.Status(); }
    // What the view says instead of showing a page; empty when it shows one.
    const QString& MessageText() const { return message_; }
    // The plan of the drawing that the view shows.
    const RenderPlan& LastRenderPlan() const { return Picture2.ShownPlan(); }
    bool Unloaded() const { return unloaded_; }
    bool Saving() const { return saving_.Busy(); }

signals:
    // Another image of the file is shown: the one at `index` of the file's images.
    void ImageShown(const QString& path, int index);
    // A file was dropped on the window to be opened.
    void FileDropped(const QString& path);
    // A save replaced the file that the shown page came from.
    void FileReplaced(const QString& path);

public:
    // Declared parents first: each control is built inside the one above it. Later siblings lie
    // above earlier ones, so the zoom box covers the end of its label.
    QFrame Picture1{this};
    ViewCanvas Picture2{&Picture1};
    QLabel Label1{this};
    QComboBox Combo1{this};
    QPushButton Check1{this};
    QPushButton Check2{this};
    QScrollBar HScroll1{Qt::Horizontal, this};
    QScrollBar VScroll1{Qt::Vertical, this};

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void PlaceControls();
    void SetUpControls();
    void SetTabOrder();
    void ConnectHandlers();
    void ConnectPageInput();
    void ConnectActions();

    void FillZoomList();
    void OpenPage();
    void ShowPageOf(const Result<tiff::TiffFile>& file);
    void RefreshView();
    float ZoomInForce() const;
    void ShowZoom(const QString& text);
    void ShowZoomPercent(float zoom);
    void ZoomAroundPoint(double notches, QPointF at);
    void ScrollByPixels(QPointF pixels);
    void ScrollByNotches(QPointF notches);
    void ScrollKey(ViewInput::Move move);
    void ScrollTo(int h, int v);
    void UpdateScrollBars();
    void ShowPageMenu(QPoint globalPosition);
    bool PageMayChange() const;
    void FitViewIntoFrame();
    void EnlargeViewToScreen();
    void WhenIdle();
    void HoldControlsBack(bool held);
    void SaveCommand(QPushButton& button, page::SaveCoding coding);
    void SaveShownPage(const QString& fileName, page::SaveCoding coding, bool replacesFileShown);
    void TakeReplacedFile();

    std::string path_;
    int64_t ifdOffset_;
    page::ViewedPage page_;
    QString message_;
    // Decoding, drawing and saving process events in their middle; a close that arrives then
    // waits until they are done, so that they never work on a freed page, and so does a redraw
    // that a resize asks for.
    ui::BusyCount busy_{{}, [this] { WhenIdle(); }};
    bool closePending_ = false;
    bool redrawPending_ = false;
    // The frame's size at the last drawing; a resize that changes it draws again.
    QSize drawnFrameSize_;
    bool unloaded_ = false;
    // A save lets events run between rows; meanwhile no second save starts and the controls
    // that could change the page are held back.
    ui::BusyCount saving_{[this] { HoldControlsBack(true); }, [this] { HoldControlsBack(false); }};
    // A page being opened lets events run; meanwhile the page is neither turned nor replaced,
    // and the busy cursor shows.
    ui::BusyCount opening_{ui::ShowBusyCursor, ui::EndBusyCursor};
    ViewerActions actions_{*this};
    // Owned by the view.
    ViewInput* input_ = nullptr;
};

} // namespace faxlens::viewer
