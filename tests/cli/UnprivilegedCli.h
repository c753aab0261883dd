#pragma once
// kivora-cli run as another user, for the tests of what a user without rights meets.

#include <string>
#include <vector>

namespace kivora::test {

// The argv that runs kivora-cli with args as an unprivileged user when the tests run
// as root; empty when that is impossible here (the reason in `why`).
std::vector<std::string> UnprivilegedCli(const std::vector<std::string>& args, std::string& why);

}  // namespace kivora::test
