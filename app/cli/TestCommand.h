#pragma once

#include "app/cli/OutputOptions.h"
#include "app/cli/Password.h"
#include "app/cli/SetCommand.h"
#include "core/payload/SetCipher.h"

namespace kivora::cli {

// kivora-cli test DEF: tests every part; exit 0 when none is missing or corrupt. A set
// with recovery parts also learns how many lost or damaged files they can rebuild. Given
// the password, an encrypted set's definition and sealed chunks are proven too.
class TestCommand : public SetCommand {
 public:
  CLI::App* Register(CLI::App& app) override;
  int Run(Context& context) override;

 private:
  // Says what the set's recovery parts, when it has any, could rebuild; false when a file
  // of the set, recovery parts included, is lost or damaged. With the `cipher` of the test,
  // a part whose tags fail is damaged.
  bool ReportRecovery(TerminalUi& ui, const pendant::PendantLibrary& pendants,
                      const SetCipher* cipher);

  PasswordOptions password_;
  OutputOptions output_;
};

}  // namespace kivora::cli
