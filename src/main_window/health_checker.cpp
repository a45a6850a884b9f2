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

void HealthChecker::Request(size_t row, const AppPathEntry& entry,
                            const std::shared_ptr<const SearchPlaces>& places) {
    ++waiting_;
    pool_.Submit([channel = channel_, generation = channel_->Current(), row, entry, places] {
        if (!channel->IsCurrent(generation)) return;
        channel->Deliver(generation, {row, CheckEntry(entry, *places)});
    });
}

std::vector<HealthChecker::Result> HealthChecker::TakeResults() {
    std::vector<Result> results = channel_->Take();
    waiting_ -= std::min(waiting_, results.size());
    return results;
}

}  // namespace tolvane
