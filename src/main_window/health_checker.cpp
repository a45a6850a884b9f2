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

namespace {

// What the checks of one request share: a job holds the whole request and
// the number of its row, which costs the window's thread far less, over
// thousands of rows, than a copy of everything for each job.
struct Batch {
    std::vector<std::pair<size_t, AppPathEntry>> rows;
    std::shared_ptr<const SearchPlaces> places;
    std::shared_ptr<FileFacts> facts;
    std::shared_ptr<ResultChannel<HealthChecker::Result>> channel;
    unsigned long long generation = 0;
};

}  // namespace

void HealthChecker::Request(std::vector<std::pair<size_t, AppPathEntry>> rows,
                            const std::shared_ptr<const SearchPlaces>& places,
                            const std::shared_ptr<FileFacts>& facts) {
    auto batch = std::make_shared<Batch>(
        Batch{std::move(rows), places, facts, channel_, channel_->Current()});
    // One job per row, so that a row whose check hangs holds no other.
    std::vector<WorkerPool::Job> jobs;
    jobs.reserve(batch->rows.size());
    for (size_t i = 0; i < batch->rows.size(); ++i) {
        jobs.push_back([batch, i] {
            if (!batch->channel->IsCurrent(batch->generation)) return;
            const auto& [row, entry] = batch->rows[i];
            batch->channel->Deliver(batch->generation,
                                    {row, CheckEntry(entry, *batch->places, batch->facts.get())});
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
