#pragma once
// The split page: source, save folder, part size and naming, comment, disguise, and
// the start and abort buttons of a split.

#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "core/PendantProvider.h"
#include "core/operations/SplitOperation.h"
#include "ui/engine/MessageLayer.h"
#include "ui/engine/OperationRunner.h"
#include "ui/engine/WindowUi.h"
#include "ui/pages/DisguiseOptions.h"
#include "ui/settings/SettingsFile.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace kivora::ui {

class SaveFolderChooser;

class SplitPage : public QWidget {
  Q_OBJECT
 public:
  struct Services {
    MessageLayer& messages;
    const PendantProvider& pendants;
    WindowUi& ui;
    DisguiseOptions& options;
    OperationRunner& runner;
    std::vector<std::filesystem::path> pluginFolders;
  };
  SplitPage(QWidget* parent, Services services);

  // Handlers, public so the window and tests can run them as the controls do.
  void OnInputsChanged();
  void BrowseSource();
  void OnPartSizeEdited();
  // True when the part size field holds a number from 1 up; the field is marked (its
  // "invalid" property, drawn red) while it does not.
  bool CheckPartSizeField();
  void OnDisguiseToggled();
  // The options dialog, with or without the disguise: it also holds the encryption, the
  // implanted definition and the recovery parts, which plain parts take as well.
  void EditDisguiseOptions();
  void StartSplit();
  void AbortSplit();

  // The split's inputs as the controls show them.
  SplitRequest CollectSettings() const;
  // A fixed seed for the next splits (tests); by default each split seeds from the clock.
  void SetSeed(std::optional<std::uint64_t> seed) { seed_ = seed; }
  const SplitOutcome& LastResult() const { return result_; }

  // Sets the source field and proposes the base name from it (browse and drop).
  void SetSource(const QString& path);
  // Proposes the base name from a typed source that names a file and was not proposed
  // from yet.
  void ProposeBaseName();

  // The page's part of the settings, with the disguise options it edits.
  void ApplySettings(const KivoraSettings& settings);
  void StoreSettings(KivoraSettings& settings) const;

 protected:
  // Up and Down in the part-size field step it as the arrows beside it do.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The note below the options button that says whether the parts will be encrypted.
  void ShowEncryption();

  QLineEdit* sourceEdit_;
  SaveFolderChooser* saveFolder_;
  QLineEdit* partSizeEdit_;
  QSpinBox* partSizeSpin_;
  QCheckBox* randomSizeBox_;
  QLineEdit* baseNameEdit_;
  QRadioButton* fromZeroButton_;
  QRadioButton* fromOneButton_;
  QComboBox* extensionBox_;
  QCheckBox* definitionExtensionBox_;
  QLineEdit* commentEdit_;
  QCheckBox* disguiseBox_;
  QPushButton* optionsButton_;
  QLabel* encryptionNote_;
  QPushButton* startButton_;
  QPushButton* abortButton_;
  QWidget* inputsPanel_;
  Services services_;
  QString lastFolder_;  // of the last source browsed for
  std::optional<std::uint64_t> seed_;
  SplitOutcome result_;
  QString proposedFrom_;  // the source the base name was last proposed from
};

}  // namespace kivora::ui
