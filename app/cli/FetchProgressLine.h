#pragma once
// The fetch's progress on a terminal: files through, bytes received and the rate, on one
// line of stderr that every other report clears first. The fetch's Progress events are
// shown here; every other event goes on to the terminal's own events.

#include <chrono>
#include <iosfwd>

#include "core/OperationEvents.h"

namespace kivora::cli {

class FetchProgressLine : public OperationEvents {
 public:
  // `shown`: stderr is a terminal and the output is for a reader.
  FetchProgressLine(OperationEvents& events, std::ostream& err, bool shown);
  ~FetchProgressLine() override { Clear(); }

  void Clear();
  // Shows a transfer's progress (the send passes its Progress events here).
  void Show(const Progress& progress);

  void Report(const OperationEvent& event) override;
  Reply Ask(const Question& question) override;
  bool AbortRequested() override { return events_.AbortRequested(); }

 private:
  OperationEvents& events_;
  std::ostream& err_;
  bool shown_;
  bool onScreen_ = false;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point last_{};
};

}  // namespace kivora::cli
