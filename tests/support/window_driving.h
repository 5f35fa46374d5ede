#pragma once

// Helpers for driving the windows in tests: answering modal dialogs while they run, and
// building small TIFF files.

#include "support/tiff_builder.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>

namespace faxlens::test {

// While it lives, runs the action once on every modal dialog of type Dialog that comes up (the
// action typically fills the dialog in and closes it). Polls, since the dialog runs its own loop.
template <typename Dialog>
class WhenShown {
public:
    explicit WhenShown(std::function<void(Dialog&)> action) : action_(std::move(action)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start(5);
    }
    int Count() const { return count_; }

private:
    void Poll() {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dialog || dialog == handled_)
            return;
        handled_ = dialog;
        ++count_;
        action_(*dialog);
    }

    std::function<void(Dialog&)> action_;
    QTimer timer_;
    QPointer<Dialog> handled_;
    int count_ = 0;
};

// The dialog's own accept (QFileDialog checks the typed name there), as the OK button calls it.
inline void PressAccept(QDialog& dialog) {
    dialog.accept();
}

inline QString FileNameText(const QWidget& dialog) {
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    return edit ? edit->text() : QString();
}

inline void TypeFileName(QWidget& dialog, const QString& name) {
    dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(name);
}

inline QString FilterText(const QWidget& dialog) {
    auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    return combo ? combo->currentText() : QString();
}

// Makes a folder the current one for as long as it lives.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::string& path) : previous_(QDir::currentPath()) {
        QDir::setCurrent(QString::fromStdString(path));
    }
    ~CurrentFolder() { QDir::setCurrent(previous_); }
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;

private:
    QString previous_;
};

// A bilevel page IFD whose width tells the images apart in reports.
inline TiffBuilder& AddPage(TiffBuilder& builder, uint32_t width) {
    return builder.Ifd()
        .Long(tiff::tag::kImageWidth, {width})
        .Long(tiff::tag::kImageLength, {100})
        .Short(tiff::tag::kCompression, {4});
}

inline std::string WritePages(const TempDir& dir, const std::string& name, int pages) {
    TiffBuilder builder;
    for (int page = 0; page < pages; ++page)
        AddPage(builder, 1000 + page);
    const std::string path = dir.File(name);
    builder.WriteTo(path);
    return path;
}

// The control of a window by its object name, as a user finds it by what it is. A control that is
// not there ends the test program with its name: no test can go on without it.
template <typename Control>
Control& Find(const QObject& window, const char* name) {
    Control* control = window.findChild<Control*>(QLatin1String(name));
    if (control == nullptr)
        qFatal("no control named %s", name);
    return *control;
}

// Runs the event loop until the condition holds; false when it still does not after `ms`.
inline bool WaitUntil(const std::function<bool()>& condition, int ms = 20000) {
    return QTest::qWaitFor(condition, ms);
}

} // namespace faxlens::test
