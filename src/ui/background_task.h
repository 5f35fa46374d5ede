#pragma once

// One kind of slow work of a window (listing a file, opening a page, turning it, saving it),
// run on a worker thread so that the window repaints and answers keys meanwhile. A new start
// supersedes the run under way; Cancel and the task's end cancel it. A run's result reaches the
// window on the user-interface thread, and only while the run is still the task's latest: a
// superseded or cancelled run's result is dropped.
//
// The work gets a WorkCheck that throws WorkCancelled once its run is no longer wanted, and must
// take along copies of what it reads (or shared ownership of it): it may outlive the window.

#include "base/work_check.h"

#include <QMetaObject>
#include <QObject>
#include <QThreadPool>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace faxlens::ui {

// How far a run's work is, as a share from 0 to 1, for work that knows it.
using ProgressReport = std::function<void(double share)>;

class BackgroundTask : public QObject {
    Q_OBJECT

public:
    explicit BackgroundTask(QObject* parent = nullptr) : QObject(parent) {}
    // Cancels the run under way; its result is never delivered.
    ~BackgroundTask() override;
    BackgroundTask(const BackgroundTask&) = delete;
    BackgroundTask& operator=(const BackgroundTask&) = delete;

    // Runs work(check) on a worker thread, then done(result) here, unless a later Start or
    // Cancel came first.
    template <typename Value>
    void Start(std::function<Value(const WorkCheck&)> work, std::function<void(Value)> done);
    // The same for work that also says how far it is.
    template <typename Value>
    void StartReporting(std::function<Value(const WorkCheck&, const ProgressReport&)> work,
                        std::function<void(Value)> done);

    // The run under way, if any, is abandoned.
    void Cancel();
    bool Running() const { return current_ != nullptr; }
    // How far the run under way is, from 0 to 1; below 0 while its work has not said.
    double Share() const;

signals:
    // A run began (none was under way before) and the last wanted run ended, delivered or not.
    void Began();
    void Ended();
    // Cancel stopped a run under way; Ended follows.
    void Cancelled();

private:
    // What a run shares between the worker and this task. The worker posts its result only
    // while `task` is set, under the lock, so nothing is posted to a task that is gone.
    struct Run {
        std::atomic<bool> cancelled{false};
        std::atomic<double> share{-1};
        std::mutex lock;
        BackgroundTask* task = nullptr;
    };

    void Supersede();
    void Deliver(const std::shared_ptr<Run>& run, const std::function<void()>& delivery);
    static WorkCheck CheckFor(const std::shared_ptr<Run>& run);
    static ProgressReport ReportFor(const std::shared_ptr<Run>& run);
    static void Post(const std::shared_ptr<Run>& run, std::function<void()> delivery);

    std::shared_ptr<Run> current_;
};

template <typename Value>
void BackgroundTask::Start(std::function<Value(const WorkCheck&)> work,
                           std::function<void(Value)> done) {
    StartReporting<Value>([work = std::move(work)](const WorkCheck& check,
                                                   const ProgressReport&) { return work(check); },
                          std::move(done));
}

template <typename Value>
void BackgroundTask::StartReporting(
    std::function<Value(const WorkCheck&, const ProgressReport&)> work,
    std::function<void(Value)> done) {
    const bool wasRunning = Running();
    Supersede();
    auto run = std::make_shared<Run>();
    run->task = this;
    current_ = run;
    if (!wasRunning)
        emit Began();
    QThreadPool::globalInstance()->start([run, work = std::move(work), done = std::move(done)] {
        std::optional<Value> value;
        try {
            value.emplace(work(CheckFor(run), ReportFor(run)));
        } catch (const WorkCancelled&) {
            return;
        }
        auto result = std::make_shared<Value>(std::move(*value));
        Post(run, [done, result] { done(std::move(*result)); });
    });
}

} // namespace faxlens::ui
