#pragma once
// Rebuilding chosen parts of a set from its source file, proved by their checksums.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/OperationEvents.h"
#include "core/PendantProvider.h"
#include "core/format/DefinitionRecords.h"
#include "core/payload/SecretText.h"

namespace kivora {

struct ResplitRequest {
  std::filesystem::path definitionPath;
  std::filesystem::path source;
  std::optional<std::filesystem::path> outputFolder;  // empty: the definition's folder
  std::optional<std::vector<int>> selected;           // part indices; empty optional: every part
  std::optional<SecretText> password;                 // a protected set asks when none is given
  std::optional<std::string> pluginName;              // a KV4 set asks when none is given
  // Refuse any set that is not encrypted with an authenticated definition.
  bool requireEncryption = false;
  // The definition as the caller read it from definitionPath (LoadDefinition); a re-split
  // refuses it when its file changed since, and reads it again for the next one.
  KvrDefinition loaded = {};
};

struct ResplitOutcome : OperationResult {
  bool completed = false;
  int rebuilt = 0;
  bool folderCreated = false;
  // The definition the re-split worked on: the request's, or the one read again.
  KvrDefinition definition;
};

// True when the plug-in's pictures have the checksum the definition stores.
bool PluginMatches(const PendantProvider& pendants, std::string_view pluginName,
                   const KvrDefinition& loaded);

// The re-split button: checks that the definition did not change on disk (re-reading
// it and stopping when it did), picks the plug-in of a KV4 set, asks for the password
// of a protected set, and rebuilds the chosen parts in index order. Each part is
// written under a hidden name and kept only when its checksum matches the definition;
// the parts kept replace theirs together in one commit of the set (core/set/SetCommit.h)
// at the end, so a kill leaves each part old or new. A mismatch, a failure or an abort
// ends the run, leaves the part it was at as it was and commits the parts proved before
// it; in a folder this run made it removes them, and the folder. A chosen part whose file is the
// source, or whose name is taken by a folder, a device or a FIFO, is refused before anything is
// written. Once the work started, every way out reports its end (WorkEnded, then Finished).
ResplitOutcome RunResplit(const ResplitRequest& request, const PendantProvider& pendants,
                          OperationEvents& events);

}  // namespace kivora
