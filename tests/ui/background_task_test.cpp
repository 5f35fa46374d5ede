// Slow work on worker threads: results come back on the user-interface thread, a newer start or
// a cancel stops the run under way at its next check and its result never arrives, and a task
// that goes while its work runs is never reached by it.

#include "ui/background_task.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>

namespace faxlens::ui {
namespace {

// Work that checks until it is cancelled, counting how many runs were stopped that way.
struct Endless {
    std::shared_ptr<std::atomic<int>> stopped = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<std::atomic<bool>> started = std::make_shared<std::atomic<bool>>(false);

    std::function<int(const WorkCheck&)> Work() const {
        return [stopped = stopped, started = started](const WorkCheck& check) {
            *started = true;
            try {
                for (;;) {
                    check();
                    QThread::msleep(1);
                }
            } catch (const WorkCancelled&) {
                ++*stopped;
                throw;
            }
            return 0;
        };
    }
};

TEST(BackgroundTask, DeliversTheResultOnTheUserInterfaceThread) {
    BackgroundTask task;
    QSignalSpy began(&task, &BackgroundTask::Began);
    QSignalSpy ended(&task, &BackgroundTask::Ended);
    Qt::HANDLE workedOn = nullptr;
    Qt::HANDLE deliveredOn = nullptr;
    int result = 0;
    task.Start<int>(
        [&workedOn](const WorkCheck&) {
            workedOn = QThread::currentThreadId();
            return 42;
        },
        [&](int value) {
            deliveredOn = QThread::currentThreadId();
            result = value;
        });
    EXPECT_TRUE(task.Running());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !task.Running(); }, 5000));
    EXPECT_EQ(result, 42);
    EXPECT_NE(workedOn, QThread::currentThreadId());
    EXPECT_EQ(deliveredOn, QThread::currentThreadId());
    EXPECT_EQ(began.count(), 1);
    EXPECT_EQ(ended.count(), 1);
}

TEST(BackgroundTask, ANewerStartSupersedesAndCancelStops) {
    BackgroundTask task;
    QSignalSpy ended(&task, &BackgroundTask::Ended);
    Endless endless;
    bool firstDelivered = false;
    task.Start<int>(endless.Work(), [&](int) { firstDelivered = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return endless.started->load(); }, 5000));
    int second = 0;
    task.Start<int>([](const WorkCheck&) { return 7; }, [&](int value) { second = value; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return second == 7; }, 5000));
    EXPECT_FALSE(firstDelivered);
    EXPECT_TRUE(QTest::qWaitFor([&] { return endless.stopped->load() == 1; }, 5000));
    EXPECT_EQ(ended.count(), 1) << "one end for the runs that followed each other";

    Endless more;
    task.Start<int>(more.Work(), [&](int) { firstDelivered = true; });
    task.Cancel();
    EXPECT_FALSE(task.Running());
    EXPECT_EQ(ended.count(), 2);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return more.stopped->load() == 1 || !more.started->load(); }, 5000));
    QTest::qWait(20);
    EXPECT_FALSE(firstDelivered);
}

// Work that says how far it is: the share is read on the user-interface thread while it runs,
// and is unknown (below 0) before it says and once no run is under way.
TEST(BackgroundTask, TheShareDoneIsReadWhileTheWorkRuns) {
    BackgroundTask task;
    std::atomic<bool> reported = false;
    std::atomic<bool> release = false;
    bool done = false;
    task.StartReporting<int>(
        [&](const WorkCheck&, const ProgressReport& report) {
            report(0.25);
            reported = true;
            while (!release)
                QThread::msleep(1);
            report(7); // more than all: taken as all
            return 0;
        },
        [&](int) { done = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return reported.load(); }, 5000));
    EXPECT_DOUBLE_EQ(task.Share(), 0.25);
    release = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 5000));
    EXPECT_LT(task.Share(), 0);
    task.Start<int>([](const WorkCheck&) { return 0; }, [](int) {});
    EXPECT_LT(task.Share(), 0) << "work that does not say";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !task.Running(); }, 5000));
}

// The task goes while its work runs and while a result is on its way: nothing reaches it.
TEST(BackgroundTask, ATaskThatGoesIsNeverReached) {
    Endless endless;
    bool delivered = false;
    {
        BackgroundTask task;
        task.Start<int>(endless.Work(), [&](int) { delivered = true; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return endless.started->load(); }, 5000));
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return endless.stopped->load() == 1; }, 5000));
    {
        BackgroundTask task;
        std::atomic<bool> done = false;
        task.Start<int>(
            [&done](const WorkCheck&) {
                done = true;
                return 1;
            },
            [&](int) { delivered = true; });
        while (!done)
            QThread::msleep(1);
        QThread::msleep(5); // the result is posted by now, or about to be
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(delivered);
}

} // namespace
} // namespace faxlens::ui
