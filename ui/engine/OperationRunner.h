#pragma once
// Runs one split, resplit, test or join at a time on a thread of its own. The window's
// thread only shows: the operation's events queue up and are shown about 30 times a
// second, while its messages and questions are shown on the window's thread and the
// operation waits for them. It is also the window's one busy guard: while an operation
// runs, no other can start.

#include <QObject>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "core/OperationEvents.h"

namespace kivora::ui {

// The window's side of a runner: it shows the events a batch at a time, one repaint's
// worth, so that an operation of any size costs the window O(events).
class EventWindow : public OperationEvents {
 public:
  virtual void ReportBatch(std::span<const OperationEvent> events) = 0;
  // An operation is about to start: figures of earlier ones go.
  virtual void OperationStarting() {}
  // The operation and its follow-up are over (and no other started from it).
  virtual void OperationEnded() {}
};

class OperationRunner final : public QObject, private OperationEvents {
  Q_OBJECT

 public:
  // Shows the operation at work (inputs disabled, abort live) or not.
  using ShowWork = std::function<void(bool atWork)>;
  // Runs on the operation's thread; must touch no widget, and lets no exception out: every
  // operation turns its own failures into its messages.
  using Work = std::function<void(OperationEvents& events)>;
  // Runs on the window's thread once the operation finished and its last state is shown.
  using After = std::function<void()>;

  // `window` shows the events; it is only called on the window's thread.
  explicit OperationRunner(EventWindow& window);
  ~OperationRunner() override;
  OperationRunner(const OperationRunner&) = delete;
  OperationRunner& operator=(const OperationRunner&) = delete;

  // Starts `work` unless an operation runs already; returns whether it started.
  bool Start(ShowWork showWork, Work work, After after = {});
  // From the start until the operation's `after` was called.
  bool Running() const { return running_; }
  // Asks the running operation to stop; the request ends with it.
  void RequestAbort();
  // While held, the operation's messages and questions wait (and the operation with
  // them) until the hold is released; its rows and counts are still shown. A question
  // of the window's own is asked so, with no box of the operation's opening over it.
  void Hold(bool held);

 private:
  // On the operation's thread.
  void Report(const OperationEvent& event) override;
  Reply Ask(const Question& question) override;
  bool AbortRequested() override;
  // Runs fn on the window's thread after the queued events and waits for it. Returns
  // onClosing when the runner goes away first.
  template <typename Result>
  Result OnWindowThread(std::function<Result()> fn, Result onClosing);
  // Queues call for the window's thread; with mutex_ held. The call passes through
  // calls_ under mutex_, so the hand-over is one a thread checker sees.
  void PostLocked(std::function<void()> call);

  // On the window's thread: runs the calls queued so far, in order.
  Q_INVOKABLE void RunCalls();

  // On the window's thread.
  void ShowPending();
  void SetAtWork(bool atWork);
  void Finish();

  EventWindow& window_;
  QTimer timer_;
  std::mutex mutex_;
  std::condition_variable answered_;
  std::vector<OperationEvent> pending_;      // guarded by mutex_
  std::deque<std::function<void()>> calls_;  // guarded by mutex_
  bool closing_ = false;                     // guarded by mutex_
  std::atomic<bool> abort_{false};
  std::thread thread_;
  ShowWork showWork_;
  After after_;
  bool running_ = false;
  bool atWork_ = false;
  bool showing_ = false;
  bool held_ = false;
};

}  // namespace kivora::ui
