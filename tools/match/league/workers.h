// Runs numbered tasks, such as the games of a tournament, on a few threads at once.
#pragma once

#include <cstddef>
#include <functional>

namespace match {

// Runs task(0), task(1), ... task(count - 1) on up to `jobs` threads, handing out the numbers in
// order, and returns when all handed out are done. No more are handed out once a stop was
// requested (Ctrl-C) or `stop`, when given, returns true.
void RunOnWorkers(int jobs, std::size_t count, const std::function<void(std::size_t)>& task,
                  const std::function<bool()>& stop = nullptr);

}  // namespace match
