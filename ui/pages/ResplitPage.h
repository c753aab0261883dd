#pragma once
// The resplit page: the definition, the source that was split, where rebuilt parts
// go, and the select-all, start and abort buttons. The parts to rebuild are the
// selected rows of the state list, or all of them after select-all.

#include <QWidget>

#include "ui/pages/InfoList.h"
#include "ui/pages/PageServices.h"
#include "ui/settings/SettingsFile.h"

class QLineEdit;
class QPushButton;

namespace kivora::ui {

class SaveFolderChooser;

class ResplitPage : public QWidget {
  Q_OBJECT
 public:
  ResplitPage(QWidget* parent, PageServices services);

  void OnFileNameChanged(QLineEdit* changed);
  void BrowseDefinition();
  void BrowseSource();
  void SelectAllParts();
  void StartResplit();
  void AbortResplit();
  // Whether select-all stands for every row (set by select-all, cleared by a click).
  bool SelectAll() const { return selectAll_; }
  void ClearSelectAll() { selectAll_ = false; }
  // The plug-in of a set split with one: the options dialog in its resplit mode.
  std::optional<std::string> ChoosePlugin();

  // A dropped file: a definition goes to the definition field (read again when the field
  // already names it), any other file to the source field.
  void DropFile(const QString& path, bool isDefinition);
  QString DefinitionPath() const;
  // The summary of the definition read last.
  void ShowSummary(const std::vector<std::pair<MessageText, MessageText>>& rows);

  void ApplySettings(const KivoraSettings& settings);
  void StoreSettings(KivoraSettings& settings) const;
  // The focus goes to what the user fills in next: the source while it names no file,
  // else the start button.
  void FocusNextInput();

 signals:
  // A re-split ran and ended, however it ended.
  void ResplitEnded();

 private:
  QLineEdit* definitionEdit_;
  QLineEdit* sourceEdit_;
  SaveFolderChooser* saveFolder_;
  InfoListView* infoList_;
  QPushButton* selectAllButton_;
  QPushButton* startButton_;
  QPushButton* abortButton_;
  QWidget* inputsPanel_;
  PageServices services_;
  bool selectAll_ = false;
  QString lastFolder_;  // of the last definition or source browsed for
};

}  // namespace kivora::ui
