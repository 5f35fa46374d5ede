#include "ui/background_task.h"

#include <algorithm>

namespace faxlens::ui {

BackgroundTask::~BackgroundTask() {
    Supersede();
}

void BackgroundTask::Cancel() {
    if (!Running())
        return;
    Supersede();
    emit Cancelled();
    emit Ended();
}

// The run under way stops at its next check and can no longer reach this task.
void BackgroundTask::Supersede() {
    if (!current_)
        return;
    current_->cancelled = true;
    {
        const std::lock_guard<std::mutex> held(current_->lock);
        current_->task = nullptr;
    }
    current_.reset();
}

WorkCheck BackgroundTask::CheckFor(const std::shared_ptr<Run>& run) {
    return [run] {
        if (run->cancelled.load(std::memory_order_relaxed))
            throw WorkCancelled{};
    };
}

ProgressReport BackgroundTask::ReportFor(const std::shared_ptr<Run>& run) {
    return [run](double share) {
        run->share.store(std::clamp(share, 0.0, 1.0), std::memory_order_relaxed);
    };
}

double BackgroundTask::Share() const {
    return current_ ? current_->share.load(std::memory_order_relaxed) : -1;
}

// On the worker: queues the delivery to the task's thread. The task's end removes what it has
// not yet received, and a task that has gone is not posted to at all.
void BackgroundTask::Post(const std::shared_ptr<Run>& run, std::function<void()> delivery) {
    const std::lock_guard<std::mutex> held(run->lock);
    if (run->task == nullptr)
        return;
    BackgroundTask* task = run->task;
    QMetaObject::invokeMethod(
        task, [task, run, delivery = std::move(delivery)] { task->Deliver(run, delivery); },
        Qt::QueuedConnection);
}

void BackgroundTask::Deliver(const std::shared_ptr<Run>& run,
                             const std::function<void()>& delivery) {
    if (run != current_)
        return;
    current_.reset();
    delivery();
    if (!Running())
        emit Ended();
}

} // namespace faxlens::ui
