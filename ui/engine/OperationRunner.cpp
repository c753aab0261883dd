#include "ui/engine/OperationRunner.h"

#include <map>
#include <memory>
#include <optional>

namespace kivora::ui {
namespace {

// About 30 updates of the window a second.
constexpr int kShowIntervalMs = 33;

}  // namespace

OperationRunner::OperationRunner(EventWindow& window) : window_(window) {
  timer_.setInterval(kShowIntervalMs);
  connect(&timer_, &QTimer::timeout, this, [this] { ShowPending(); });
}

OperationRunner::~OperationRunner() {
  {
    // Questions and messages still waiting are answered Cancel; the operation stops.
    std::lock_guard lock(mutex_);
    closing_ = true;
    abort_ = true;
  }
  answered_.notify_all();
  if (thread_.joinable()) thread_.join();
}

bool OperationRunner::Start(ShowWork showWork, Work work, After after) {
  if (running_) return false;
  running_ = true;
  abort_ = false;
  showWork_ = std::move(showWork);
  after_ = std::move(after);
  window_.OperationStarting();
  timer_.start();
  thread_ = std::thread([this, work = std::move(work)] {
    work(*this);  // the page's call of its operation reports the operation's failure
    std::lock_guard lock(mutex_);
    if (!closing_) PostLocked([this] { Finish(); });
  });
  return true;
}

void OperationRunner::RequestAbort() {
  if (running_) abort_ = true;
}

bool OperationRunner::AbortRequested() { return abort_; }

void OperationRunner::Hold(bool held) {
  held_ = held;
  if (!held) {
    ShowPending();
    QMetaObject::invokeMethod(this, "RunCalls", Qt::QueuedConnection);
  }
}

void OperationRunner::Report(const OperationEvent& event) {
  if (std::holds_alternative<Message>(event)) {
    // A message box is modal: the operation's thread waits until the box is closed.
    OnWindowThread<bool>(
        [this, event] {
          window_.Report(event);
          return true;
        },
        false);
    return;
  }
  std::lock_guard lock(mutex_);
  pending_.push_back(event);
}

Reply OperationRunner::Ask(const Question& question) {
  return OnWindowThread<Reply>([this, question] { return window_.Ask(question); },
                               Reply{Answer::Cancel, {}});
}

template <typename Result>
Result OperationRunner::OnWindowThread(std::function<Result()> fn, Result onClosing) {
  auto result = std::make_shared<std::optional<Result>>();
  std::unique_lock lock(mutex_);
  if (closing_) return onClosing;
  PostLocked([this, fn = std::move(fn), result] {
    ShowPending();  // the rows reported before come first
    Result r = fn();
    {
      std::lock_guard done(mutex_);
      *result = std::move(r);
    }
    answered_.notify_all();
  });
  answered_.wait(lock, [&] { return result->has_value() || closing_; });
  return result->has_value() ? std::move(**result) : onClosing;
}

void OperationRunner::PostLocked(std::function<void()> call) {
  calls_.push_back(std::move(call));
  QMetaObject::invokeMethod(this, "RunCalls", Qt::QueuedConnection);
}

void OperationRunner::RunCalls() {
  while (!held_) {
    std::function<void()> call;
    {
      std::lock_guard lock(mutex_);
      if (calls_.empty()) return;
      call = std::move(calls_.front());
      calls_.pop_front();
    }
    call();
  }
}

void OperationRunner::ShowPending() {
  // Rows and counts go on while a hold keeps the operation's boxes back.
  if (showing_) return;
  showing_ = true;
  std::vector<OperationEvent> events;
  {
    std::lock_guard lock(mutex_);
    events.swap(pending_);
  }
  // Only the latest count of each operation is shown.
  std::map<OperationKind, std::size_t> lastProgress;
  for (std::size_t i = 0; i < events.size(); ++i) {
    if (const auto* progress = std::get_if<Progress>(&events[i]))
      lastProgress[progress->operation] = i;
  }
  std::vector<OperationEvent> batch;
  batch.reserve(events.size());
  for (std::size_t i = 0; i < events.size(); ++i) {
    OperationEvent& event = events[i];
    if (std::holds_alternative<WorkStarted>(event) || std::holds_alternative<WorkEnded>(event)) {
      window_.ReportBatch(batch);
      batch.clear();
      SetAtWork(std::holds_alternative<WorkStarted>(event));
    } else if (const auto* progress = std::get_if<Progress>(&event);
               !progress || lastProgress[progress->operation] == i) {
      batch.push_back(std::move(event));
    }
  }
  window_.ReportBatch(batch);
  showing_ = false;
}

void OperationRunner::SetAtWork(bool atWork) {
  if (atWork == atWork_) return;
  atWork_ = atWork;
  if (showWork_) showWork_(atWork);
}

void OperationRunner::Finish() {
  thread_.join();
  ShowPending();
  timer_.stop();
  SetAtWork(false);
  abort_ = false;
  running_ = false;
  showWork_ = nullptr;
  if (const After after = std::exchange(after_, nullptr)) after();
  if (!running_) window_.OperationEnded();
}

}  // namespace kivora::ui
