#pragma once

// The main window. It lists the images of the open file and shows the tag report of the
// selected one; a double-click on the status line chooses the file. A double-click on an image,
// Enter on the selected one or "View Image" in the list's context menu opens it in a viewer.
// Listing a file and writing a PDF run on worker threads: the window stays live meanwhile, and
// both can be cancelled.

#include "base/result.h"
#include "shell/images_save_command.h"
#include "tiff/image_list.h"
#include "ui/background_task.h"
#include "ui/progress_strip.h"
#include "viewer/page_viewer.h"

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
inline constexpr char kStatusFileChanged[] = "The file changed on disk: press F5 to list it again";

// A file's images, as a listing found them (defined where the listing is made).
struct FileListing;

class MainWindow : public QWidget {
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Centres and shows the window, then opens the file that the command line text names, if
    // any.
    void Start(const QString& commandLine);
    // Lets the user choose a TIFF file and opens it.
    void ChooseAndOpenFile();
    // Forgets the open file and lists the images of this one on a worker thread; a listing
    // under way is cancelled. The list fills when the listing is complete; a file that cannot
    // be listed is named with the reason in a box, and the status line shows its start text.
    // `selectAfter` is the entry selected once the file is listed, if it has it.
    void OpenTifFile(const QString& path, int selectAfter = -1);
    // Lists the open file again, as it now is on disk; the selected entry stays selected while
    // the file still has it.
    void ReloadFile();
    // Opens a file as the open dialog does when it is chosen there.
    void OpenDroppedFile(const QString& path);
    // Shows the report of the selected image, read anew from the file.
    void ShowReportOfSelectedImage();
    // Opens a new viewer for the selected image.
    void ViewSelectedImage();
    // Asks for a file name and saves the chosen images of the open file (see ChosenImages) as
    // the pages of one PDF or fax file.
    void SaveImages(ImagesFormat format);
    void SaveImagesAsPdf() { SaveImages(ImagesFormat::Pdf); }

    // Whether a file is being listed, or images saved.
    bool Listing() const { return listing_.Running(); }
    bool SavingImages() const { return imagesSave_.Running(); }
    // The index of the list entry whose report shows: the current one when it is selected, else
    // the first selected; -1 when none is.
    int SelectedEntry() const;
    // The images the saves of several images take: those selected when there are two or more,
    // else every image of the file.
    std::vector<ListedImage> ChosenImages() const;
    // The viewers opened from this window that are still open.
    QList<viewer::PageViewer*> OpenViewers() const;

signals:
    // A listing ended, with the file listed or not; for those who wait.
    void ListingEnded();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void NameControls();
    void PlaceControls();
    void SetUpControls();
    void ConnectHandlers();
    void ClearDocument();
    void ShowListing(const QString& path, const FileListing& listing, int selectAfter);
    // Whether the file is still the one listed; when not, the status line says so.
    bool StillListed(const tiff::FileIdentity& now);
    bool StillListed();
    void ShowReport(const std::string& report);
    bool SelectEntryAt(QPoint position);
    void ShowListMenu(QPoint position);
    // The save actions say whether they take the selected images or all.
    void NameSaveActions();
    void FollowViewer(const QString& path, int index);
    void ListReplacedFile(const QString& path);

    // Declared parents first: each control is built inside the one above it.
    QGroupBox imagesFrame_{this};
    QListWidget imageList_{&imagesFrame_};
    QGroupBox settingsFrame_{this};
    QPlainTextEdit tagReport_{&settingsFrame_};
    QGroupBox statusFrame_{this};
    QLabel statusLine_{&statusFrame_};
    ui::ProgressStrip progress_{this};
    // The context menu of the list.
    QMenu imageListMenu_{this};
    QAction viewImageAction_{QStringLiteral("View Image"), this};
    QAction saveImagesAsPdfAction_{QStringLiteral("Save Images As PDF..."), this};
    QAction saveImagesAsG4Action_{QStringLiteral("Save Images As TIFF (G4)..."), this};
    QAction saveImagesAsG3Action_{QStringLiteral("Save Images As TIFF (G3)..."), this};
    // Ctrl+O: the open dialog, as a double-click on the status line opens it.
    QAction openAction_{QStringLiteral("Open..."), this};
    // F5: the open file listed again.
    QAction reloadAction_{QStringLiteral("Reload"), this};
    // Esc: the work under way cancelled. Ctrl+Q: every window closed, which ends the program.
    QAction cancelWorkAction_{QStringLiteral("Cancel"), this};
    QAction quitAction_{QStringLiteral("Quit"), this};

    ui::BackgroundTask listing_;
    ImagesSaveCommand imagesSave_;
    std::vector<QPointer<viewer::PageViewer>> viewers_;
};

} // namespace faxlens::shell
