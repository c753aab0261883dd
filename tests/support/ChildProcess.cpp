#include "tests/support/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <thread>

#include "tests/support/TestSupport.h"

namespace kivora::test {

ChildProcess::ChildProcess(const std::vector<std::string>& argv, bool terminal) {
  int errPipe[2];
  if (::pipe2(errPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  std::string terminalName = "/dev/null";
  if (terminal) {
    terminalFd_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminalFd_ < 0 || ::grantpt(terminalFd_) != 0 || ::unlockpt(terminalFd_) != 0) {
      throw std::runtime_error("no pseudo-terminal");
    }
    terminalName = ::ptsname(terminalFd_);
  }
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("fork");
  if (pid_ == 0) {
    const int in = ::open(terminalName.c_str(), O_RDWR | O_NOCTTY);
    if (in < 0 || ::dup2(in, STDIN_FILENO) < 0 || ::dup2(errPipe[1], STDERR_FILENO) < 0) _exit(126);
    const int null = ::open("/dev/null", O_WRONLY);
    if (null < 0 || ::dup2(null, STDOUT_FILENO) < 0) _exit(126);
    ::execv(args[0], args.data());
    _exit(127);
  }
  ::close(errPipe[1]);
  errFd_ = errPipe[0];
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  if (errFd_ >= 0) ::close(errFd_);
  if (terminalFd_ >= 0) ::close(terminalFd_);
}

bool ChildProcess::ReadSome(int timeoutMs) {
  pollfd p{errFd_, POLLIN, 0};
  if (::poll(&p, 1, timeoutMs) <= 0) return true;
  char buffer[4096];
  const ssize_t n = ::read(errFd_, buffer, sizeof buffer);
  if (n <= 0) return false;
  err_.append(buffer, static_cast<size_t>(n));
  return true;
}

bool ChildProcess::WaitForError(std::string_view text, std::chrono::seconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (err_.find(text) == std::string::npos) {
    if (std::chrono::steady_clock::now() > end || !ReadSome(100)) return false;
  }
  return true;
}

void ChildProcess::Signal(int signal) { ::kill(pid_, signal); }

bool ChildProcess::Ended(std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  siginfo_t info{};
  for (;;) {
    info.si_pid = 0;
    // WNOWAIT: the child stays waitable for Wait.
    if (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
        info.si_pid == pid_) {
      return true;
    }
    if (std::chrono::steady_clock::now() > end) return false;
    if (!ReadSome(20)) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

int ChildProcess::Wait(std::chrono::seconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  int status = 0;
  while (::waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > end) ::kill(pid_, SIGKILL);
    if (!ReadSome(20)) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  pid_ = -1;
  ::fcntl(errFd_, F_SETFL, O_NONBLOCK);
  char buffer[4096];
  for (ssize_t n; (n = ::read(errFd_, buffer, sizeof buffer)) > 0;) {
    err_.append(buffer, static_cast<size_t>(n));
  }
  return status;
}

}  // namespace kivora::test
