// Results that worker threads hand to a window. Each piece of work carries
// the number of the request it belongs to; a new request drops what the
// earlier ones still deliver. The window learns of new results from one
// posted message at a time and takes them on its own thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <utility>
#include <vector>

namespace tolvane {

template <typename Result>
class ResultChannel {
  public:
    ResultChannel(HWND window, UINT message) : window_(window), message_(message) {}

    unsigned long long Current() const { return generation_; }
    bool IsCurrent(unsigned long long generation) const { return generation == generation_; }

    // A new request: whatever is queued or still comes for earlier ones is
    // dropped. Returns the new request's number.
    unsigned long long Restart() {
        std::lock_guard lock(mutex_);
        results_.clear();
        return ++generation_;
    }

    // From any thread.
    void Deliver(unsigned long long generation, Result result) {
        std::lock_guard lock(mutex_);
        if (generation != generation_) return;
        results_.push_back(std::move(result));
        if (!wakePosted_) wakePosted_ = PostMessageW(window_, message_, 0, 0) != FALSE;
    }

    // On the window's thread, when the message comes.
    std::vector<Result> Take() {
        std::lock_guard lock(mutex_);
        wakePosted_ = false;
        return std::exchange(results_, {});
    }

  private:
    HWND window_;
    UINT message_;
    std::atomic<unsigned long long> generation_{0};
    std::mutex mutex_;
    std::vector<Result> results_;
    bool wakePosted_ = false;
};

}  // namespace tolvane
