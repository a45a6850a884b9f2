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

void HealthChecker::Request(std::vector<std::pair<size_t, AppPathEntry>> rows,
                            const std::shared_ptr<const SearchPlaces>& places,
                            const std::shared_ptr<FileFacts>& facts) {
    // One job per row, so that a row whose check hangs holds no other.
    std::vector<WorkerPool::Job> jobs;
    jobs.reserve(rows.size());
    for (auto& [row, checked] : rows) {
        jobs.push_back([channel = channel_, generation = channel_->Current(), row = row,
                        entry = std::move(checked), places, facts] {
            if (!channel->IsCurrent(generation)) return;
            channel->Deliver(generation, {row, CheckEntry(entry, *places, facts.get())});
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
