#include "ui/window/MainWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "core/KivoraError.h"
#include "core/StateTexts.h"
#include "core/operations/EngineCall.h"
#include "core/recovery/RecoveryScan.h"
#include "core/text/Messages.h"
#include "filelist/SetListing.h"
#include "language/EngineText.h"
#include "ui/engine/OperationRunner.h"
#include "ui/engine/WindowUi.h"
#include "ui/pages/FileListPage.h"
#include "ui/pages/JoinPage.h"
#include "ui/pages/ResplitPage.h"
#include "ui/pages/SaveFolderChooser.h"
#include "ui/pages/SplitPage.h"
#include "ui/pages/WidgetNames.h"
#include "ui/state/StateList.h"
#include "ui/window/DesktopNotifier.h"
#include "ui/window/HelpTexts.h"
#include "ui/window/StatusPanels.h"
#include "ui/window/WindowFont.h"

namespace kivora::ui {

WindowEnvironment WindowEnvironment::FromProcess(const QStringList& arguments) {
  const platform::ProgramPlace place = platform::CurrentProgramPlace();
  WindowEnvironment env;
  env.settingsPath = SettingsPathFor(
      place, QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
  env.pendants = pendant::DefaultPendantLocations(place);
  env.association = AssociationPlaces::FromEnvironment(place);
  env.programPath = QCoreApplication::applicationFilePath();
  env.arguments = arguments.mid(1);
  env.language = LanguageOfProcess();
  return env;
}

MainWindow::MainWindow(MessageLayer& messages, WindowEnvironment environment)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                           Qt::WindowCloseButtonHint),
      messages_(messages),
      env_(std::move(environment)),
      pendants_(env_.pendants) {
  setObjectName(QStringLiteral("frmKivora"));
  setWindowTitle(tr("Kivora"));
  setFont(WindowFont());
  BuildWindow();

  // Start-up: settings, the command line, the association.
  ApplySettings(LoadSettings(env_.settingsPath));
  OpenCommandLineDefinition();
  CheckAssociation();
  splitPage_->OnDisguiseToggled();
}

MainWindow::~MainWindow() = default;

bool MainWindow::Busy() const { return runner_ && runner_->Running(); }

void MainWindow::BuildWindow() {
  stateList_ = new StateList;
  statusBar_ = Named<QStatusBar>("sbStatus");
  statusBar_->setSizeGripEnabled(false);
  // Progress, progress, the selection summary and the version, each panel as wide as
  // its longest text. The window is as much wider than 592 pixels as they need (its
  // layout keeps 4 pixels on either side of the status bar).
  const QString version = tr("版本 v1.10b2");
  panels_ = AddStatusPanels(*statusBar_, font(), LongestStatusTexts(env_.language, version));
  panels_[3]->setAlignment(Qt::AlignCenter);
  panels_[3]->setText(version);

  WindowUi::Hooks hooks;
  hooks.showSummary = [this](OperationKind readFor, const auto& rows) {
    if (readFor == OperationKind::Resplit) {
      resplitPage_->ShowSummary(rows);
    } else {
      joinPage_->ShowSummary(rows);
    }
  };
  hooks.choosePlugin = [this] { return resplitPage_->ChoosePlugin(); };
  hooks.listed = [this](OperationKind kind) {
    // A send's files go into the file list as it ends, with their addresses.
    if (kind == OperationKind::Send) return;
    listOrigin_[static_cast<std::size_t>(std::clamp(operationTabs_->currentIndex(), 0, 2))] = kind;
  };
  // Long work keeps the machine awake until it ends, and tells how it ended when the
  // window is not the one in front.
  hooks.longWorkStarted = [this] { sleepInhibitor_.Hold(tr("Kivora 正在處理檔案")); };
  hooks.operationEnded = [this](const QString& ending, bool longWork) {
    sleepInhibitor_.Release();
    if (longWork && !isActiveWindow())
      NotifyDesktop(tr("Kivora"), ending.isEmpty() ? tr("作業已結束。") : ending);
  };
  windowUi_ = std::make_unique<WindowUi>(this, messages_, *stateList_, panels_, env_.language,
                                         std::move(hooks));
  runner_ = std::make_unique<OperationRunner>(*windowUi_);
  // Every operation's progress, in bytes where it counts them, else in parts.
  auto* progressBar = Named<QProgressBar>("pbProgress");
  progressBar->setMaximumHeight(panels_[0]->sizeHint().height());
  progressBar->setMinimumWidth(100);
  statusBar_->addWidget(progressBar, 1);
  windowUi_->SetProgressBar(progressBar);

  splitPage_ =
      new SplitPage(nullptr, SplitPage::Services{messages_, pendants_, *windowUi_, options_,
                                                 *runner_, env_.pendants.pluginFolders});
  const PageServices services{messages_,
                              pendants_,
                              *windowUi_,
                              *stateList_,
                              *runner_,
                              loaded_,
                              env_.pendants.pluginFolders,
                              env_.language};
  resplitPage_ = new ResplitPage(nullptr, services);
  joinPage_ = new JoinPage(nullptr, services);
  connect(joinPage_, &JoinPage::ResplitRequested, this,
          [this](const QString& definition, const std::vector<int>& parts) {
            CarryToResplit(definition, parts);
          });
  connect(resplitPage_, &ResplitPage::ResplitEnded, this, [this] { CarryToJoin(); });
  operationTabs_ = Named<QTabWidget>("pcDevideJoint");
  operationTabs_->addTab(splitPage_, tr(" 分割 "));
  operationTabs_->addTab(resplitPage_, tr(" 再分割 "));
  operationTabs_->addTab(joinPage_, tr(" 合併 "));

  auto* operationsTab = Named<QWidget>("TabSheet1");
  auto* firstTab = new QHBoxLayout(operationsTab);
  firstTab->setContentsMargins(4, 4, 4, 4);
  firstTab->addWidget(operationTabs_, 1);
  // The pages keep their width; the list gets what the status bar widened the window by
  // (laid out below), and the room of a larger window.
  QStringList stateTexts;
  for (const FileState state :
       {FileState::Split, FileState::Disguised, FileState::DefinitionCreated,
        FileState::DefinitionImplanted, FileState::Ok, FileState::Fixable, FileState::KeptBack,
        FileState::Missing, FileState::Corrupt, FileState::Joined, FileState::Resplit,
        FileState::Redisguised, FileState::Mismatch, FileState::Recovery, FileState::Rebuilt,
        FileState::Sent, FileState::OnHost, FileState::Refused, FileState::NotSent})
    stateTexts << EngineText(StateText(state), env_.language);
  stateList_->SetStateTexts(stateTexts);
  // The pages keep the width they need; the list takes the rest, at least its columns.
  operationTabs_->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
  stateList_->setMinimumWidth(178);
  firstTab->addWidget(stateList_, 1);
  fileListPage_ = new FileListPage(nullptr, services, panels_[2]);

  // A fetch is an operation like the others: nothing of the pages can start beside it.
  connect(fileListPage_, &FileListPage::FetchAtWork, this,
          [this](bool atWork) { operationTabs_->setEnabled(!atWork); });
  connect(fileListPage_, &FileListPage::FetchedSet, this,
          [this](const QString& definition, bool joined) { TakeFetchedSet(definition, joined); });

  mainTabs_ = Named<QTabWidget>("pcKivora");
  mainTabs_->addTab(operationsTab, tr(" 分割合併 "));
  mainTabs_->addTab(fileListPage_, tr(" 檔案清單 "));

  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(BuildMenuBar(version));
  layout->setContentsMargins(4, 4, 4, 0);
  layout->setSpacing(2);
  layout->addWidget(mainTabs_, 1);
  layout->addWidget(statusBar_);

  setAcceptDrops(true);
  WatchStateListScrolling();
  connect(operationTabs_, &QTabWidget::currentChanged, this,
          [this](int i) { GuardSubPageChange(i); });
  connect(mainTabs_, &QTabWidget::currentChanged, this, [this](int i) { GuardMainTabChange(i); });
  // The smallest size is what the content needs (the layout keeps to it); the first is
  // the original's client area where that is larger.
  resize(minimumSizeHint().expandedTo(QSize(592, 443)));
}

QMenuBar* MainWindow::BuildMenuBar(const QString& version) {
  auto* bar = Named<QMenuBar>("mmKivora");
  QMenu* file = bar->addMenu(tr("檔案(&F)"));
  file->setObjectName(QStringLiteral("miFile"));
  QAction* open = file->addAction(tr("開啟 KivoRa 檔案(&O)..."), this, [this] {
    if (Busy()) return;
    mainTabs_->setCurrentIndex(0);
    operationTabs_->setCurrentIndex(2);
    joinPage_->BrowseDefinition();
  });
  open->setObjectName(QStringLiteral("miOpenKvr"));
  open->setShortcut(QKeySequence::Open);
  QAction* openList = file->addAction(tr("開啟清單(&L)..."), this, [this] {
    if (Busy()) return;
    mainTabs_->setCurrentIndex(1);
    fileListPage_->OpenList();
  });
  openList->setObjectName(QStringLiteral("miOpenList"));
  file->addSeparator();
  QAction* quit = file->addAction(tr("結束(&X)"), this, [this] { close(); });
  quit->setObjectName(QStringLiteral("miExit"));
  quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

  QMenu* help = bar->addMenu(tr("說明(&H)"));
  help->setObjectName(QStringLiteral("miHelp"));
  QAction* manual = help->addAction(tr("使用說明(&M)"), this, [this] { OpenManual(); });
  manual->setObjectName(QStringLiteral("miManual"));
  manual->setShortcut(QKeySequence(Qt::Key_F1));
  QAction* about = help->addAction(tr("關於 Kivora(&A)..."), this, [this, version] {
    BoxMessage box(AboutText(version));
    box.details = AboutDetails();
    messages_.Show(this, box);
  });
  about->setObjectName(QStringLiteral("miAbout"));
  // The shortcuts act wherever the focus is in the window.
  for (QAction* action : {open, quit, manual}) action->setShortcutContext(Qt::WindowShortcut);
  return bar;
}

void MainWindow::OpenManual() {
  const QString manual = ManualPath(env_.programPath);
  if (manual.isEmpty()) {
    messages_.Information(this, tr("找不到使用說明。"));
    return;
  }
  messages_.OpenUrl(QUrl::fromLocalFile(manual));
}

void MainWindow::WatchStateListScrolling() {
  // Line and thumb scrolls re-run select-all while its flag is set on the resplit page,
  // so the rows that come into view are selected too; page scrolls and the wheel do not.
  QScrollBar* bar = stateList_->verticalScrollBar();
  connect(bar, &QAbstractSlider::actionTriggered, this, [this, bar](int action) {
    const bool line = action == QAbstractSlider::SliderSingleStepAdd ||
                      action == QAbstractSlider::SliderSingleStepSub;
    const bool thumb = action == QAbstractSlider::SliderMove && bar->isSliderDown();
    if (!(line || thumb) || operationTabs_->currentIndex() != 1 || !resplitPage_->SelectAll())
      return;
    QTimer::singleShot(0, this, [this] { resplitPage_->SelectAllParts(); });
  });
  // A click in the list makes the user's own selection count again.
  connect(stateList_, &QAbstractItemView::pressed, this,
          [this] { resplitPage_->ClearSelectAll(); });
  connect(stateList_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { ShowStateSelection(); });
  connect(stateList_->model(), &QAbstractItemModel::modelReset, this,
          [this] { ShowStateSelection(); });
  connect(stateList_->header(), &QHeaderView::sectionClicked, this,
          [this](int column) { SortStateList(column); });
}

void MainWindow::SortStateList(int column) {
  if (column < 0 || column > 1) return;
  stateList_->SortByColumn(column, !sortAscending_[column]);
  sortAscending_[column] = !sortAscending_[column];
}

void MainWindow::OpenCommandLineDefinition() {
  if (env_.arguments.isEmpty()) return;
  const QString first = env_.arguments.first();
  if (!first.toLower().endsWith(QStringLiteral(".kvr"))) return;
  operationTabs_->setCurrentIndex(2);
  joinPage_->SetDefinition(first);
}

void MainWindow::CheckAssociation() {
  FileAssociation association(env_.association, env_.programPath);
  if (association.Check() != FileAssociation::Registration::OtherProgram) return;
  const QString question =
      tr("包含「Kivora」的資料夾已經變更。\n\n您是否要更新 KivoRa 合併定義檔中的關聯？");
  if (messages_.Question(this, question) == Answer::Yes) association.Update();
}

void MainWindow::UpdateAssociation() {
  FileAssociation association(env_.association, env_.programPath);
  // Failures only mean the association is not kept; closing goes on.
  if (joinPage_->KeepsAssociation()) {
    association.Keep();
  } else {
    association.Remove();
  }
}

KivoraSettings MainWindow::CurrentSettings() const {
  KivoraSettings s;
  s.top = y();
  s.left = x();
  s.activePage = operationTabs_->currentIndex();
  s.width = width();
  s.height = height();
  splitPage_->StoreSettings(s);
  joinPage_->StoreSettings(s);
  resplitPage_->StoreSettings(s);
  s.addresses = fileListPage_->Addresses();
  s.moreInfo = fileListPage_->Extras();
  s.sendHosts = fileListPage_->SendHosts();
  return s;
}

void MainWindow::ApplySettings(const KivoraSettings& s) {
  if (s.width > 0 && s.height > 0) resize(QSize(s.width, s.height).expandedTo(minimumSizeHint()));
  move(s.left, s.top);
  // A position off every screen (the screens changed since) goes back onto the primary one.
  const QList<QScreen*> screens = QGuiApplication::screens();
  const bool visibleSomewhere = std::any_of(screens.begin(), screens.end(), [&](QScreen* screen) {
    return screen->availableGeometry().contains(QPoint(s.left + 20, s.top + 20));
  });
  if (!visibleSomewhere && QGuiApplication::primaryScreen()) {
    move(QGuiApplication::primaryScreen()->availableGeometry().topLeft());
  }
  operationTabs_->setCurrentIndex(s.activePage);
  subPage_ = s.activePage;
  splitPage_->ApplySettings(s);
  joinPage_->ApplySettings(s);
  resplitPage_->ApplySettings(s);
  fileListPage_->SetHistories(s.addresses, s.moreInfo);
  fileListPage_->SetSendHosts(s.sendHosts);
}

void MainWindow::GuardSubPageChange(int index) {
  if (reverting_) return;
  if (Busy()) {
    reverting_ = true;
    operationTabs_->setCurrentIndex(subPage_);
    reverting_ = false;
    return;
  }
  const auto slot = [](int page) { return static_cast<std::size_t>(std::clamp(page, 0, 2)); };
  pageViews_[slot(subPage_)] = PageView{stateList_->SavedContent(), loaded_};
  if (const std::optional<PageView>& view = pageViews_[slot(index)]) {
    stateList_->Restore(view->list);
    loaded_ = view->loaded;
  }
  subPage_ = index;
  windowUi_->ClearProgress();  // the counts of another page's operation
}

void MainWindow::CarryToResplit(const QString& definition, const std::vector<int>& parts) {
  // The test's rows go with the set to the re-split page, the damaged parts selected.
  StateList::Content tested = stateList_->SavedContent();
  tested.selected = parts;
  operationTabs_->setCurrentIndex(1);
  resplitPage_->DropFile(definition, true);
  stateList_->Restore(tested);
  resplitPage_->ClearSelectAll();
  if (!parts.empty()) stateList_->ScrollTo(parts.front());
  resplitPage_->FocusNextInput();
}

void MainWindow::TakeFetchedSet(const QString& definition, bool joined) {
  // The join page reads the fetched set and shows what the fetch (and the join, when it
  // ran) made of its files.
  const StateList::Content fetched = stateList_->SavedContent();
  operationTabs_->setCurrentIndex(2);
  joinPage_->OpenDefinition(definition);
  stateList_->Restore(fetched);
  if (joined) mainTabs_->setCurrentIndex(0);
}

void MainWindow::CarryToJoin() {
  // The join page of the same set shows what the re-split made of its parts.
  const QString definition = resplitPage_->DefinitionPath();
  if (definition.isEmpty() || definition != joinPage_->DefinitionPath()) return;
  pageViews_[2] = PageView{stateList_->SavedContent(), loaded_};
  listOrigin_[2] = OperationKind::Resplit;
}

void MainWindow::ShowStateSelection() {
  if (mainTab_ != 0) return;
  const int selected = static_cast<int>(stateList_->selectionModel()->selectedRows().size());
  panels_[2]->setText(
      selected == 0 ? QString() : tr("選取數: %1/%2").arg(selected).arg(stateList_->RowCount()));
}

void MainWindow::GuardMainTabChange(int index) {
  if (reverting_) return;
  // Going back to the split and join tab is always allowed; leaving it is not while busy,
  // except for the file list whose fetch runs (its 放棄 is there).
  if (mainTab_ == 0 && Busy() && !(index == 1 && fileListPage_->AtWork())) {
    reverting_ = true;
    mainTabs_->setCurrentIndex(mainTab_);
    reverting_ = false;
    return;
  }
  mainTab_ = index;
  fileListPage_->SetActive(index == 1);
  if (index == 1) {
    // The send offers the set of the join page, else that of the last split.
    const QString joined = joinPage_->DefinitionPath();
    const QString split = ToQ(splitPage_->LastResult().definitionPath.string());
    fileListPage_->SetSendDefinition(joined.isEmpty() ? split : joined);
    HandOverToFileList();
  }
  ShowStateSelection();
}

void MainWindow::HandOverToFileList() {
  // The set of the active sub-page's last operation, from what the operation gave and the
  // definition it read.
  const int page = operationTabs_->currentIndex();
  const std::optional<OperationKind> origin = listOrigin_[static_cast<std::size_t>(page)];
  if (!origin || stateList_->RowCount() == 0) return;
  const bool fromSplit = page == 0;
  const QString definitionPath =
      page == 1 ? resplitPage_->DefinitionPath() : joinPage_->DefinitionPath();
  filelist::SetListing listing;
  const auto failure =
      // A window text, in the window's language already.
      TryEngine(
          MessageText::Plain(
              (fromSplit ? tr("記憶體不足、無法處理(511)。") : tr("記憶體不足、無法處理(512)。"))
                  .toStdString()),
          [&] {
            if (fromSplit) {
              const SplitOutcome& split = splitPage_->LastResult();
              const bool implanted = split.definitionSize == 0;
              listing = filelist::ListSet(
                  split.parts, split.recoveryFiles,
                  implanted ? std::string() : split.definitionPath.filename().string(),
                  split.definitionSize);
              return;
            }
            // After a test or a join the recovery parts beside the set are listed too:
            // whoever publishes the set needs them.
            std::vector<WrittenRecoveryFile> recovery;
            if (!definitionPath.isEmpty())
              recovery = ListRecoveryParts(ToPath(definitionPath), loaded_);
            const bool implanted = loaded_.implanted || definitionPath.isEmpty();
            listing = filelist::ListSet(
                loaded_.parts, recovery,
                implanted ? std::string() : QFileInfo(definitionPath).fileName().toStdString(),
                loaded_.fileSize);
          });
  if (failure) {
    messages_.Error(this, EngineText(failure->text, env_.language));
    return;
  }
  fileListPage_->OfferSet(listing, *origin);
}

namespace {

// True when the file starts with "KV", as every definition file does. Throws
// KivoraError when it cannot be read.
bool IsDefinitionFile(const QString& path) {
  QFile file(path);
  if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
    throw KivoraError(
        MessageText::Plain(QCoreApplication::translate("kivora::ui::MainWindow", "無法開啟檔案 %1")
                               .arg(path)
                               .toStdString()));
  }
  return file.read(2) == "KV";
}

}  // namespace

void MainWindow::DropFile(const QString& path) {
  if (Busy()) return;  // a drop would change the inputs of the running operation
  try {
    const bool definition = IsDefinitionFile(path);
    switch (operationTabs_->currentIndex()) {
      case 0:
        if (definition) {
          operationTabs_->setCurrentIndex(2);
          joinPage_->SetDefinition(path);
        } else {
          splitPage_->SetSource(path);
        }
        break;
      case 1:
        resplitPage_->DropFile(path, definition);
        break;
      default:
        joinPage_->OpenDefinition(path);
    }
  } catch (const KivoraError& e) {
    messages_.Error(this, EngineText(e.Text(), env_.language));
  }
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  event->acceptProposedAction();
  DropUrls(event->mimeData()->urls());
}

void MainWindow::DropUrls(const QList<QUrl>& urls) {
  // The first dropped file only; the others of the same drop are ignored.
  if (!urls.isEmpty() && urls.first().isLocalFile()) DropFile(urls.first().toLocalFile());
}

bool MainWindow::MayClose() {
  if (!Busy()) return true;
  // The operation's own boxes wait while this one is open. Yes stops the operation and
  // closes the window with its boxes still held back; the operation cleans up as it
  // ends, before the window goes (the runner waits for it).
  runner_->Hold(true);
  if (messages_.Question(this, tr("正在處理中。\n要放棄目前的作業並結束嗎？")) == Answer::Yes) {
    runner_->RequestAbort();
    return true;
  }
  runner_->Hold(false);
  return false;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!MayClose()) {
    event->ignore();
    return;
  }
  SaveSettings(env_.settingsPath, CurrentSettings());
  UpdateAssociation();
  event->accept();
}

}  // namespace kivora::ui
