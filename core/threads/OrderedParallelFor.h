#pragma once
// Work shared by the work threads whose results are handed on in order, on the calling
// thread, as soon as they are ready: a test's rows part by part, a repair's groups.

#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "core/threads/ParallelFor.h"
#include "core/threads/SharedStop.h"

namespace kivora {

// Calls work(i, thread) for every i in [0, count) as ParallelFor does, and report(i, result)
// on the calling thread for each item in index order, once it and every item before it are
// done: while the helpers work on, and for those left once all are done. An item whose work
// threw counts as done with Result{}, so the items after it are reported too. report
// returns false to report no more (it raises the stop itself when the work should end).
// When an exception ended the loop, what was done is reported before it is rethrown.
template <typename Result, typename Work, typename Report>
void OrderedParallelFor(int count, Work&& work, Report&& report, SharedStop* stop = nullptr) {
  std::vector<std::optional<Result>> results(static_cast<size_t>(count));
  std::mutex mutex;
  int reported = 0;
  bool reporting = true;
  const auto reportReady = [&] {
    while (reporting) {
      Result result;
      {
        std::lock_guard lock(mutex);
        if (reported >= count || !results[static_cast<size_t>(reported)]) return;
        result = std::move(*results[static_cast<size_t>(reported)]);
        results[static_cast<size_t>(reported)].reset();
      }
      const int index = reported++;
      reporting = report(index, result);
    }
  };
  try {
    ParallelFor(
        count,
        [&](int index, int thread) {
          std::optional<Result> result;
          const auto finish = [&] {
            std::lock_guard lock(mutex);
            results[static_cast<size_t>(index)] = result ? std::move(*result) : Result{};
          };
          try {
            result.emplace(work(index, thread));
          } catch (...) {
            finish();
            throw;
          }
          finish();
          if (thread == 0) reportReady();
        },
        stop);
  } catch (...) {
    reportReady();
    throw;
  }
  reportReady();
}

}  // namespace kivora
