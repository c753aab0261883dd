#include "ResplitPage.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "DisguiseOptionsDialog.h"
#include "EngineCall.h"
#include "JoinPage.h"
#include "LoadedDefinition.h"
#include "Messages.h"
#include "Resplit.h"
#include "WidgetNames.h"
#include "WindowUi.h"

namespace kivora::ui {
RedevidePage::RedevidePage(QWidget* parent, PageServices services)
    : QWidget(parent), services_(std::move(services)) {
  setObjectName(QStringLiteral("tsRedevide"));
  pnlRedevide = Named<QWidget>("pnlRedevide");
  edtKvrFileName = Named<QLineEdit>("edtKvrFileName");
  auto* btnRefferKvr = Named<QPushButton>("btnRefferKvr", QStringLiteral("瀏覽(&B)..."));
  edtRedevideFileName = Named<QLineEdit>("edtRedevideFileName");
  edtRedevideFileName->setToolTip(QStringLiteral("指定要再分割的檔名"));
  auto* btnRefferRedevide = Named<QPushButton>("btnRefferRedevide", QStringLiteral("瀏覽(&R)..."));
  cobRedevideSaveAs =
      SaveFolderBox("cobRedevideSaveAs", QString::fromUtf8(kSameFolderAsDefinition));
  auto* btnRefferReSaveAs = Named<QPushButton>("btnRefferReSaveAs", QStringLiteral("瀏覽(&W)..."));
  lvRedevideInfo = new InfoListView("lvRedevideInfo");
  auto* label11 = Named<QLabel>(
      "Label11", QStringLiteral("若是全選的話，則所有的檔\n案都將成為再分割的對象。"));
  btnRedevideAll = Named<QPushButton>("btnRedevideAll", QStringLiteral("全選(&T)"));
  btnRedevide = Named<QPushButton>("btnRedevide", QStringLiteral("再分割(&V)"));
  btnRedevideAbort = Named<QPushButton>("btnRedevideAbort", QStringLiteral("放棄(&A)"));
  btnRedevide->setEnabled(false);
  btnRedevideAbort->setEnabled(false);

  auto label = [](const QString& text, QWidget* buddy) {
    auto* l = new QLabel(text);
    l->setBuddy(buddy);
    return l;
  };
  auto* grid = new QGridLayout(pnlRedevide);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(label(QStringLiteral("KivoRa 檔名(&L):"), edtKvrFileName), 0, 0, 1, 2);
  grid->addWidget(edtKvrFileName, 1, 0);
  grid->addWidget(btnRefferKvr, 1, 1);
  grid->addWidget(label(QStringLiteral("再分割的來源檔名(&N):"), edtRedevideFileName), 2, 0, 1, 2);
  grid->addWidget(edtRedevideFileName, 3, 0);
  grid->addWidget(btnRefferRedevide, 3, 1);
  grid->addWidget(label(QStringLiteral("儲存再分割檔的位置(&S):"), cobRedevideSaveAs), 4, 0, 1, 2);
  grid->addWidget(cobRedevideSaveAs, 5, 0);
  grid->addWidget(btnRefferReSaveAs, 5, 1);
  grid->addWidget(new QLabel(QStringLiteral("檔案資訊:")), 6, 0, 1, 2);
  grid->addWidget(lvRedevideInfo, 7, 0, 1, 2);
  grid->setColumnStretch(0, 1);
  // The two-line note and select-all sit above the start and abort buttons: the three
  // buttons leave the note too little room beside them.
  auto* selectAll = new QHBoxLayout;
  selectAll->addWidget(label11);
  selectAll->addWidget(btnRedevideAll);
  selectAll->addStretch();
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnRedevide);
  buttons->addWidget(btnRedevideAbort);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pnlRedevide, 1);
  layout->addLayout(selectAll);
  layout->addLayout(buttons);

  for (QLineEdit* edit : {edtKvrFileName, edtRedevideFileName}) {
    connect(edit, &QLineEdit::textChanged, this, [this, edit] { edtKvrFileNameChange(edit); });
  }
  connect(btnRefferKvr, &QPushButton::clicked, this, [this] { btnRefferKvrClick(); });
  connect(btnRefferRedevide, &QPushButton::clicked, this, [this] { btnRefferRedevideClick(); });
  connect(btnRefferReSaveAs, &QPushButton::clicked, this, [this] { btnRefferReSaveAsClick(); });
  connect(cobRedevideSaveAs, &QComboBox::currentTextChanged, this,
          [this](const QString& text) { cobRedevideSaveAs->setToolTip(text); });
  connect(btnRedevideAll, &QPushButton::clicked, this, [this] { btnRedevideAllClick(); });
  connect(btnRedevide, &QPushButton::clicked, this, [this] { btnRedevideClick(); });
  connect(btnRedevideAbort, &QPushButton::clicked, this, [this] { btnRedevideAbortClick(); });
}

void RedevidePage::edtKvrFileNameChange(QLineEdit* changed) {
  changed->setToolTip(changed->text());
  if (changed == edtKvrFileName && QFileInfo(edtKvrFileName->text()).isFile()) {
    CallEngine(services_.ui, msg::kCannotOpenKvr, false, [&] {
      return LoadDefinition(ToPath(edtKvrFileName->text()), services_.pendants, InfoList::Resplit,
                            services_.ui, services_.loaded);
    });
  }
  btnRedevide->setEnabled(QFileInfo(edtRedevideFileName->text()).isFile() &&
                          QFileInfo(edtKvrFileName->text()).isFile());
}

void RedevidePage::btnRefferKvrClick() {
  const auto chosen =
      services_.messages.OpenFileName(this, QString::fromUtf8(kDefinitionFilter), QString());
  if (!chosen) return;
  if (*chosen == edtKvrFileName->text()) {
    edtKvrFileNameChange(edtKvrFileName);
  } else {
    edtKvrFileName->setText(*chosen);
  }
}

void RedevidePage::btnRefferRedevideClick() {
  if (const auto chosen =
          services_.messages.OpenFileName(this, QStringLiteral("所有檔案 (*)"), QString())) {
    edtRedevideFileName->setText(*chosen);
  }
}

void RedevidePage::btnRefferReSaveAsClick() {
  const QString start =
      cobRedevideSaveAs->currentIndex() == 1 ? cobRedevideSaveAs->currentText() : QString();
  if (const auto chosen = services_.messages.SelectFolder(this, start))
    SetPickedFolder(cobRedevideSaveAs, *chosen);
}

void RedevidePage::btnRedevideAllClick() {
  if (services_.states.RowCount() == 0) return;
  services_.states.SelectVisibleRows();
  services_.states.setFocus();
  selectAllTag_ = 1;
}

std::optional<std::string> RedevidePage::ChoosePlugin() {
  TfrmKvrOption dialog(this, services_.messages, services_.pluginFolders);
  dialog.SetResplitMode();
  dialog.exec();
  if (dialog.Tag() != 1 || dialog.SelectedPluginName().isEmpty()) return std::nullopt;
  return dialog.SelectedPluginName().toStdString();
}

void RedevidePage::btnRedevideClick() {
  ResplitRequest request;
  request.definitionPath = ToPath(edtKvrFileName->text());
  request.source = ToPath(edtRedevideFileName->text());
  request.outputFolder = ChosenFolder(cobRedevideSaveAs);
  // Select-all stands for the rows out of view, but only while some row is selected.
  const std::vector<int> selected = services_.states.SelectedKeys();
  if (selected.empty()) {
    services_.messages.Error(this, QStringLiteral("請從一覽表上選擇要再次分割的檔案。"));
    return;
  }
  if (!SelectAll()) request.selected = selected;
  Operation operation(services_.flags, [this](bool atWork) {
    btnRedevideAbort->setEnabled(atWork);
    btnRedevide->setEnabled(!atWork);
    services_.states.setEnabled(!atWork);
    pnlRedevide->setEnabled(!atWork);
  });
  CallEngine(services_.ui, msg::kResplitFailed311, false, [&] {
    return RunResplit(services_.loaded, request, services_.pendants, services_.ui);
  });
}

void RedevidePage::btnRedevideAbortClick() {
  services_.flags.abortRequested = true;
  btnRedevideAbort->setEnabled(false);
  // The selection goes, and with it the select-all that stood for it.
  services_.states.clearSelection();
  ClearSelectAll();
}

}  // namespace kivora::ui
