#pragma once
// What the join and resplit pages share with the window.

#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "core/KvrData.h"
#include "core/OperationEvents.h"
#include "core/PendantProvider.h"
#include "ui/MessageLayer.h"
#include "ui/OperationRunner.h"
#include "ui/StateList.h"
#include "ui/WindowState.h"

class QComboBox;

namespace kivora::ui {

struct PageServices {
  MessageLayer& messages;
  const PendantProvider& pendants;
  OperationEvents& ui;
  StateList& states;
  OperationRunner& runner;
  KvrDefinition& loaded;  // the definition read last, on either page
  std::vector<std::filesystem::path> pluginFolders;
};

// A save-folder box: a fixed first entry and at most one folder after it, which only
// the folder picker and the settings put in; a typed folder stays typed text.
QComboBox* SaveFolderBox(const char* name, const QString& firstEntry);
// A save-folder box: puts a picked folder in as its second entry and selects it.
void SetPickedFolder(QComboBox* box, const QString& folder);
// The folder a save-folder box names: empty when its fixed first entry is shown.
std::optional<std::filesystem::path> ChosenFolder(const QComboBox* box);

inline constexpr char kDefinitionFilter[] = "KivoRa 檔案 (*.kvr *_kvr.*);;所有檔案 (*)";

}  // namespace kivora::ui
