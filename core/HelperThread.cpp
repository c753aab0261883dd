#include "core/HelperThread.h"

#include <utility>

namespace kivora {

HelperThread::HelperThread() : thread_([this] { Loop(); }) {}

HelperThread::~HelperThread() {
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    quit_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void HelperThread::Run(std::function<void()> task) {
  {
    std::lock_guard lock(mutex_);
    task_ = std::move(task);
    busy_ = true;
    error_ = nullptr;
  }
  changed_.notify_all();
}

void HelperThread::Wait() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !busy_; });
  if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
}

void HelperThread::Loop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return busy_ || quit_; });
    if (quit_ && !busy_) return;
    std::function<void()> task = std::move(task_);
    lock.unlock();
    std::exception_ptr error;
    try {
      task();
    } catch (...) {
      error = std::current_exception();
    }
    lock.lock();
    error_ = error;
    busy_ = false;
    changed_.notify_all();
  }
}

}  // namespace kivora
