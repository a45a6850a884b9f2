// A few threads that run jobs in the order given. A job that hangs (a file
// on a network share that does not answer) does not hold up the others:
// while every thread is busy and one of them has been on its job for a
// while, the pool starts another thread, up to a limit. Stopping drops the
// jobs not yet started and waits briefly for the running ones; a thread
// still stuck after that finishes on its own, and nothing it uses goes away
// under it.
#pragma once

#include <functional>
#include <memory>
#include <vector>

namespace tolvane {

class WorkerPool {
  public:
    using Job = std::function<void()>;

    // |threads| threads run the jobs; |threadStart| and |threadEnd| run on
    // each thread around its jobs (COM initialisation, for instance).
    explicit WorkerPool(unsigned threads, void (*threadStart)() = nullptr,
                        void (*threadEnd)() = nullptr);
    // Stops, waiting at most a short while.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    void Submit(Job job);
    // Many jobs at once: one lock and one wake-up for them all.
    void Submit(std::vector<Job> jobs);
    // Drops the jobs that have not started.
    void Clear();
    // Threads alive now, stuck ones included.
    unsigned Threads() const;

    // As many threads as the machine has cores, between 1 and |most|.
    static unsigned CoreCount(unsigned most);

    // What the pool shares with its threads; it lives as long as the last
    // of them.
    struct Shared;

  private:
    std::shared_ptr<Shared> shared_;
};

}  // namespace tolvane
