#pragma once
// A program run as a child process, for what an in-process run cannot show: signals,
// another user's rights, a terminal on stdin.

#include <sys/types.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace kivora::test {

class ChildProcess {
 public:
  // Runs argv (argv[0] a path); stderr is read through a pipe; stdin is a
  // pseudo-terminal when `terminal` is set, else /dev/null.
  ChildProcess(const std::vector<std::string>& argv, bool terminal);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Reads stderr until it holds `text` or the time is up; true when it does.
  bool WaitForError(std::string_view text, std::chrono::seconds timeout);
  void Signal(int signal);
  // Waits for the end (killing the child after `timeout`); returns the wait status.
  int Wait(std::chrono::seconds timeout);
  // True once the child ended, waiting up to `timeout`; it is then waited for by Wait.
  bool Ended(std::chrono::milliseconds timeout);
  const std::string& Error() const { return err_; }

 private:
  // Appends what stderr has; false at its end.
  bool ReadSome(int timeoutMs);

  pid_t pid_ = -1;
  int errFd_ = -1;
  int terminalFd_ = -1;
  std::string err_;
};

}  // namespace kivora::test
