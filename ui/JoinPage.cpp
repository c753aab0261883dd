#include "JoinPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "EngineCall.h"
#include "JoinDriver.h"
#include "LoadedDefinition.h"
#include "Messages.h"
#include "PartTest.h"
#include "WidgetNames.h"
#include "WindowUi.h"

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

JointPage::JointPage(QWidget* parent, PageServices services)
    : QWidget(parent), services_(std::move(services)) {
  setObjectName(QStringLiteral("tsJoint"));
  pnlJoint = Named<QWidget>("pnlJoint");
  edtJointFileName = Named<QLineEdit>("edtJointFileName");
  auto* btnRefferJoint = Named<QPushButton>("btnRefferJoint", QStringLiteral("瀏覽(&B)..."));
  cobJointSaveAs = SaveFolderBox("cobJointSaveAs", QString::fromUtf8(kSameFolderAsDefinition));
  auto* btnRefferJointSaveAs =
      Named<QPushButton>("btnRefferJointSaveAs", QStringLiteral("瀏覽(&R)..."));
  lvKvrInfoJoint = new InfoListView("lvKvrInfoJoint");
  cbAssociateKvrFile =
      Named<QCheckBox>("cbAssociateKvrFile", QStringLiteral("關聯 KivoRa 檔案(.kvr)(&E)"));
  cbAssociateKvrFile->setChecked(true);
  btnJoint = Named<QPushButton>("btnJoint", QStringLiteral("合併(&J)"));
  btnTest = Named<QPushButton>("btnTest", QStringLiteral("測試(&T)"));
  btnJointAbort = Named<QPushButton>("btnJointAbort", QStringLiteral("放棄(&A)"));
  for (QPushButton* b : {btnJoint, btnTest, btnJointAbort}) b->setEnabled(false);

  auto* label6 = Named<QLabel>("Label6", QStringLiteral("KivoRa 檔名(&L):"));
  label6->setBuddy(edtJointFileName);
  auto* label13 = Named<QLabel>("Label13", QStringLiteral("儲存合併檔的位置(&S):"));
  label13->setBuddy(cobJointSaveAs);
  auto* label19 = Named<QLabel>("Label19", QStringLiteral("檔案資訊:"));
  auto* grid = new QGridLayout(pnlJoint);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(label6, 0, 0, 1, 2);
  grid->addWidget(edtJointFileName, 1, 0);
  grid->addWidget(btnRefferJoint, 1, 1);
  grid->addWidget(label13, 2, 0, 1, 2);
  grid->addWidget(cobJointSaveAs, 3, 0);
  grid->addWidget(btnRefferJointSaveAs, 3, 1);
  grid->addWidget(label19, 4, 0, 1, 2);
  grid->addWidget(lvKvrInfoJoint, 5, 0, 1, 2);
  grid->addWidget(cbAssociateKvrFile, 6, 0, 1, 2);
  grid->setColumnStretch(0, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnTest);
  buttons->addWidget(btnJoint);
  buttons->addWidget(btnJointAbort);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pnlJoint, 1);
  layout->addLayout(buttons);

  connect(edtJointFileName, &QLineEdit::textChanged, this, [this] { edtJointFileNameChange(); });
  connect(btnRefferJoint, &QPushButton::clicked, this, [this] { btnRefferJointClick(); });
  connect(btnRefferJointSaveAs, &QPushButton::clicked, this,
          [this] { btnRefferJointSaveAsClick(); });
  connect(cobJointSaveAs, &QComboBox::currentTextChanged, this,
          [this](const QString& text) { cobJointSaveAs->setToolTip(text); });
  connect(btnJoint, &QPushButton::clicked, this, [this] { btnJointClick(); });
  connect(btnTest, &QPushButton::clicked, this, [this] { btnTestClick(); });
  connect(btnJointAbort, &QPushButton::clicked, this, [this] { btnJointAbortClick(); });
}

void JointPage::edtJointFileNameChange() {
  const QString text = edtJointFileName->text();
  edtJointFileName->setToolTip(text);
  if (text.isEmpty() || !QFileInfo(text).isFile()) {
    btnJoint->setEnabled(false);
    btnTest->setEnabled(false);
    return;
  }
  if (CallEngine(services_.ui, msg::kCannotOpenKvr, false, [&] {
        return LoadDefinition(ToPath(text), services_.pendants, InfoList::Join, services_.ui,
                              services_.loaded);
      })) {
    btnJoint->setEnabled(true);
    btnTest->setEnabled(true);
  }
}

void JointPage::btnRefferJointClick() {
  const auto chosen =
      services_.messages.OpenFileName(this, QString::fromUtf8(kDefinitionFilter), QString());
  if (!chosen) return;
  if (*chosen == edtJointFileName->text()) {
    edtJointFileNameChange();  // the same name: read it again
  } else {
    edtJointFileName->setText(*chosen);
  }
}

void JointPage::btnRefferJointSaveAsClick() {
  const QString start =
      cobJointSaveAs->currentIndex() == 1 ? cobJointSaveAs->currentText() : QString();
  if (const auto chosen = services_.messages.SelectFolder(this, start))
    SetPickedFolder(cobJointSaveAs, *chosen);
}

void JointPage::btnJointClick() {
  JoinRequest request;
  request.definitionPath = ToPath(edtJointFileName->text());
  request.outputFolder = ChosenFolder(cobJointSaveAs);
  Operation operation(services_.flags, [this](bool atWork) { ShowWork(atWork); });
  CallEngine(services_.ui, msg::kJoinInterrupted, false,
             [&] { return RunJoin(services_.loaded, request, services_.pendants, services_.ui); });
}

void JointPage::btnTestClick() {
  TestOutcome outcome;
  {
    Operation operation(services_.flags, [this](bool atWork) { ShowWork(atWork); });
    outcome = CallEngine(services_.ui, msg::kTestInterrupted, TestOutcome{}, [&] {
      return RunTest(services_.loaded, ToPath(edtJointFileName->text()), services_.pendants,
                     services_.ui);
    });
  }
  if (outcome.joinRequested) btnJointClick();
}

void JointPage::ShowWork(bool atWork) {
  btnJointAbort->setEnabled(atWork);
  btnJoint->setEnabled(!atWork);
  btnTest->setEnabled(!atWork);
  pnlJoint->setEnabled(!atWork);
}

void JointPage::btnJointAbortClick() {
  services_.flags.abortRequested = true;
  btnJointAbort->setEnabled(false);
}

}  // namespace kivora::ui
