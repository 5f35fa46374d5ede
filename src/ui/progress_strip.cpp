#include "ui/progress_strip.h"

#include <QHBoxLayout>

namespace faxlens::ui {

ProgressStrip::ProgressStrip(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("progressStrip"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    bar_.setRange(0, 0); // until the work says how far it is, the bar moves to show it goes on
    bar_.setTextVisible(false);
    cancel_.setObjectName(QStringLiteral("cancelButton"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(&what_, 1);
    layout->addWidget(&bar_, 1);
    layout->addWidget(&cancel_);
    delay_.setSingleShot(true);
    connect(&delay_, &QTimer::timeout, this, [this] {
        ShowShare();
        show();
        raise();
        poll_.start();
    });
    connect(&cancel_, &QPushButton::clicked, this, &ProgressStrip::CancelShown);
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, &ProgressStrip::ShowShare);
    hide();
}

void ProgressStrip::Follow(BackgroundTask& task, const QString& what) {
    connect(&task, &BackgroundTask::Began, this, [this, &task, what] { Begin(task, what); });
    connect(&task, &BackgroundTask::Ended, this, [this, &task] { End(task); });
}

void ProgressStrip::Begin(BackgroundTask& task, const QString& what) {
    Forget(task);
    running_.append({&task, what});
    what_.setText(what);
    if (QWidget* owner = parentWidget())
        owner->window()->setCursor(Qt::BusyCursor);
    if (!isVisible() && !delay_.isActive())
        delay_.start(kShowAfterMs);
}

void ProgressStrip::End(BackgroundTask& task) {
    Forget(task);
    if (!running_.isEmpty()) {
        what_.setText(running_.last().second);
        return;
    }
    delay_.stop();
    poll_.stop();
    hide();
    if (QWidget* owner = parentWidget())
        owner->window()->unsetCursor();
}

void ProgressStrip::Forget(const BackgroundTask& task) {
    running_.removeIf([&task](const auto& entry) { return entry.first == &task || !entry.first; });
}

void ProgressStrip::CancelShown() {
    if (!running_.isEmpty() && running_.last().first)
        running_.last().first->Cancel();
}

void ProgressStrip::ShowShare() {
    const BackgroundTask* task = running_.isEmpty() ? nullptr : running_.last().first.data();
    const double share = task ? task->Share() : -1;
    if (share < 0) {
        bar_.setRange(0, 0);
        return;
    }
    bar_.setRange(0, kBarSteps);
    bar_.setValue(static_cast<int>(share * kBarSteps));
}

bool ProgressStrip::CancelAll() {
    // Each cancel ends its task, which takes it off the list.
    const auto running = running_;
    bool cancelled = false;
    for (const auto& [task, what] : running)
        if (task && task->Running()) {
            task->Cancel();
            cancelled = true;
        }
    return cancelled;
}

} // namespace faxlens::ui
