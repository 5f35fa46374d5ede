#pragma once

// What a window shows while its slow work runs: after a moment (work that ends sooner shows
// nothing), a line with what is being done, a moving bar and a Cancel button, and meanwhile the
// busy pointer over the window. The bar shows how far the work is while its work says so, and
// moves to and fro while it does not. The window places the strip; it follows any number of tasks
// and shows the one that began last. Cancel stops that one.

#include "ui/background_task.h"

#include <QFrame>
#include <QLabel>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QString>
#include <QTimer>

namespace faxlens::ui {

class ProgressStrip : public QFrame {
    Q_OBJECT

public:
    // Work that ends within this time shows no strip.
    static constexpr int kShowAfterMs = 300;
    static constexpr int kPollMs = 100;
    static constexpr int kBarSteps = 1000;

    explicit ProgressStrip(QWidget* parent);

    // Shows `what` while the task runs; Cancel cancels it.
    void Follow(BackgroundTask& task, const QString& what);
    // Cancels every task under way, as Esc does in a window; false when none was.
    bool CancelAll();

private:
    void Begin(BackgroundTask& task, const QString& what);
    void End(BackgroundTask& task);
    void Forget(const BackgroundTask& task);
    void CancelShown();
    void ShowShare();

    QLabel what_{this};
    QProgressBar bar_{this};
    QPushButton cancel_{QStringLiteral("Cancel"), this};
    QTimer delay_;
    QTimer poll_; // reads how far the work shown is
    // The tasks under way with what each does, the one that began last at the end.
    QList<QPair<QPointer<BackgroundTask>, QString>> running_;
};

} // namespace faxlens::ui
