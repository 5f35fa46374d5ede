#pragma once

// "While this runs": a file being read, a page being decoded, drawn or saved. Each kind of work
// keeps a BusyCount; a BusyGuard raises it for as long as the guard lives (or until Finish).
// Guards nest. The count's first guard runs its start action and its last one its end action,
// such as holding controls back, or carrying out a close or a redraw that waited for the work.

#include <functional>
#include <utility>

namespace faxlens::ui {

class BusyCount {
public:
    BusyCount() = default;
    BusyCount(std::function<void()> whenBusy, std::function<void()> whenIdle)
        : whenBusy_(std::move(whenBusy)), whenIdle_(std::move(whenIdle)) {}
    BusyCount(const BusyCount&) = delete;
    BusyCount& operator=(const BusyCount&) = delete;

    bool Busy() const { return depth_ > 0; }

private:
    friend class BusyGuard;
    int depth_ = 0;
    std::function<void()> whenBusy_;
    std::function<void()> whenIdle_;
};

class BusyGuard {
public:
    explicit BusyGuard(BusyCount& count) : count_(&count) {
        if (count_->depth_++ == 0 && count_->whenBusy_)
            count_->whenBusy_();
    }
    ~BusyGuard() { Finish(); }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

    // Ends the guard's part before it goes.
    void Finish() {
        BusyCount* count = std::exchange(count_, nullptr);
        if (count != nullptr && --count->depth_ == 0 && count->whenIdle_)
            count->whenIdle_();
    }

private:
    BusyCount* count_;
};

} // namespace faxlens::ui
