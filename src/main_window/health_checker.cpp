#include "main_window/health_checker.h"

namespace tolvane {

HealthChecker::HealthChecker(HWND window, UINT readyMessage, WorkerPool& pool)
    : channel_(std::make_shared<ResultChannel<Result>>(window, readyMessage)), pool_(pool) {}

HealthChecker::~HealthChecker() {
    channel_->Restart();
}

void HealthChecker::Restart() {
    channel_->Restart();
    waiting_ = 0;
}

void HealthChecker::Request(const std::vector<AppPathEntry>& entries,
                            const std::shared_ptr<const SearchPlaces>& places) {
    // One job per row, so that a row whose check hangs holds no other.
    std::vector<WorkerPool::Job> jobs;
    jobs.reserve(entries.size());
    for (size_t row = 0; row < entries.size(); ++row) {
        jobs.push_back([channel = channel_, generation = channel_->Current(), row,
                        entry = entries[row], places] {
            if (!channel->IsCurrent(generation)) return;
            channel->Deliver(generation, {row, CheckEntry(entry, *places)});
        });
    }
    waiting_ += jobs.size();
    pool_.Submit(std::move(jobs));
}

std::vector<HealthChecker::Result> HealthChecker::TakeResults() {
    std::vector<Result> results = channel_->Take();
    waiting_ -= std::min(waiting_, results.size());
    return results;
}

}  // namespace tolvane
