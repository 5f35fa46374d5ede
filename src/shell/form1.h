#pragma once

// Form1: the main window. It lists the images of the open file and shows the tag report of the
// selected one; a double-click on the status line chooses the file. A double-click on an image,
// Enter on the selected one or "View Image" in the list's context menu opens it in a viewer.

#include "ui/busy_cursor.h"
#include "ui/busy_guard.h"
#include "viewer/view_form.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QList>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QWidget>
#include <string>
#include <vector>

namespace faxlens::shell {

inline constexpr char kStatusNoFile[] =
    "Status:  Ready...    (Double-Click HERE to open a TIF file)";
inline constexpr char kStatusReading[] = "Status:  Reading TIF...";
inline constexpr char kStatusListed[] =
    "Status:  Ready...   (Double-Click HERE to open a TIF file)";

class Form1 : public QWidget {
    Q_OBJECT

public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    // Runs StartUp with the command line text.
    void Form_Load(const QString& commandLine);
    // Lets the user choose a TIFF file and opens it.
    void Label1_DblClick();
    // Shows the report of the selected image, read anew from the file.
    void List1_Click();
    // A mouse press on the list does nothing.
    void List1_MouseDown();
    // Each opens a new viewer for the selected image (a double-click and the context menu
    // select the entry under the mouse first); nothing happens while a file is being read.
    void List1_DblClick();
    void List1_KeyPress(int keyAscii); // Enter only
    void mnuViewImage_Click();
    // Asks for a file name and saves every image of the open file as a page of one PDF file.
    void mnuSaveImagesAsPdf_Click();
    // Opens a file as the open dialog does when it is chosen there.
    void OpenDroppedFile(const QString& path);
    // Lists the open file again, as it now is on disk; the selected entry stays selected while
    // the file still has it.
    void ReloadFile();

    // The index of the selected list entry; -1 when none is.
    int SelectedEntry() const;
    // The viewers opened from this window that are still open.
    QList<viewer::ViewForm*> OpenViewers() const;

    // Declared parents first: each control is built inside the one above it.
    QGroupBox Frame1{this};
    QListWidget List1{&Frame1};
    QGroupBox Frame2{this};
    QPlainTextEdit Text1{&Frame2};
    QGroupBox Frame3{this};
    QLabel Label1{&Frame3};
    // The context menu of the list.
    QMenu List1Menu{this};
    QAction mnuViewImage{QStringLiteral("View Image"), this};
    QAction mnuSaveImagesAsPdf{QStringLiteral("Save Images As PDF..."), this};
    // Ctrl+O: the open dialog, as a double-click on the status line opens it.
    QAction openCommand{QStringLiteral("Open..."), this};
    // F5: the open file listed again.
    QAction reloadCommand{QStringLiteral("Reload"), this};

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void PlaceControls();
    void SetUpControls();
    void SetTabOrder();
    void ConnectHandlers();
    void ShowReport(const std::string& report);
    bool SelectEntryAt(QPoint position);
    void ShowListMenu(QPoint position);
    void ViewSelectedImage();
    void FollowViewer(const QString& path, int index);
    void ListReplacedFile(const QString& path);

    std::vector<QPointer<viewer::ViewForm>> viewers_;
    // A PDF being written lets events run; meanwhile no second one starts.
    ui::BusyCount pdfSaving_{ui::ShowBusyCursor, ui::EndBusyCursor};
};

} // namespace faxlens::shell
