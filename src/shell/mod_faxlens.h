#pragma once

// modFaxlens: the program's start-up and its document state, which file is open and where its
// images lie. The main window fills the state when a file is opened; the viewer keeps the page it
// shows in it.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace faxlens {
class Form1;
class PageSurface;
} // namespace faxlens

namespace faxlens::modFaxlens {

struct DocumentState {
    // The listed file, as cleaned by OpenTifFile; empty when no file is open.
    QString CurrentFile;
    // Element k is the byte offset of the IFD of list entry k.
    std::vector<int32_t> ImageOffsets;
    // The number of listed images; -1 after a file that cannot be opened.
    int32_t ImageCount = 0;

    // The page of the viewer opened last, and its resolution. Every viewer owns its own page;
    // this only points at it, and is null once that viewer is closed or the document cleared.
    const PageSurface* ViewSurface = nullptr;
    int32_t ViewXResolution = 0;
    int32_t ViewYResolution = 0;

    // True while OpenTifFile reads a file. Events are processed meanwhile, so handlers that run
    // then must neither start another OpenTifFile nor use the state, which is still being filled.
    bool Reading = false;
};

// The one document state of the program.
DocumentState& Document();

// Centres the window on the screen, shows it and opens the file named by the command line text,
// if there is one.
void StartUp(Form1& form, const QString& commandLine);

// Lists the images of the file. False when the file cannot be opened (the list then stays empty
// and the status line on "Reading"), and when another file is being read at the time (then
// nothing changes).
bool OpenTifFile(Form1& form, const QString& path);

// Forgets the open file: report, list and state.
void ClearDocument(Form1& form);

// The command line as one text: the arguments after the program name, joined with single blanks.
QString JoinArguments(const QStringList& arguments);

// The path of a command line: every double quote removed, then blanks trimmed.
QString CleanPath(const QString& path);

// Runs the main window until the user closes it; returns the event loop's exit code.
int Run(const QString& commandLine);

} // namespace faxlens::modFaxlens
