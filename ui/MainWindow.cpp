#include "MainWindow.h"

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
#include <QMimeData>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "EngineCall.h"
#include "FileListPage.h"
#include "JoinPage.h"
#include "KivoraError.h"
#include "Messages.h"
#include "ResplitPage.h"
#include "SplitPage.h"
#include "StateList.h"
#include "WidgetNames.h"
#include "WindowUi.h"

namespace kivora::ui {
namespace {

// A save-folder box: its fixed first entry, an optional second one, the selection.
void RestoreSaveFolder(QComboBox* box, const QString& path, int folder) {
  if (!path.isEmpty()) box->addItem(path);
  box->setCurrentIndex(folder != 0 && box->count() > 1 ? 1 : 0);
}

QFont WindowFont() {
  QFont font;
  font.setFamilies({QStringLiteral("AR PL UMing TW"), QStringLiteral("AR PL UMing CN"),
                    QStringLiteral("AR PL UMing"), QStringLiteral("Noto Serif CJK TC"),
                    QStringLiteral("Noto Sans CJK TC")});
  font.setPointSize(9);
  return font;
}

}  // namespace

WindowEnvironment WindowEnvironment::FromProcess(const QStringList& arguments) {
  WindowEnvironment env;
  env.settingsPath = DefaultSettingsPath();
  env.pendants = pendant::DefaultPendantLocations();
  env.association = AssociationPlaces::FromEnvironment();
  env.programPath = QCoreApplication::applicationFilePath();
  env.arguments = arguments.mid(1);
  return env;
}

TfrmKivora::TfrmKivora(MessageLayer& messages, WindowEnvironment environment)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      messages_(messages),
      env_(std::move(environment)),
      pendants_(env_.pendants) {
  setObjectName(QStringLiteral("frmKivora"));
  setWindowTitle(QStringLiteral("Kivora ( Kivora )"));
  setFont(WindowFont());
  BuildWindow();

  // Start-up: settings, the two info lists, the command line, the association.
  ApplySettings(LoadSettings(env_.settingsPath));
  redevidePage_->lvRedevideInfo->ResetInfoList();
  jointPage_->lvKvrInfoJoint->ResetInfoList();
  OpenCommandLineDefinition();
  CheckAssociation();
  splitPage_->cbKivoraClick();
}

TfrmKivora::~TfrmKivora() = default;

void TfrmKivora::BuildWindow() {
  setFixedSize(592, 443);
  lvStateList_ = new StateList;
  sbStatus_ = Named<QStatusBar>("sbStatus");
  sbStatus_->setSizeGripEnabled(false);
  // Four panels of 150, 150, 210 and 120 pixels do not fit beside each other in the
  // window's 592, and drawn over each other they cannot be read. The progress panels
  // keep room for their longest texts, the selection summary gets the most, and the
  // version panel takes what is left (its text fits).
  for (int width : {130, 130, 225, 0}) {
    auto* panel = new QLabel;
    if (width > 0) panel->setFixedWidth(width);
    panel->setFrameShape(QFrame::StyledPanel);
    sbStatus_->addWidget(panel, width > 0 ? 0 : 1);
    panels_.append(panel);
  }
  panels_[3]->setAlignment(Qt::AlignCenter);
  panels_[3]->setText(QString::fromUtf8(kVersionText));

  WindowUi::Hooks hooks;
  hooks.showSummary = [this](InfoList list, const auto& rows) {
    (list == InfoList::Join ? jointPage_->lvKvrInfoJoint : redevidePage_->lvRedevideInfo)
        ->Fill(rows);
  };
  hooks.choosePlugin = [this] { return redevidePage_->ChoosePlugin(); };
  windowUi_ =
      std::make_unique<WindowUi>(this, messages_, *lvStateList_, panels_, flags_, std::move(hooks));

  splitPage_ =
      new SplitPage(nullptr, SplitPage::Services{messages_, pendants_, *windowUi_, options_, flags_,
                                                 env_.pendants.pluginFolders});
  const PageServices services{messages_,
                              pendants_,
                              *windowUi_,
                              *lvStateList_,
                              flags_,
                              loaded_,
                              env_.pendants.pluginFolders};
  redevidePage_ = new RedevidePage(nullptr, services);
  jointPage_ = new JointPage(nullptr, services);
  pcDevideJoint_ = Named<QTabWidget>("pcDevideJoint");
  pcDevideJoint_->addTab(splitPage_, QStringLiteral(" 分割 "));
  pcDevideJoint_->addTab(redevidePage_, QStringLiteral(" 再分割 "));
  pcDevideJoint_->addTab(jointPage_, QStringLiteral(" 合併 "));

  auto* tabSheet1 = Named<QWidget>("TabSheet1");
  auto* firstTab = new QHBoxLayout(tabSheet1);
  firstTab->setContentsMargins(4, 4, 4, 4);
  firstTab->addWidget(pcDevideJoint_, 1);
  lvStateList_->setFixedWidth(178);
  firstTab->addWidget(lvStateList_);
  fileListPage_ = new FileListPage(nullptr, messages_, panels_[2]);

  pcKivora_ = Named<QTabWidget>("pcKivora");
  pcKivora_->addTab(tabSheet1, QStringLiteral(" 分割合併 "));
  pcKivora_->addTab(fileListPage_, QStringLiteral(" 檔案清單 "));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 0);
  layout->setSpacing(2);
  layout->addWidget(pcKivora_, 1);
  layout->addWidget(sbStatus_);

  setAcceptDrops(true);
  WatchStateListScrolling();
  connect(pcDevideJoint_, &QTabWidget::currentChanged, this,
          [this](int i) { GuardSubPageChange(i); });
  connect(pcKivora_, &QTabWidget::currentChanged, this, [this](int i) { GuardMainTabChange(i); });
}

void TfrmKivora::WatchStateListScrolling() {
  // Line and thumb scrolls re-run select-all while its flag is set on the re-split page,
  // so the rows that come into view are selected too; page scrolls and the wheel do not.
  QScrollBar* bar = lvStateList_->verticalScrollBar();
  connect(bar, &QAbstractSlider::actionTriggered, this, [this, bar](int action) {
    const bool line = action == QAbstractSlider::SliderSingleStepAdd ||
                      action == QAbstractSlider::SliderSingleStepSub;
    const bool thumb = action == QAbstractSlider::SliderMove && bar->isSliderDown();
    if (!(line || thumb) || pcDevideJoint_->currentIndex() != 1 || !redevidePage_->SelectAll())
      return;
    QTimer::singleShot(0, this, [this] { redevidePage_->btnRedevideAllClick(); });
  });
  // A click in the list makes the user's own selection count again.
  connect(lvStateList_, &QTreeWidget::itemPressed, this,
          [this] { redevidePage_->ClearSelectAll(); });
  connect(lvStateList_->header(), &QHeaderView::sectionClicked, this,
          [this](int column) { lvStateListColumnClick(column); });
}

void TfrmKivora::lvStateListColumnClick(int column) {
  if (column < 0 || column > 1) return;
  lvStateList_->SortByColumn(column, !sortAscending_[column]);
  sortAscending_[column] = !sortAscending_[column];
}

void TfrmKivora::OpenCommandLineDefinition() {
  if (env_.arguments.isEmpty()) return;
  const QString first = env_.arguments.first();
  if (!first.toLower().endsWith(QStringLiteral(".kvr"))) return;
  pcDevideJoint_->setCurrentIndex(2);
  jointPage_->edtJointFileName->setText(first);
}

void TfrmKivora::CheckAssociation() {
  FileAssociation association(env_.association, env_.programPath);
  if (association.Check() != FileAssociation::Registration::OtherProgram) return;
  const QString question = QStringLiteral(
      "包含「Kivora」的資料夾已經變更。\n\n您是否要更新 KivoRa 合併定義檔中的關聯？");
  if (messages_.Question(this, question) == Answer::Yes) association.Update();
}

void TfrmKivora::UpdateAssociation() {
  FileAssociation association(env_.association, env_.programPath);
  // Failures only mean the association is not kept; closing goes on.
  if (jointPage_->cbAssociateKvrFile->isChecked()) {
    association.Keep();
  } else {
    association.Remove();
  }
}

KivoraSettings TfrmKivora::CurrentSettings() const {
  KivoraSettings s;
  s.top = y();
  s.left = x();
  s.activePage = pcDevideJoint_->currentIndex();
  const SplitPage& p = *splitPage_;
  s.fileSize = p.udFileSize->value();
  s.divideSaveFolder = p.cobDevideSaveAs->currentIndex();
  if (s.divideSaveFolder != 0) s.divideSavePath = p.cobDevideSaveAs->currentText();
  s.randomSize = p.cbRandomSize->isChecked();
  s.divideName = p.rbZero->isChecked()  ? std::optional(0)
                 : p.rbOne->isChecked() ? std::optional(1)
                                        : std::nullopt;
  s.extension = p.cobExtention->currentText();
  s.kvrExtension = p.cbKvrExtention->isChecked();
  s.kivora = p.cbKivora->isChecked();
  s.usePlugin = options_.usePlugin;
  s.pluginName = options_.pluginName;
  s.implant = options_.implant;
  s.jointSaveFolder = jointPage_->cobJointSaveAs->currentIndex();
  if (s.jointSaveFolder != 0) s.jointSavePath = jointPage_->cobJointSaveAs->currentText();
  s.associateKivora = jointPage_->cbAssociateKvrFile->isChecked();
  s.addresses = fileListPage_->Addresses();
  s.moreInfo = fileListPage_->Extras();
  s.redivideSaveFolder = redevidePage_->cobRedevideSaveAs->currentIndex();
  if (s.redivideSaveFolder != 0)
    s.redivideSavePath = redevidePage_->cobRedevideSaveAs->currentText();
  return s;
}

void TfrmKivora::ApplySettings(const KivoraSettings& s) {
  move(s.left, s.top);
  // A position off every screen (the screens changed since) goes back onto the primary one.
  const QList<QScreen*> screens = QGuiApplication::screens();
  const bool visibleSomewhere = std::any_of(screens.begin(), screens.end(), [&](QScreen* screen) {
    return screen->availableGeometry().contains(QPoint(s.left + 20, s.top + 20));
  });
  if (!visibleSomewhere && QGuiApplication::primaryScreen()) {
    move(QGuiApplication::primaryScreen()->availableGeometry().topLeft());
  }
  pcDevideJoint_->setCurrentIndex(s.activePage);
  subPage_ = s.activePage;
  SplitPage& p = *splitPage_;
  p.udFileSize->setValue(s.fileSize);
  RestoreSaveFolder(p.cobDevideSaveAs, s.divideSavePath, s.divideSaveFolder);
  RestoreSaveFolder(jointPage_->cobJointSaveAs, s.jointSavePath, s.jointSaveFolder);
  RestoreSaveFolder(redevidePage_->cobRedevideSaveAs, s.redivideSavePath, s.redivideSaveFolder);
  p.cbRandomSize->setChecked(s.randomSize);
  p.cbKvrExtention->setChecked(s.kvrExtension);
  p.cbKivora->setChecked(s.kivora);
  jointPage_->cbAssociateKvrFile->setChecked(s.associateKivora);
  if (s.divideName == 0) p.rbZero->setChecked(true);
  if (s.divideName == 1) p.rbOne->setChecked(true);
  const int found = p.cobExtention->findText(s.extension, Qt::MatchFixedString);
  if (found >= 0) {
    p.cobExtention->setCurrentIndex(found);
  } else {
    p.cobExtention->setCurrentText(s.extension);
  }
  options_.usePlugin = s.usePlugin;
  options_.pluginName = s.pluginName;
  options_.implant = s.implant;
  fileListPage_->SetHistories(s.addresses, s.moreInfo);
}

void TfrmKivora::GuardSubPageChange(int index) {
  if (reverting_) return;
  if (flags_.busy) {
    reverting_ = true;
    pcDevideJoint_->setCurrentIndex(subPage_);
    reverting_ = false;
    return;
  }
  subPage_ = index;
}

void TfrmKivora::GuardMainTabChange(int index) {
  if (reverting_) return;
  // Going back to the split and join tab is always allowed; leaving it is not while busy.
  if (mainTab_ == 0 && flags_.busy) {
    reverting_ = true;
    pcKivora_->setCurrentIndex(mainTab_);
    reverting_ = false;
    return;
  }
  mainTab_ = index;
  fileListPage_->SetActive(index == 1);
  if (index == 1) HandOverToFileList();
}

void TfrmKivora::HandOverToFileList() {
  if (fileListPage_->RowCount() > 0) {
    const QString question =
        QStringLiteral("在檔案清單裡還有資料餘留。\n是否可以在刪除之後再變更呢？");
    if (messages_.Question(this, question) != Answer::Yes) return;
  }
  if (lvStateList_->RowCount() == 0) return;

  // The part sizes of the operation of the active sub-page, and whether the list gets a
  // definition row in front of the parts.
  const int page = pcDevideJoint_->currentIndex();
  const bool fromSplit = page == 0;
  const std::vector<TKvrFileData>& parts =
      fromSplit ? splitPage_->LastResult().parts : loaded_.parts;
  const bool noDefinitionRow = fromSplit ? options_.implant : loaded_.implanted;
  const std::int64_t definitionSize =
      fromSplit ? splitPage_->LastResult().definitionSize : loaded_.fileSize;
  const auto failure =
      TryEngine(fromSplit ? "記憶體不足、無法處理(511)。" : "記憶體不足、無法處理(512)。", [&] {
        fileListPage_->SetPartSizes(filelist::BuildPartSizeTable(parts), noDefinitionRow,
                                    definitionSize);
      });
  if (failure) {
    messages_.Error(this, ToQ(failure->text));
    return;
  }

  std::vector<filelist::FileListRow> rows;
  for (int i = 0; i < lvStateList_->RowCount(); ++i)
    rows.push_back({"", lvStateList_->Caption(i).toStdString(), ""});
  if (fromSplit) {
    if (options_.implant && !rows.empty()) rows.erase(rows.begin());  // no separate definition file
  } else if (!loaded_.implanted) {
    const QString definition =
        page == 1 ? redevidePage_->edtKvrFileName->text() : jointPage_->edtJointFileName->text();
    if (!definition.isEmpty())
      rows.insert(rows.begin(), {"", QFileInfo(definition).fileName().toStdString(), ""});
  }
  fileListPage_->SetRows(rows);
}

namespace {

// True when the file starts with "KV", as every definition file does. Throws
// KivoraError when it cannot be read.
bool IsDefinitionFile(const QString& path) {
  QFile file(path);
  if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
    throw KivoraError("無法開啟檔案 " + path.toStdString());
  }
  return file.read(2) == "KV";
}

}  // namespace

void TfrmKivora::DropFile(const QString& path) {
  try {
    const bool definition = IsDefinitionFile(path);
    switch (pcDevideJoint_->currentIndex()) {
      case 0:
        if (definition) {
          pcDevideJoint_->setCurrentIndex(2);
          jointPage_->edtJointFileName->setText(path);
        } else {
          splitPage_->SetSource(path);
        }
        break;
      case 1:
        if (!definition) {
          redevidePage_->edtRedevideFileName->setText(path);
        } else if (redevidePage_->edtKvrFileName->text() == path) {
          redevidePage_->edtKvrFileNameChange(redevidePage_->edtKvrFileName);  // read it again
        } else {
          redevidePage_->edtKvrFileName->setText(path);
        }
        break;
      default:
        if (jointPage_->edtJointFileName->text() == path) {
          jointPage_->edtJointFileNameChange();
        } else {
          jointPage_->edtJointFileName->setText(path);
        }
    }
  } catch (const KivoraError& e) {
    messages_.Error(this, QString::fromStdString(e.what()));
  }
}

void TfrmKivora::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TfrmKivora::dropEvent(QDropEvent* event) {
  event->acceptProposedAction();
  DropUrls(event->mimeData()->urls());
}

void TfrmKivora::DropUrls(const QList<QUrl>& urls) {
  // The first dropped file only; the others of the same drop are ignored.
  if (!urls.isEmpty() && urls.first().isLocalFile()) DropFile(urls.first().toLocalFile());
}

bool TfrmKivora::FormCloseQuery() {
  if (!flags_.busy) return true;
  messages_.Error(this, QStringLiteral("正在處理中。\n請按一下 [放棄] 按紐來結束。    "));
  return false;
}

void TfrmKivora::closeEvent(QCloseEvent* event) {
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  SaveSettings(env_.settingsPath, CurrentSettings());
  UpdateAssociation();
  event->accept();
}

}  // namespace kivora::ui
