#include "ui/pages/JoinPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "core/format/LoadedDefinition.h"
#include "core/io/Folder.h"
#include "core/operations/AddRecoveryOperation.h"
#include "core/operations/EngineCall.h"
#include "core/operations/JoinOperation.h"
#include "core/operations/RepairOperation.h"
#include "core/operations/SetRecovery.h"
#include "core/operations/TestFollowUp.h"
#include "core/operations/TestOperation.h"
#include "core/recovery/RecoveryScan.h"
#include "core/text/Messages.h"
#include "language/EngineText.h"
#include "ui/engine/WindowUi.h"
#include "ui/pages/SaveFolderChooser.h"
#include "ui/pages/WidgetNames.h"

namespace kivora::ui {

JoinPage::JoinPage(QWidget* parent, PageServices services)
    : QWidget(parent), services_(std::move(services)) {
  setObjectName(QStringLiteral("tsJoint"));
  inputsPanel_ = Named<QWidget>("pnlJoint");
  definitionEdit_ = Named<QLineEdit>("edtJointFileName");
  auto* browseDefinition = Named<QPushButton>("btnRefferJoint", tr("瀏覽(&B)..."));
  saveFolder_ = new SaveFolderChooser(this, services_.messages, "cobJointSaveAs",
                                      tr("與 KivoRa 檔案相同的資料夾"), "btnRefferJointSaveAs",
                                      tr("瀏覽(&R)..."));
  saveFolder_->ShowTextAsHint();
  infoList_ = new InfoListView("lvKvrInfoJoint", services_.language);
  associateBox_ = Named<QCheckBox>("cbAssociateKvrFile", tr("關聯 KivoRa 檔案(.kvr)(&E)"));
  associateBox_->setChecked(true);
  joinButton_ = Named<QPushButton>("btnJoint", tr("合併(&J)"));
  testButton_ = Named<QPushButton>("btnTest", tr("測試(&T)"));
  addRecoveryButton_ = Named<QPushButton>("btnAddRecovery", tr("加入修復檔(&D)"));
  addRecoveryButton_->setToolTip(tr("為測試沒有問題的這組分割檔寫入修復檔"));
  abortButton_ = Named<QPushButton>("btnJointAbort", tr("放棄(&A)"));
  for (QPushButton* b : {joinButton_, testButton_, addRecoveryButton_, abortButton_}) {
    b->setEnabled(false);
  }

  auto* definitionLabel = Named<QLabel>("Label6", tr("KivoRa 檔名(&L):"));
  definitionLabel->setBuddy(definitionEdit_);
  auto* saveFolderLabel = Named<QLabel>("Label13", tr("儲存合併檔的位置(&S):"));
  saveFolderLabel->setBuddy(saveFolder_->Box());
  auto* infoLabel = Named<QLabel>("Label19", tr("檔案資訊:"));
  auto* grid = new QGridLayout(inputsPanel_);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(definitionLabel, 0, 0, 1, 2);
  grid->addWidget(definitionEdit_, 1, 0);
  grid->addWidget(browseDefinition, 1, 1);
  grid->addWidget(saveFolderLabel, 2, 0, 1, 2);
  grid->addWidget(saveFolder_->Box(), 3, 0);
  grid->addWidget(saveFolder_->Button(), 3, 1);
  grid->addWidget(infoLabel, 4, 0, 1, 2);
  grid->addWidget(infoList_, 5, 0, 1, 2);
  grid->addWidget(associateBox_, 6, 0, 1, 2);
  grid->setColumnStretch(0, 1);
  // A character's room beside each caption, however the style measures the text.
  for (QPushButton* b : {addRecoveryButton_, testButton_, joinButton_, abortButton_})
    b->setMinimumWidth(b->sizeHint().width() + 2 * b->fontMetrics().averageCharWidth());
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(addRecoveryButton_);
  buttons->addWidget(testButton_);
  buttons->addWidget(joinButton_);
  buttons->addWidget(abortButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(inputsPanel_, 1);
  layout->addLayout(buttons);

  connect(definitionEdit_, &QLineEdit::textChanged, this, [this] { OnDefinitionChanged(); });
  connect(browseDefinition, &QPushButton::clicked, this, [this] { BrowseDefinition(); });
  connect(joinButton_, &QPushButton::clicked, this, [this] { Join(); });
  connect(testButton_, &QPushButton::clicked, this, [this] { Test(); });
  connect(addRecoveryButton_, &QPushButton::clicked, this, [this] { AddRecovery(); });
  connect(abortButton_, &QPushButton::clicked, this, [this] { AbortJoin(); });
}

void JoinPage::OnDefinitionChanged() {
  const QString text = definitionEdit_->text();
  definitionEdit_->setToolTip(text);
  // The running operation reads the definition last read: it is not read again under it.
  if (services_.runner.Running()) return;
  cleanlyTested_.clear();
  addRecoveryButton_->setEnabled(false);
  if (text.isEmpty() || !QFileInfo(text).isFile()) {
    joinButton_->setEnabled(false);
    testButton_->setEnabled(false);
    return;
  }
  if (CallEngine(services_.ui, msg::kCannotOpenKvr, false, [&] {
        return LoadDefinition(ToPath(text), services_.pendants, OperationKind::Join, services_.ui,
                              services_.loaded);
      })) {
    joinButton_->setEnabled(true);
    testButton_->setEnabled(true);
  }
}

void JoinPage::BrowseDefinition() {
  const auto chosen = services_.messages.OpenFileName(this, DefinitionFilter(), lastFolder_);
  if (!chosen) return;
  lastFolder_ = QFileInfo(*chosen).absolutePath();
  OpenDefinition(*chosen);
}

void JoinPage::SetDefinition(const QString& path) { definitionEdit_->setText(path); }

void JoinPage::OpenDefinition(const QString& path) {
  if (path == definitionEdit_->text()) {
    OnDefinitionChanged();  // the same name: read it again
  } else {
    definitionEdit_->setText(path);
  }
}

QString JoinPage::DefinitionPath() const { return definitionEdit_->text(); }

void JoinPage::ShowSummary(const std::vector<std::pair<MessageText, MessageText>>& rows) {
  infoList_->Fill(rows);
}

bool JoinPage::KeepsAssociation() const { return associateBox_->isChecked(); }

void JoinPage::ApplySettings(const KivoraSettings& s) {
  saveFolder_->Restore(s.joinSavePath, s.joinSaveFolder);
  associateBox_->setChecked(s.associateKivora);
  lastFolder_ = s.joinLastFolder;
}

void JoinPage::StoreSettings(KivoraSettings& s) const {
  s.joinSaveFolder = saveFolder_->SelectedEntry();
  s.joinSavePath = saveFolder_->Folder();
  s.associateKivora = associateBox_->isChecked();
  s.joinLastFolder = lastFolder_;
}

void JoinPage::Join() {
  JoinRequest request;
  request.definitionPath = ToPath(definitionEdit_->text());
  request.outputFolder = saveFolder_->Chosen();
  // Written by the operation's thread, read once it finished.
  auto outcome = std::make_shared<JoinOutcome>();
  ShowRunning(services_.runner.Start(
      [this](bool atWork) { ShowWork(atWork); },
      [this, request, outcome](OperationEvents& events) {
        JoinRequest withDefinition = request;
        withDefinition.loaded = services_.loaded;
        *outcome = RunJoin(withDefinition, services_.pendants, events);
        services_.loaded = outcome->definition;
        if (!outcome->completed && !events.AbortRequested()) {
          OfferRepairFromRecovery(request.definitionPath, events);
        }
      },
      [this, outcome] {
        ShowRunning(false, joinButton_);
        if (!outcome->completed || outcome->output.empty()) return;
        const QFileInfo joined(ToQ(outcome->output.string()));
        services_.ui.ReportOutput(joined.absolutePath(), {joined.fileName()});
      }));
}

void JoinPage::ShowRunning(bool running, QPushButton* focusAfter) {
  // From the start button to the end of the follow-ups: no other operation of the page
  // can start, the questions before the work included.
  if (running) {
    for (QPushButton* b : {joinButton_, testButton_, addRecoveryButton_}) b->setEnabled(false);
    return;
  }
  const bool loaded = QFileInfo(definitionEdit_->text()).isFile();
  joinButton_->setEnabled(loaded);
  testButton_->setEnabled(loaded);
  addRecoveryButton_->setEnabled(!cleanlyTested_.isEmpty());
  // The focus goes back to where the run was started, not to the outer tab.
  if (focusAfter && focusAfter->isEnabled()) focusAfter->setFocus();
}

void JoinPage::Test() {
  // Written by the operation's thread, read once it finished.
  struct Tested {
    TestOutcome outcome;
    NextStep next = NextStep::None;
  };
  auto tested = std::make_shared<Tested>();
  const QString path = definitionEdit_->text();
  const std::filesystem::path definition = ToPath(path);
  cleanlyTested_.clear();
  ShowRunning(services_.runner.Start(
      [this](bool atWork) { ShowWork(atWork); },
      [this, tested, definition](OperationEvents& events) {
        TestOutcome& outcome = tested->outcome;
        // The password of an encrypted set is asked for; Cancel tests the checksums alone.
        outcome = RunTest({.definitionPath = definition,
                           .loaded = services_.loaded,
                           .askPassword = true,
                           .followUpErrors = true,
                           .retryWrongPassword = true},
                          services_.pendants, events);
        services_.loaded = outcome.definition;
        if (outcome.ran && !outcome.aborted && outcome.HasErrors())
          tested->next = OfferNextStep(outcome, definition, services_.pendants, events);
      },
      [this, tested, path] {
        ShowRunning(false, testButton_);
        const TestOutcome& outcome = tested->outcome;
        const bool clean =
            outcome.ran && !outcome.aborted && outcome.findings == std::set{PartTestResult::Ok};
        if (clean && path == definitionEdit_->text()) cleanlyTested_ = path;
        ShowAddRecoveryCaption();
        addRecoveryButton_->setEnabled(!cleanlyTested_.isEmpty());
        if (outcome.joinRequested) Join();
        if (tested->next == NextStep::Resplit) {
          std::vector<int> damaged = outcome.PartsFound(PartTestResult::Missing);
          const std::vector<int> corrupt = outcome.PartsFound(PartTestResult::Corrupt);
          damaged.insert(damaged.end(), corrupt.begin(), corrupt.end());
          std::sort(damaged.begin(), damaged.end());
          emit ResplitRequested(path, damaged);
        }
      }));
}

namespace {

// The amount the add-recovery box takes: what RunAddRecovery accepts, 1 to 254 parts a
// group or a share of 1% to 100%.
std::optional<RecoveryAmount> TypedRecoveryAmount(const QString& typed) {
  const std::optional<RecoveryAmount> amount = ParseRecoveryAmount(typed.trimmed().toStdString());
  if (!amount || !amount->Any() || amount->count > kMaxRecoveryPerGroup || amount->percent > 100)
    return std::nullopt;
  return amount;
}

}  // namespace

void JoinPage::AddRecovery() {
  TextRequest request{tr("加入修復檔"),
                      tr("每組的修復檔數目 (1 到 254)，或每組分割檔的比例 (例如 10%)："),
                      false,
                      {},
                      {},
                      [this](const QString& typed) {
                        return TypedRecoveryAmount(typed)
                                   ? QString()
                                   : EngineText(msg::kAddRecoveryAmountInvalid165,
                                                services_.language);
                      }};
  if (replacesRecovery_)
    request.prompt += QLatin1Char('\n') + tr("這組分割檔已有修復檔：新的修復檔將取代它們。");
  const std::optional<QString> typed = services_.messages.AskCheckedText(this, request);
  if (!typed) return;
  const RecoveryAmount amount = *TypedRecoveryAmount(*typed);
  const std::filesystem::path definition = ToPath(cleanlyTested_);
  ShowRunning(services_.runner.Start(
      [this](bool atWork) { ShowWork(atWork); },
      [this, definition, amount](OperationEvents& events) {
        services_.loaded =
            RunAddRecovery(
                {.definitionPath = definition, .loaded = services_.loaded, .amount = amount},
                services_.pendants, events)
                .definition;
      },
      [this] {
        ShowRunning(false, joinButton_);
        ShowAddRecoveryCaption();
      }));
}

void JoinPage::ShowAddRecoveryCaption() {
  replacesRecovery_ = false;
  if (!cleanlyTested_.isEmpty()) {
    TryEngine(MessageText{}, [&] {
      replacesRecovery_ = !ListRecoveryParts(ToPath(cleanlyTested_), services_.loaded).empty();
    });
  }
  addRecoveryButton_->setText(replacesRecovery_ ? tr("取代修復檔(&D)") : tr("加入修復檔(&D)"));
  addRecoveryButton_->setToolTip(replacesRecovery_ ? tr("以新的修復檔取代這組分割檔現有的修復檔")
                                                   : tr("為測試沒有問題的這組分割檔寫入修復檔"));
}

void JoinPage::OfferRepairFromRecovery(const std::filesystem::path& definition,
                                       OperationEvents& events, const SetCipher* cipher) {
  OfferRepair(definition, services_.pendants, events, cipher);
}

void JoinPage::ShowWork(bool atWork) {
  abortButton_->setEnabled(atWork);
  inputsPanel_->setEnabled(!atWork);
}

void JoinPage::AbortJoin() {
  services_.runner.RequestAbort();
  abortButton_->setEnabled(false);
}

}  // namespace kivora::ui
