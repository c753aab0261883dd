#pragma once
// A stop that several threads share and any of them may raise.

#include <atomic>

#include "core/threads/StopCheck.h"

namespace kivora {

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

}  // namespace kivora
