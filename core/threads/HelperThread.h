#pragma once
// A second thread that runs one task at a time beside its owner: the owner offers it a
// task, works on the same job itself, and then settles: a task that has started is
// waited for, one that has not is withdrawn. So a busy machine that does not schedule
// the helper in time costs nothing but the help; the owner never waits for a start.

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace kivora {

class HelperThread {
 public:
  HelperThread();
  ~HelperThread();
  HelperThread(const HelperThread&) = delete;
  HelperThread& operator=(const HelperThread&) = delete;

  // Offers task to the helper thread; the previous one must have been settled.
  void Offer(std::function<void()> task);
  // Waits for the task if it started and withdraws it if not; rethrows what it threw.
  // Returns true when it ran.
  bool Settle();

 private:
  void Loop();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<void()> task_;
  enum class State { Idle, Offered, Running } state_ = State::Idle;
  bool quit_ = false;
  std::exception_ptr error_;
  std::thread thread_;
};

}  // namespace kivora
