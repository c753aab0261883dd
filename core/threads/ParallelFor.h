#pragma once
// Runs independent pieces of work on a few threads: the calling thread and helpers.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "core/threads/SharedStop.h"
#include "core/threads/StopCheck.h"

namespace kivora {

// Two threads: the machines this runs on have few cores, and the work it shares (reading
// and checking files) is bound by memory bandwidth beyond that.
inline constexpr int kWorkThreads = 2;

// How often the calling thread asks for a stop while it waits for the helpers.
inline constexpr std::chrono::milliseconds kStopPollInterval{20};

// Calls work(i, thread) for every i in [0, count), each i once, on up to kWorkThreads
// threads numbered from 0, the calling thread. The first exception raises `stop` (when
// given), so that the other thread ends its item early, stops the handing out of more
// items and is rethrown once every thread is done. Once the calling thread has no
// more items it keeps asking `stop` while it waits for the helpers, so that a stop
// asked for meanwhile reaches a helper inside a long item.
template <typename Work>
void ParallelFor(int count, Work&& work, SharedStop* stop = nullptr) {
  std::atomic<int> next{0};
  std::atomic<bool> failed{false};
  std::exception_ptr failure;
  std::mutex mutex;
  std::condition_variable helperEnded;
  const int threads = std::min(kWorkThreads, count);
  int helpersRunning = std::max(0, threads - 1);  // guarded by mutex
  const auto run = [&](int thread) {
    for (int i = next++; i < count && !failed; i = next++) {
      try {
        work(i, thread);
      } catch (...) {
        std::lock_guard lock(mutex);
        if (!failure) failure = std::current_exception();
        failed = true;
        if (stop) stop->Raise();
      }
    }
  };
  std::vector<std::jthread> helpers;
  for (int t = 1; t < threads; ++t) {
    helpers.emplace_back([&, t] {
      run(t);
      std::lock_guard lock(mutex);
      --helpersRunning;
      helperEnded.notify_all();
    });
  }
  run(0);
  {
    std::unique_lock lock(mutex);
    while (!helperEnded.wait_for(lock, kStopPollInterval, [&] { return helpersRunning == 0; })) {
      if (!stop) continue;
      lock.unlock();
      stop->Check(0);
      lock.lock();
    }
  }
  helpers.clear();  // joins
  if (failure) std::rethrow_exception(failure);
}

}  // namespace kivora
