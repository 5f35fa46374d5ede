#include "shell/mod_faxlens.h"

#include "shell/form1.h"
#include "tiff/file_check.h"
#include "tiff/tiff_reader.h"
#include "ui/path_text.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <utility>

namespace faxlens::modFaxlens {

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

QStringList EntryTexts(int32_t count) {
    QStringList texts;
    texts.reserve(count);
    for (int32_t number = 1; number <= count; ++number)
        texts << QString::number(number);
    return texts;
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

// The images are listed into locals and stored only when the walk is done, and Reading stays set
// until the list and the state agree: input handled while events are processed finds either the
// cleared state or the complete one.
namespace {

// A file that cannot be listed is named with the reason, in a box over the main window.
void SayCannotOpen(Form1& form, const QString& path, const std::string& reason) {
    QMessageBox box(QMessageBox::Warning, form.windowTitle(),
                    QStringLiteral("Cannot open %1\n\n%2.")
                        .arg(path.isEmpty() ? QStringLiteral("the file") : path,
                             QString::fromStdString(reason.empty() ? "It cannot be read" : reason)),
                    QMessageBox::Ok, &form);
    box.exec();
}

} // namespace

bool OpenTifFile(Form1& form, const QString& path) {
    DocumentState& state = Document();
    if (state.Reading.Busy())
        return false;
    BusyGuard reading(state.Reading);

    // Taken before the state is cleared: the path may be the state's own CurrentFile.
    const QString cleaned = CleanPath(path);
    ClearDocument(form);
    form.Label1.setText(QString::fromLatin1(kStatusReading));
    ProcessPendingEvents();

    std::vector<int32_t> offsets;
    int32_t count = 0;
    const bool opened = ListImages(NativePath(cleaned), offsets, count, 0, ProcessPendingEvents);
    state.ImageCount = count;
    // A file that lists no image may not be a TIFF file at all; only then is the reason sought.
    const std::string problem =
        !opened || offsets.empty() ? WhyNotATiffFile(NativePath(cleaned)) : std::string();
    if (!opened || !problem.empty()) {
        form.Label1.setText(QString::fromLatin1(kStatusNoFile));
        reading.Finish();
        SayCannotOpen(form, cleaned, problem);
        return false;
    }

    state.CurrentFile = cleaned;
    state.ImageOffsets = std::move(offsets);
    form.List1.addItems(EntryTexts(count));
    form.Label1.setText(QString::fromLatin1(kStatusListed));
    reading.Finish();
    ProcessPendingEvents();
    return true;
}

void ClearDocument(Form1& form) {
    DocumentState& state = Document();
    form.Text1.clear();
    form.List1.clear();
    state.ViewSurface = nullptr; // forgotten, not freed: the viewer that shows it owns it
    state.ImageCount = 0;
    state.CurrentFile.clear();
    state.ImageOffsets.clear();
}

QString JoinArguments(const QStringList& arguments) {
    return arguments.join(u' ');
}

QString CleanPath(const QString& path) {
    QString unquoted = path;
    unquoted.remove(u'"');
    return TrimSpaces(unquoted);
}

// Form_Load runs inside the event loop: closing the window while the start-up file is read then
// ends the loop as any close does, whereas a quit asked for before exec() would be lost.
int Run(const QString& commandLine) {
    Form1 form;
    QTimer::singleShot(0, &form, [&form, commandLine] { form.Form_Load(commandLine); });
    return QApplication::exec();
}

} // namespace faxlens::modFaxlens
