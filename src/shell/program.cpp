#include "shell/program.h"

#include "shell/form1.h"
#include "tiff/image_list.h"
#include "ui/path_text.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <utility>

namespace faxlens::shell {

namespace {

void ProcessPendingEvents() {
    QCoreApplication::processEvents();
}

// Centres by the outer size of the window, its frame included; the frame is known once the
// platform window exists.
void CentreOnScreen(QWidget& window) {
    window.winId(); // creates the platform window
    const QRect screen = window.screen()->geometry();
    const QSize outer = window.frameGeometry().size();
    window.move(screen.left() + screen.width() / 2 - outer.width() / 2,
                screen.top() + screen.height() / 2 - outer.height() / 2);
}

} // namespace

DocumentState& Document() {
    static DocumentState state;
    return state;
}

void StartUp(Form1& form, const QString& commandLine) {
    CentreOnScreen(form);
    form.show();
    if (!commandLine.isEmpty())
        OpenTifFile(form, commandLine);
}

namespace {

// A file that cannot be listed is named with the reason, in a box over the main window.
void SayCannotOpen(Form1& form, const QString& path, const std::string& reason) {
    QMessageBox box(QMessageBox::Warning, form.windowTitle(),
                    QStringLiteral("Cannot open %1\n\n%2.")
                        .arg(path.isEmpty() ? QStringLiteral("the file") : path,
                             QString::fromLocal8Bit(reason.c_str())),
                    QMessageBox::Ok, &form);
    box.exec();
}

// A chain of directories that breaks off: the images before the break are listed, and the box
// says where the chain broke.
void SayChainBreak(Form1& form, const QString& path, const std::string& chainBreak) {
    QString what = QString::fromLocal8Bit(chainBreak.c_str());
    what[0] = what[0].toUpper();
    QMessageBox box(QMessageBox::Warning, form.windowTitle(),
                    QStringLiteral("%1\n\n%2. The images before it are listed.").arg(path, what),
                    QMessageBox::Ok, &form);
    box.exec();
}

Result<tiff::ImageList> ListFile(const QString& path) {
    const Result<tiff::TiffFile> file = tiff::TiffFile::Open(ui::NativePath(path));
    if (!file)
        return Fail(file.Reason());
    return tiff::ListImages(*file, 0, ProcessPendingEvents);
}

QStringList EntryTexts(std::size_t count) {
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(count));
    for (std::size_t number = 1; number <= count; ++number)
        texts << QString::number(number);
    return texts;
}

} // namespace

// The images are listed into locals and stored only when the walk is done, and Reading stays set
// until the list and the state agree: input handled while events are processed finds either the
// cleared state or the complete one.
bool OpenTifFile(Form1& form, const QString& path) {
    DocumentState& state = Document();
    if (state.Reading.Busy())
        return false;
    ui::BusyGuard reading(state.Reading);

    // Taken before the state is cleared: the path may be the state's own CurrentFile.
    const QString cleaned = CleanPath(path);
    ClearDocument(form);
    form.Label1.setText(QString::fromLatin1(kStatusReading));
    ProcessPendingEvents();

    Result<tiff::ImageList> images = ListFile(cleaned);
    if (!images) {
        form.Label1.setText(QString::fromLatin1(kStatusNoFile));
        reading.Finish();
        SayCannotOpen(form, cleaned, images.Reason());
        return false;
    }

    state.CurrentFile = cleaned;
    state.ImageOffsets = std::move(images->offsets);
    form.List1.addItems(EntryTexts(state.ImageOffsets.size()));
    form.Label1.setText(QString::fromLatin1(kStatusListed));
    reading.Finish();
    if (!images->Whole())
        SayChainBreak(form, cleaned, images->chainBreak);
    ProcessPendingEvents();
    return true;
}

void ClearDocument(Form1& form) {
    DocumentState& state = Document();
    form.Text1.clear();
    form.List1.clear();
    state.CurrentFile.clear();
    state.ImageOffsets.clear();
}

QString JoinArguments(const QStringList& arguments) {
    return arguments.join(u' ');
}

QString CleanPath(const QString& path) {
    QString unquoted = path;
    unquoted.remove(u'"');
    return ui::TrimSpaces(unquoted);
}

// Form_Load runs inside the event loop: closing the window while the start-up file is read then
// ends the loop as any close does, whereas a quit asked for before exec() would be lost.
int Run(const QString& commandLine) {
    Form1 form;
    QTimer::singleShot(0, &form, [&form, commandLine] { form.Form_Load(commandLine); });
    return QApplication::exec();
}

} // namespace faxlens::shell
