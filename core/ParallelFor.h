#pragma once
// Runs independent pieces of work on a few threads: the calling thread and helpers.

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "core/StopCheck.h"

namespace kivora {

// Two threads: the machines this runs on have few cores, and the work it shares (reading
// and checking files) is bound by memory bandwidth beyond that.
inline constexpr int kWorkThreads = 2;

// A stop shared by the threads of a ParallelFor. Only the calling thread (0) asks
// `stop`, which a front end need not make safe for other threads; the others learn of
// it through the flag, which any thread may also raise.
class SharedStop {
 public:
  explicit SharedStop(const StopCheck& stop) : stop_(stop) {}
  // Asked from thread `thread`: true once a stop is asked for.
  bool Check(int thread) {
    if (thread == 0 && !stopped_ && StopRequested(stop_)) stopped_ = true;
    return stopped_;
  }
  StopCheck For(int thread) {
    return [this, thread] { return Check(thread); };
  }
  void Raise() { stopped_ = true; }
  bool Raised() const { return stopped_; }

 private:
  const StopCheck& stop_;
  std::atomic<bool> stopped_{false};
};

// Calls work(i, thread) for every i in [0, count), each i once, on up to kWorkThreads
// threads numbered from 0, the calling thread. The first exception stops the handing
// out of more items and is rethrown once every thread is done.
template <typename Work>
void ParallelFor(int count, Work&& work) {
  std::atomic<int> next{0};
  std::atomic<bool> failed{false};
  std::exception_ptr failure;
  std::mutex mutex;
  const auto run = [&](int thread) {
    for (int i = next++; i < count && !failed; i = next++) {
      try {
        work(i, thread);
      } catch (...) {
        std::lock_guard lock(mutex);
        if (!failure) failure = std::current_exception();
        failed = true;
      }
    }
  };
  std::vector<std::jthread> helpers;
  const int threads = std::min(kWorkThreads, count);
  for (int t = 1; t < threads; ++t) helpers.emplace_back([&run, t] { run(t); });
  run(0);
  helpers.clear();  // joins
  if (failure) std::rethrow_exception(failure);
}

}  // namespace kivora
