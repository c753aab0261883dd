#pragma once
// What the main window holds for the life of the program and shares with its pages.

#include <QString>
#include <functional>

namespace kivora::ui {

// The disguise options chosen in the options dialog, kept between splits.
struct DisguiseOptions {
  QString password;  // never saved
  bool usePlugin = false;
  QString pluginName;
  bool implant = false;
};

class Operation;

// The flags that coordinate a long operation with the window. One split, join, test or
// resplit runs at a time; the abort request belongs to it and ends with it.
struct OperationFlags {
  bool busy = false;             // the running operation is at work
  bool abortRequested = false;   // the user asked the running operation to stop
  Operation* running = nullptr;  // the operation whose handler runs, if any
};

// One split, join, test or resplit, from its button until its handler returns. It
// starts with no abort request and leaves none behind, so an abort never reaches the
// next operation, on whichever page. While it is at work (between its questions and
// its closing notice) the page shows it so: inputs disabled, the abort button live.
class Operation {
 public:
  using ShowWork = std::function<void(bool atWork)>;
  Operation(OperationFlags& flags, ShowWork showWork);
  ~Operation();
  Operation(const Operation&) = delete;
  Operation& operator=(const Operation&) = delete;

  void SetAtWork(bool atWork);

 private:
  OperationFlags& flags_;
  ShowWork showWork_;
  Operation* outer_;
  bool atWork_ = false;
};

}  // namespace kivora::ui
