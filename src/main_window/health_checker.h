// The health notes of the listed rows, checked on worker threads: a program
// file on a share that does not answer never holds the window, and each
// note reads "正在检查" until its check has answered.
#pragma once

#include <windows.h>

#include <memory>
#include <utility>
#include <vector>

#include "health/health.h"
#include "store/app_path_entry.h"
#include "toolkit/file_facts.h"
#include "toolkit/result_channel.h"
#include "toolkit/worker_pool.h"

namespace tolvane {

class HealthChecker {
  public:
    using Result = std::pair<size_t, HealthReport>;  // a row and its report

    // Finished checks are announced to |window| by posting |readyMessage|;
    // the window then calls TakeResults().
    HealthChecker(HWND window, UINT readyMessage, WorkerPool& pool);
    ~HealthChecker();
    HealthChecker(const HealthChecker&) = delete;
    HealthChecker& operator=(const HealthChecker&) = delete;

    // A new listing: what the earlier one asked for is dropped. The owner
    // clears the pool's queue.
    void Restart();
    // Checks each of |rows| (a row of the listing and its entry) against
    // |places|, with the listing's |facts| about files when given.
    void Request(std::vector<std::pair<size_t, AppPathEntry>> rows,
                 const std::shared_ptr<const SearchPlaces>& places,
                 const std::shared_ptr<FileFacts>& facts = nullptr);
    std::vector<Result> TakeResults();
    // Whether every check asked for in the current listing has been taken.
    bool Idle() const { return waiting_ == 0; }

  private:
    std::shared_ptr<ResultChannel<Result>> channel_;
    WorkerPool& pool_;
    size_t waiting_ = 0;
};

}  // namespace tolvane
