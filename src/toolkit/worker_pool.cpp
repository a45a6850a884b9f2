#include "toolkit/worker_pool.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <list>
#include <mutex>
#include <thread>

namespace tolvane {

namespace {

using Clock = std::chrono::steady_clock;

// A job running this long counts as stuck.
constexpr auto kStuckAfter = std::chrono::milliseconds(250);
constexpr auto kSupervisorTick = std::chrono::milliseconds(100);
// At most this many extra threads for stuck jobs.
constexpr unsigned kExtraThreads = 16;
// Stopping waits this long for the running jobs.
constexpr auto kStopWait = std::chrono::milliseconds(100);

}  // namespace

struct WorkerPool::Shared {
    std::mutex mutex;
    std::condition_variable wake;     // a job or the stop for the workers
    std::condition_variable changed;  // a thread ended, for the supervisor and the stop
    std::deque<Job> queue;
    std::list<Clock::time_point> running;  // when each running job started
    unsigned base = 1;
    unsigned alive = 0;
    unsigned idle = 0;
    bool stopping = false;
    void (*threadStart)() = nullptr;
    void (*threadEnd)() = nullptr;
};

namespace {

using SharedPtr = std::shared_ptr<WorkerPool::Shared>;

void WorkerLoop(SharedPtr shared) {
    if (shared->threadStart) shared->threadStart();
    std::unique_lock lock(shared->mutex);
    for (;;) {
        ++shared->idle;
        shared->wake.wait(lock, [&] { return shared->stopping || !shared->queue.empty(); });
        --shared->idle;
        if (shared->stopping) break;
        WorkerPool::Job job = std::move(shared->queue.front());
        shared->queue.pop_front();
        auto started = shared->running.insert(shared->running.end(), Clock::now());
        lock.unlock();
        job();
        job = nullptr;
        lock.lock();
        shared->running.erase(started);
        // Threads added for stuck jobs go once the queue is empty.
        if (shared->alive > shared->base && shared->queue.empty()) break;
    }
    --shared->alive;
    shared->changed.notify_all();
    lock.unlock();
    if (shared->threadEnd) shared->threadEnd();
}

void StartThread(const SharedPtr& shared) {
    ++shared->alive;
    std::thread(WorkerLoop, shared).detach();
}

bool SomeJobIsStuck(const WorkerPool::Shared& shared) {
    auto now = Clock::now();
    return std::any_of(
        shared.running.begin(), shared.running.end(),
        [&](const Clock::time_point& started) { return now - started > kStuckAfter; });
}

// Adds a thread whenever jobs wait, no thread is free and a running job
// looks stuck.
void SupervisorLoop(SharedPtr shared) {
    std::unique_lock lock(shared->mutex);
    while (!shared->stopping) {
        shared->changed.wait_for(lock, kSupervisorTick);
        if (shared->stopping) break;
        if (!shared->queue.empty() && shared->idle == 0 &&
            shared->alive < shared->base + kExtraThreads && SomeJobIsStuck(*shared)) {
            StartThread(shared);
        }
    }
}

}  // namespace

WorkerPool::WorkerPool(unsigned threads, void (*threadStart)(), void (*threadEnd)())
    : shared_(std::make_shared<Shared>()) {
    std::lock_guard lock(shared_->mutex);
    shared_->base = std::max(threads, 1u);
    shared_->threadStart = threadStart;
    shared_->threadEnd = threadEnd;
    for (unsigned i = 0; i < shared_->base; ++i) StartThread(shared_);
    std::thread(SupervisorLoop, shared_).detach();
}

WorkerPool::~WorkerPool() {
    std::unique_lock lock(shared_->mutex);
    shared_->stopping = true;
    shared_->queue.clear();
    shared_->wake.notify_all();
    shared_->changed.notify_all();
    shared_->changed.wait_for(lock, kStopWait, [&] { return shared_->alive == 0; });
}

void WorkerPool::Submit(Job job) {
    std::lock_guard lock(shared_->mutex);
    if (shared_->stopping) return;
    shared_->queue.push_back(std::move(job));
    shared_->wake.notify_one();
}

void WorkerPool::Submit(std::vector<Job> jobs) {
    std::lock_guard lock(shared_->mutex);
    if (shared_->stopping) return;
    for (Job& job : jobs) shared_->queue.push_back(std::move(job));
    shared_->wake.notify_all();
}

void WorkerPool::Clear() {
    std::deque<Job> dropped;
    std::lock_guard lock(shared_->mutex);
    dropped.swap(shared_->queue);
}

unsigned WorkerPool::Threads() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->alive;
}

unsigned WorkerPool::CoreCount(unsigned most) {
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    return std::clamp<unsigned>(info.dwNumberOfProcessors, 1u, std::max(most, 1u));
}

}  // namespace tolvane
