#pragma once
// Building a plug-in: checks the request, writes the resource script and then the DLL.

#include <filesystem>
#include <string>

#include "core/text/MessageText.h"
#include "kvrpack/PluginContent.h"

namespace kvrpack {

struct BuildTargets {
  std::filesystem::path dll;
  std::filesystem::path script;
};

struct BuildOutcome {
  bool ok = false;
  // On success where the files went, otherwise why nothing was built.
  kivora::MessageText message;
};

// Everything is checked and every picture read before the first file is written, so a
// refused request writes nothing. The script is written first, then the DLL; each
// replaces its file only when complete, and neither may be one of the pictures or a
// folder, a device or a FIFO. A DLL needs at least one and at most 99 pictures, and
// texts that Big5 can hold.
BuildOutcome BuildPlugin(const PluginRequest& request, const BuildTargets& targets);

}  // namespace kvrpack
