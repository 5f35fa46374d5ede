#pragma once

// The dialogs for choosing a file to open and a name to save under. Each call runs one modal
// dialog and returns the chosen path, or the empty text when the user cancels. The dialogs
// remember the folder of the file last chosen in any of them.

#include <QList>
#include <QString>

class QWidget;

namespace faxlens::ui {

// A filter of a dialog: its text, shown as given, and the patterns that select its files
// ("*.TIF", several joined with ';'). Patterns match names without regard to case.
struct FileFilter {
    QString text;
    QString pattern;
};

// The file must exist. An empty initialDir starts in the current folder. The first filter is
// the one in force when the dialog opens.
QString ShowOpenDialog(const QList<FileFilter>& filters, QWidget* owner, const QString& initialDir,
                       bool showNetworkButton);
QString ShowOpenDialog(const QString& filterText, const QString& pattern, QWidget* owner,
                       const QString& initialDir, bool showNetworkButton);

// As ShowOpenDialog; defaultName is put into the name field. A name typed without an extension
// gets the pattern's default extension. With overwritePrompt the user confirms replacing a file.
QString ShowSaveDialog(const QString& filterText, const QString& pattern, QWidget* owner,
                       const QString& initialDir, bool showNetworkButton,
                       const QString& defaultName, bool overwritePrompt);

// The text after the pattern's first '.', blanks trimmed, when it holds no '*' ("*.tif" gives
// "tif"); otherwise empty, meaning there is none ("*.*", "*").
QString DefaultExtension(const QString& pattern);

// Appends '.' and the extension when the file name (the part after the last '/') has no '.' at
// all; a dot in a folder name does not count. An empty path or extension leaves the path as is.
QString WithDefaultExtension(const QString& path, const QString& extension);

// Where a file dialog starts: in the folder of the file it is about when there is one, else in
// the folder of the file last chosen, else (the empty text) in the working folder.
QString DialogFolder(const QString& openFile);
// Remembers the folder of a file chosen in a dialog; an empty path (a cancelled dialog) leaves
// the folder remembered as it is.
void RememberFolder(const QString& chosenFile);
// The folder remembered; empty when no file has been chosen yet.
QString LastFolder();
// Forgets the folder remembered, as if no file had been chosen yet.
void ForgetLastFolder();

} // namespace faxlens::ui
