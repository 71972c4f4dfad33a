// The worker threads of tournaments and A/B tests.
#include "match/league/workers.h"

#include <atomic>
#include <thread>
#include <vector>

#include "match/game/process.h"

namespace match {

void RunOnWorkers(int jobs, std::size_t count, const std::function<void(std::size_t)>& task,
                  const std::function<bool()>& stop) {
    std::atomic<std::size_t> next{0};
    auto stopped = [&stop]() { return StopRequested() || (stop && stop()); };
    auto worker = [&]() {
        for (std::size_t n = next++; n < count && !stopped(); n = next++) task(n);
    };
    std::vector<std::thread> threads;
    for (int j = 0; j < jobs && static_cast<std::size_t>(j) < count; ++j) threads.emplace_back(worker);
    for (std::thread& t : threads) t.join();
}

}  // namespace match
