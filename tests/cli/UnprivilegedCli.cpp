#include "tests/cli/UnprivilegedCli.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "tests/support/ChildProcess.h"
#include "tests/support/TestSupport.h"

namespace kivora::test {

std::vector<std::string> UnprivilegedCli(const std::vector<std::string>& args, std::string& why) {
  std::vector<std::string> argv;
  if (::geteuid() == 0) {
    const auto setpriv = FindProgram("setpriv");
    if (!setpriv) {
      why = "running as root without setpriv to drop the rights";
      return {};
    }
    argv = {setpriv->string(), "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
  }
  argv.push_back(KIVORA_CLI_PATH);
  argv.insert(argv.end(), args.begin(), args.end());
  // The user must be able to run the program at all.
  std::vector<std::string> probe(argv.begin(), argv.end() - static_cast<long>(args.size()));
  probe.push_back("--help");
  ChildProcess child(probe, false);
  const int status = child.Wait(std::chrono::seconds(60));
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    why = "kivora-cli cannot be run as an unprivileged user here";
    return {};
  }
  return argv;
}

}  // namespace kivora::test
