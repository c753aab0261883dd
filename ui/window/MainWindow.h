#pragma once
// The main window: the split/join tab with its three sub-pages beside the state list,
// the file-list tab, the status bar; settings at start and close, the .kvr association.

#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "core/format/DefinitionRecords.h"
#include "core/text/Language.h"
#include "pendant/PendantLibrary.h"
#include "ui/engine/MessageLayer.h"
#include "ui/pages/DisguiseOptions.h"
#include "ui/settings/FileAssociation.h"
#include "ui/settings/SettingsFile.h"
#include "ui/state/StateList.h"
#include "ui/window/SleepInhibitor.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QStatusBar;
class QTabWidget;
class QTreeWidget;

namespace kivora::ui {

class FileListPage;
class JoinPage;
class OperationRunner;
class ResplitPage;
class SplitPage;
class WindowUi;

// Where the window finds its files; tests point these at temporary folders.
struct WindowEnvironment {
  QString settingsPath;
  pendant::PendantLocations pendants;
  AssociationPlaces association;
  QString programPath;
  QStringList arguments;                  // the command line without the program
  Language language = Language::Chinese;  // of the engines' messages
  static WindowEnvironment FromProcess(const QStringList& arguments);
};

class MainWindow : public QWidget {
  Q_OBJECT
 public:
  MainWindow(MessageLayer& messages, WindowEnvironment environment);
  ~MainWindow() override;

  SplitPage& splitPage() { return *splitPage_; }
  JoinPage& joinPage() { return *joinPage_; }
  ResplitPage& resplitPage() { return *resplitPage_; }
  FileListPage& fileListPage() { return *fileListPage_; }
  const KvrDefinition& Loaded() const { return loaded_; }

  // A file dropped on the window (the first of a drop), routed by the active sub-page.
  void DropFile(const QString& path);
  void DropUrls(const QList<QUrl>& urls);
  // Sorts the state list by a clicked column: descending first, then alternating.
  void SortStateList(int column);
  StateList& stateList() { return *stateList_; }
  // An operation runs: from its start button until its last follow-up.
  bool Busy() const;
  const DisguiseOptions& Options() const { return options_; }

  // The settings as the controls show them, and the reverse.
  KivoraSettings CurrentSettings() const;
  void ApplySettings(const KivoraSettings& settings);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildWindow();
  // File: open a definition, quit (Ctrl+Q); Help: the manual (F1), About.
  QMenuBar* BuildMenuBar(const QString& version);
  void OpenManual();
  void WatchStateListScrolling();
  void OpenCommandLineDefinition();
  void CheckAssociation();
  void UpdateAssociation();
  void GuardSubPageChange(int index);
  void GuardMainTabChange(int index);
  // Fills the file list from the last operation when its tab is opened.
  void HandOverToFileList();
  // A test found parts only the source can rebuild: the re-split page takes the set with
  // those parts selected.
  void CarryToResplit(const QString& definition, const std::vector<int>& parts);
  // A fetch brought the set of `definition`: the join page takes it; `joined`: the join ran.
  void TakeFetchedSet(const QString& definition, bool joined);
  // A re-split ended: the join page of the same set shows its rows.
  void CarryToJoin();
  // On the split and join tab the summary panel counts the state list's selected rows.
  void ShowStateSelection();
  bool MayClose();

  MessageLayer& messages_;
  WindowEnvironment env_;
  pendant::PendantLibrary pendants_;
  DisguiseOptions options_;
  KvrDefinition loaded_;

  QTabWidget* mainTabs_ = nullptr;
  QTabWidget* operationTabs_ = nullptr;
  StateList* stateList_ = nullptr;
  SplitPage* splitPage_ = nullptr;
  JoinPage* joinPage_ = nullptr;
  ResplitPage* resplitPage_ = nullptr;
  FileListPage* fileListPage_ = nullptr;
  bool sortAscending_[2] = {false, false};  // per column of the state list
  QStatusBar* statusBar_ = nullptr;
  QList<QLabel*> panels_;
  std::unique_ptr<WindowUi> windowUi_;
  std::unique_ptr<OperationRunner> runner_;
  SleepInhibitor sleepInhibitor_;  // held while long work runs
  // What each sub-page showed when it was left: its state list and the definition it read,
  // shown again when it comes back (another page's operation may have changed both).
  struct PageView {
    StateList::Content list;
    KvrDefinition loaded;
  };
  std::array<std::optional<PageView>, 3> pageViews_;
  // What each sub-page's state list shows the files of: its last operation, or a
  // definition read (Load).
  std::array<std::optional<OperationKind>, 3> listOrigin_;
  int subPage_ = 0;
  int mainTab_ = 0;
  bool reverting_ = false;
};

}  // namespace kivora::ui
