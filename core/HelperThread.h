#pragma once
// A second thread that runs one task at a time beside its owner: the owner hands it a
// task, does its own share of the work, and waits for the task.

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

  // Starts task on the helper thread; the previous task must have been waited for.
  void Run(std::function<void()> task);
  // Waits until the task is done; rethrows what it threw.
  void Wait();

 private:
  void Loop();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<void()> task_;
  bool busy_ = false;
  bool quit_ = false;
  std::exception_ptr error_;
  std::thread thread_;
};

}  // namespace kivora
