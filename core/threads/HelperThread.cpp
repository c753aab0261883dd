#include "core/threads/HelperThread.h"

#include <utility>

namespace kivora {

HelperThread::HelperThread() : thread_([this] { Loop(); }) {}

HelperThread::~HelperThread() {
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return state_ != State::Running; });
    quit_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void HelperThread::Offer(std::function<void()> task) {
  {
    std::lock_guard lock(mutex_);
    task_ = std::move(task);
    state_ = State::Offered;
    error_ = nullptr;
  }
  changed_.notify_all();
}

bool HelperThread::Settle() {
  std::unique_lock lock(mutex_);
  if (state_ == State::Offered) {
    state_ = State::Idle;
    task_ = nullptr;
    return false;
  }
  changed_.wait(lock, [this] { return state_ == State::Idle; });
  if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
  return true;
}

void HelperThread::Loop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return state_ == State::Offered || quit_; });
    if (quit_) return;
    state_ = State::Running;
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
    state_ = State::Idle;
    changed_.notify_all();
  }
}

}  // namespace kivora
