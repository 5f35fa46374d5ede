#include "ui/file_dialogs.h"

#include "ui/path_text.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

namespace faxlens::ui {

namespace {

const QString kOpenTitle = QStringLiteral("Select a File...");

// The folder of the file last chosen in a dialog; kept when another file is opened. Dialogs run
// on the user-interface thread only.
QString& RememberedFolder() {
    static QString folder;
    return folder;
}
const QString kSaveTitle = QStringLiteral("Save As...");

// Each letter of a pattern becomes the set of both its cases ("*.tif" gives "*.[tT][iI][fF]"),
// for Qt matches names with the case of the file system, and these patterns are meant to match
// without regard to it.
QString AnyCase(const QString& pattern) {
    QString any;
    for (const QChar c : pattern) {
        if (c.isLetter() && c.toLower() != c.toUpper())
            any += u'[' + QString(c.toLower()) + QString(c.toUpper()) + u']';
        else
            any += c;
    }
    return any;
}

// Patterns are joined with ';' as the Windows dialogs take them; Qt separates them by blanks.
QString QtPatternList(const QString& pattern) {
    QStringList patterns;
    for (const QString& part : pattern.split(u';', Qt::SkipEmptyParts))
        patterns << AnyCase(part.trimmed());
    return patterns.join(u' ');
}

// Qt derives the files it shows from the name filter's patterns, and it collapses runs of blanks
// in the filter's name. The patterns go in as the filters; the combo box then shows the caller's
// texts exactly as given.
void SetFilters(QFileDialog& dialog, const QList<FileFilter>& filters) {
    QStringList patterns;
    for (const FileFilter& filter : filters)
        patterns << QtPatternList(filter.pattern);
    dialog.setNameFilters(patterns);
    if (auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
        for (int i = 0; i < filters.size() && i < combo->count(); ++i)
            combo->setItemText(i, filters[i].text);
}

// The network button of the Windows dialogs has no counterpart in Qt's dialog (remote folders
// are reached through the file system), so the flag is accepted and has no effect.
void PrepareDialog(QFileDialog& dialog, const QString& title, const QList<FileFilter>& filters,
                   const QString& initialDir, [[maybe_unused]] bool showNetworkButton) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setWindowTitle(title);
    dialog.setDirectory(initialDir.isEmpty() ? QDir::currentPath() : initialDir);
    SetFilters(dialog, filters);
    if (dialog.parentWidget())
        dialog.setWindowModality(Qt::WindowModal);
}

QString ChosenPath(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

} // namespace

QString ShowOpenDialog(const QString& filterText, const QString& pattern, QWidget* owner,
                       const QString& initialDir, bool showNetworkButton) {
    return ShowOpenDialog({{filterText, pattern}}, owner, initialDir, showNetworkButton);
}

QString ShowOpenDialog(const QList<FileFilter>& filters, QWidget* owner, const QString& initialDir,
                       bool showNetworkButton) {
    QFileDialog dialog(owner);
    PrepareDialog(dialog, kOpenTitle, filters, initialDir, showNetworkButton);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return ChosenPath(dialog);
}

QString ShowSaveDialog(const QString& filterText, const QString& pattern, QWidget* owner,
                       const QString& initialDir, bool showNetworkButton,
                       const QString& defaultName, bool overwritePrompt) {
    QFileDialog dialog(owner);
    PrepareDialog(dialog, kSaveTitle, {{filterText, pattern}}, initialDir, showNetworkButton);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !overwritePrompt);
    const QString extension = DefaultExtension(pattern);
    // Qt applies the same rule before it asks about overwriting, so the question is about the
    // name that is returned ("page" asks about page.tif).
    dialog.setDefaultSuffix(extension);
    if (!defaultName.isEmpty())
        dialog.selectFile(defaultName);
    return WithDefaultExtension(TrimSpaces(ChosenPath(dialog)), extension);
}

QString DefaultExtension(const QString& pattern) {
    const qsizetype dot = pattern.indexOf(u'.');
    if (dot < 0)
        return {};
    const QString rest = pattern.mid(dot + 1);
    if (rest.contains(u'*'))
        return {};
    return TrimSpaces(rest);
}

QString WithDefaultExtension(const QString& path, const QString& extension) {
    if (path.isEmpty() || extension.isEmpty())
        return path;
    const QString fileName = path.mid(path.lastIndexOf(u'/') + 1);
    if (fileName.isEmpty() || fileName.contains(u'.'))
        return path;
    return path + u'.' + extension;
}

QString DialogFolder(const QString& openFile) {
    if (!openFile.isEmpty())
        return QFileInfo(openFile).absolutePath();
    return RememberedFolder();
}

void RememberFolder(const QString& chosenFile) {
    if (!chosenFile.isEmpty())
        RememberedFolder() = QFileInfo(chosenFile).absolutePath();
}

QString LastFolder() {
    return RememberedFolder();
}

void ForgetLastFolder() {
    RememberedFolder().clear();
}

} // namespace faxlens::ui
