#pragma once
// The join page: the definition to join, where the joined file goes, its summary, and
// the join, test and abort buttons.

#include <QWidget>
#include <filesystem>
#include <vector>

#include "core/payload/SetCipher.h"
#include "ui/pages/InfoList.h"
#include "ui/pages/PageServices.h"
#include "ui/settings/SettingsFile.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace kivora::ui {

class SaveFolderChooser;

class JoinPage : public QWidget {
  Q_OBJECT
 public:
  JoinPage(QWidget* parent, PageServices services);

  void OnDefinitionChanged();
  void BrowseDefinition();
  void Join();
  void Test();
  // Asks the amount, then writes the recovery parts of the set a clean test just passed.
  void AddRecovery();
  void AbortJoin();

  // The definition field: set (a change reads the definition), or opened, which reads
  // the definition again when the field already names it.
  void SetDefinition(const QString& path);
  void OpenDefinition(const QString& path);
  QString DefinitionPath() const;
  // The summary of the definition read last.
  void ShowSummary(const std::vector<std::pair<MessageText, MessageText>>& rows);
  // Whether the .kvr association is to be kept.
  bool KeepsAssociation() const;

  void ApplySettings(const KivoraSettings& settings);
  void StoreSettings(KivoraSettings& settings) const;

 signals:
  // A test found parts that only the source can rebuild, and the user chose to.
  void ResplitRequested(const QString& definition, const std::vector<int>& parts);

 private:
  QLineEdit* definitionEdit_;
  SaveFolderChooser* saveFolder_;
  InfoListView* infoList_;
  QCheckBox* associateBox_;
  QPushButton* joinButton_;
  QPushButton* testButton_;
  QPushButton* addRecoveryButton_;
  QPushButton* abortButton_;
  QWidget* inputsPanel_;
  // The definition the last test found no problem in; cleared when another is read.
  QString cleanlyTested_;

  // The add-recovery button says whether it adds recovery parts or replaces the set's.
  void ShowAddRecoveryCaption();
  bool replacesRecovery_ = false;
  // Shows an operation of the page started (its start buttons disabled until its
  // follow-ups are over) or ended, the focus then on `focusAfter`.
  void ShowRunning(bool running, QPushButton* focusAfter = nullptr);
  // Shows a join or test at work: inputs disabled, the abort button live.
  void ShowWork(bool atWork);
  // On the operation's thread, after a test or join that met lost or damaged parts:
  // offers to rebuild them from the set's recovery parts. The `cipher` of a test that
  // opened an encrypted set's chunks counts parts whose tags fail as damaged.
  void OfferRepairFromRecovery(const std::filesystem::path& definition, OperationEvents& events,
                               const SetCipher* cipher = nullptr);

  PageServices services_;
  QString lastFolder_;  // of the last definition browsed for
};

}  // namespace kivora::ui
