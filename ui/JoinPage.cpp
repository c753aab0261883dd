#include "ui/JoinPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

#include "core/EngineCall.h"
#include "core/JoinDriver.h"
#include "core/LoadedDefinition.h"
#include "core/Messages.h"
#include "core/PartTest.h"
#include "ui/WidgetNames.h"
#include "ui/WindowUi.h"

namespace kivora::ui {
QComboBox* SaveFolderBox(const char* name, const QString& firstEntry) {
  auto* box = Named<QComboBox>(name);
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);  // Enter must not add entries
  box->addItem(firstEntry);
  return box;
}

void SetPickedFolder(QComboBox* box, const QString& folder) {
  if (box->count() < 2) {
    box->addItem(folder);
  } else {
    box->setItemText(1, folder);
  }
  box->setCurrentIndex(1);
}

std::optional<std::filesystem::path> ChosenFolder(const QComboBox* box) {
  if (box->currentIndex() == 0 && box->currentText() == box->itemText(0)) return std::nullopt;
  return ToPath(box->currentText());
}

JoinPage::JoinPage(QWidget* parent, PageServices services)
    : QWidget(parent), services_(std::move(services)) {
  setObjectName(QStringLiteral("tsJoint"));
  inputsPanel_ = Named<QWidget>("pnlJoint");
  definitionEdit_ = Named<QLineEdit>("edtJointFileName");
  auto* browseDefinition = Named<QPushButton>("btnRefferJoint", QStringLiteral("瀏覽(&B)..."));
  saveFolderBox_ = SaveFolderBox("cobJointSaveAs", QString::fromUtf8(kSameFolderAsDefinition));
  auto* browseSaveFolder =
      Named<QPushButton>("btnRefferJointSaveAs", QStringLiteral("瀏覽(&R)..."));
  infoList_ = new InfoListView("lvKvrInfoJoint");
  associateBox_ =
      Named<QCheckBox>("cbAssociateKvrFile", QStringLiteral("關聯 KivoRa 檔案(.kvr)(&E)"));
  associateBox_->setChecked(true);
  joinButton_ = Named<QPushButton>("btnJoint", QStringLiteral("合併(&J)"));
  testButton_ = Named<QPushButton>("btnTest", QStringLiteral("測試(&T)"));
  abortButton_ = Named<QPushButton>("btnJointAbort", QStringLiteral("放棄(&A)"));
  for (QPushButton* b : {joinButton_, testButton_, abortButton_}) b->setEnabled(false);

  auto* definitionLabel = Named<QLabel>("Label6", QStringLiteral("KivoRa 檔名(&L):"));
  definitionLabel->setBuddy(definitionEdit_);
  auto* saveFolderLabel = Named<QLabel>("Label13", QStringLiteral("儲存合併檔的位置(&S):"));
  saveFolderLabel->setBuddy(saveFolderBox_);
  auto* infoLabel = Named<QLabel>("Label19", QStringLiteral("檔案資訊:"));
  auto* grid = new QGridLayout(inputsPanel_);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(definitionLabel, 0, 0, 1, 2);
  grid->addWidget(definitionEdit_, 1, 0);
  grid->addWidget(browseDefinition, 1, 1);
  grid->addWidget(saveFolderLabel, 2, 0, 1, 2);
  grid->addWidget(saveFolderBox_, 3, 0);
  grid->addWidget(browseSaveFolder, 3, 1);
  grid->addWidget(infoLabel, 4, 0, 1, 2);
  grid->addWidget(infoList_, 5, 0, 1, 2);
  grid->addWidget(associateBox_, 6, 0, 1, 2);
  grid->setColumnStretch(0, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(testButton_);
  buttons->addWidget(joinButton_);
  buttons->addWidget(abortButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(inputsPanel_, 1);
  layout->addLayout(buttons);

  connect(definitionEdit_, &QLineEdit::textChanged, this, [this] { OnDefinitionChanged(); });
  connect(browseDefinition, &QPushButton::clicked, this, [this] { BrowseDefinition(); });
  connect(browseSaveFolder, &QPushButton::clicked, this, [this] { BrowseSaveFolder(); });
  connect(saveFolderBox_, &QComboBox::currentTextChanged, this,
          [this](const QString& text) { saveFolderBox_->setToolTip(text); });
  connect(joinButton_, &QPushButton::clicked, this, [this] { Join(); });
  connect(testButton_, &QPushButton::clicked, this, [this] { Test(); });
  connect(abortButton_, &QPushButton::clicked, this, [this] { AbortJoin(); });
}

void JoinPage::OnDefinitionChanged() {
  const QString text = definitionEdit_->text();
  definitionEdit_->setToolTip(text);
  // The running operation reads the definition last read: it is not read again under it.
  if (services_.runner.Running()) return;
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
  const auto chosen =
      services_.messages.OpenFileName(this, QString::fromUtf8(kDefinitionFilter), QString());
  if (!chosen) return;
  if (*chosen == definitionEdit_->text()) {
    OnDefinitionChanged();  // the same name: read it again
  } else {
    definitionEdit_->setText(*chosen);
  }
}

void JoinPage::BrowseSaveFolder() {
  const QString start =
      saveFolderBox_->currentIndex() == 1 ? saveFolderBox_->currentText() : QString();
  if (const auto chosen = services_.messages.SelectFolder(this, start))
    SetPickedFolder(saveFolderBox_, *chosen);
}

void JoinPage::Join() {
  JoinRequest request;
  request.definitionPath = ToPath(definitionEdit_->text());
  request.outputFolder = ChosenFolder(saveFolderBox_);
  services_.runner.Start([this](bool atWork) { ShowWork(atWork); },
                         [this, request](OperationEvents& events) {
                           CallEngine(events, msg::kJoinInterrupted, false, [&] {
                             return RunJoin(services_.loaded, request, services_.pendants, events);
                           });
                         });
}

void JoinPage::Test() {
  // Written by the operation's thread, read once it finished.
  auto outcome = std::make_shared<TestOutcome>();
  const std::filesystem::path definition = ToPath(definitionEdit_->text());
  services_.runner.Start([this](bool atWork) { ShowWork(atWork); },
                         [this, outcome, definition](OperationEvents& events) {
                           *outcome = CallEngine(events, msg::kTestInterrupted, TestOutcome{}, [&] {
                             return RunTest(services_.loaded, definition, services_.pendants,
                                            events);
                           });
                         },
                         [this, outcome] {
                           if (outcome->joinRequested) Join();
                         });
}

void JoinPage::ShowWork(bool atWork) {
  abortButton_->setEnabled(atWork);
  joinButton_->setEnabled(!atWork);
  testButton_->setEnabled(!atWork);
  inputsPanel_->setEnabled(!atWork);
}

void JoinPage::AbortJoin() {
  services_.runner.RequestAbort();
  abortButton_->setEnabled(false);
}

}  // namespace kivora::ui
