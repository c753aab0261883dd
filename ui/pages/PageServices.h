#pragma once
// What the join and resplit pages share with the window.

#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "core/OperationEvents.h"
#include "core/PendantProvider.h"
#include "core/format/DefinitionRecords.h"
#include "ui/engine/MessageLayer.h"
#include "ui/engine/OperationRunner.h"
#include "ui/engine/WindowUi.h"
#include "ui/pages/DisguiseOptions.h"
#include "ui/state/StateList.h"

namespace kivora::ui {

struct PageServices {
  MessageLayer& messages;
  const PendantProvider& pendants;
  WindowUi& ui;
  StateList& states;
  OperationRunner& runner;
  KvrDefinition& loaded;  // the definition read last, on either page
  std::vector<std::filesystem::path> pluginFolders;
  Language language = Language::Chinese;  // of the engines' messages
};

// The file-dialog filter of definition files.
QString DefinitionFilter();

}  // namespace kivora::ui
