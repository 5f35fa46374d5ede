#include "ui/file_dialogs.h"

#include "ui/path_text.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QStringList>

namespace faxlens::modCmDlgDLL {

namespace {

const QString kOpenTitle = QStringLiteral("Select a File...");
const QString kSaveTitle = QStringLiteral("Save As...");

// Patterns are joined with ';' as the Windows dialogs take them; Qt separates them by blanks.
QString QtPatternList(const QString& pattern) {
    QStringList patterns;
    for (const QString& part : pattern.split(u';', Qt::SkipEmptyParts))
        patterns << part.trimmed();
    return patterns.join(u' ');
}

// Qt derives the files it shows from the name filter's patterns, and it collapses runs of blanks
// in the filter's name. The patterns go in as the filter; the combo box then shows the caller's
// text exactly as given.
void SetFilter(QFileDialog& dialog, const QString& filterText, const QString& pattern) {
    dialog.setNameFilter(QtPatternList(pattern));
    if (auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
        combo->setItemText(0, filterText);
}

// The network button of the Windows dialogs has no counterpart in Qt's dialog (remote folders
// are reached through the file system), so the flag is accepted and has no effect.
void PrepareDialog(QFileDialog& dialog, const QString& title, const QString& filterText,
                   const QString& pattern, const QString& initialDir,
                   [[maybe_unused]] bool showNetworkButton) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setWindowTitle(title);
    dialog.setDirectory(initialDir.isEmpty() ? QDir::currentPath() : initialDir);
    SetFilter(dialog, filterText, pattern);
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
    QFileDialog dialog(owner);
    PrepareDialog(dialog, kOpenTitle, filterText, pattern, initialDir, showNetworkButton);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return ChosenPath(dialog);
}

QString ShowSaveDialog(const QString& filterText, const QString& pattern, QWidget* owner,
                       const QString& initialDir, bool showNetworkButton,
                       const QString& defaultName, bool overwritePrompt) {
    QFileDialog dialog(owner);
    PrepareDialog(dialog, kSaveTitle, filterText, pattern, initialDir, showNetworkButton);
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

} // namespace faxlens::modCmDlgDLL
