#include "ui/pages/ResplitPage.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/format/LoadedDefinition.h"
#include "core/io/Folder.h"
#include "core/operations/EngineCall.h"
#include "core/operations/ResplitOperation.h"
#include "core/text/Messages.h"
#include "ui/engine/WindowUi.h"
#include "ui/pages/DisguiseOptionsDialog.h"
#include "ui/pages/JoinPage.h"
#include "ui/pages/SaveFolderChooser.h"
#include "ui/pages/WidgetNames.h"

namespace kivora::ui {
ResplitPage::ResplitPage(QWidget* parent, PageServices services)
    : QWidget(parent), services_(std::move(services)) {
  setObjectName(QStringLiteral("tsRedevide"));
  inputsPanel_ = Named<QWidget>("pnlRedevide");
  definitionEdit_ = Named<QLineEdit>("edtKvrFileName");
  auto* browseDefinition = Named<QPushButton>("btnRefferKvr", tr("瀏覽(&B)..."));
  sourceEdit_ = Named<QLineEdit>("edtRedevideFileName");
  sourceEdit_->setToolTip(tr("指定要再分割的檔名"));
  auto* browseSource = Named<QPushButton>("btnRefferRedevide", tr("瀏覽(&R)..."));
  saveFolder_ = new SaveFolderChooser(this, services_.messages, "cobRedevideSaveAs",
                                      tr("與 KivoRa 檔案相同的資料夾"), "btnRefferReSaveAs",
                                      tr("瀏覽(&W)..."));
  saveFolder_->ShowTextAsHint();
  infoList_ = new InfoListView("lvRedevideInfo", services_.language);
  auto* selectAllNote =
      Named<QLabel>("Label11", tr("若是全選的話，\n則所有的檔案都將成為再分割的對象。"));
  selectAllButton_ = Named<QPushButton>("btnRedevideAll", tr("全選(&T)"));
  startButton_ = Named<QPushButton>("btnRedevide", tr("再分割(&V)"));
  abortButton_ = Named<QPushButton>("btnRedevideAbort", tr("放棄(&A)"));
  startButton_->setEnabled(false);
  abortButton_->setEnabled(false);

  auto label = [](const QString& text, QWidget* buddy) {
    auto* l = new QLabel(text);
    l->setBuddy(buddy);
    return l;
  };
  auto* grid = new QGridLayout(inputsPanel_);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(label(tr("KivoRa 檔名(&L):"), definitionEdit_), 0, 0, 1, 2);
  grid->addWidget(definitionEdit_, 1, 0);
  grid->addWidget(browseDefinition, 1, 1);
  grid->addWidget(label(tr("再分割的來源檔名(&N):"), sourceEdit_), 2, 0, 1, 2);
  grid->addWidget(sourceEdit_, 3, 0);
  grid->addWidget(browseSource, 3, 1);
  grid->addWidget(label(tr("儲存再分割檔的位置(&S):"), saveFolder_->Box()), 4, 0, 1, 2);
  grid->addWidget(saveFolder_->Box(), 5, 0);
  grid->addWidget(saveFolder_->Button(), 5, 1);
  grid->addWidget(new QLabel(tr("檔案資訊:")), 6, 0, 1, 2);
  grid->addWidget(infoList_, 7, 0, 1, 2);
  grid->setColumnStretch(0, 1);
  // The two-line note and select-all sit above the start and abort buttons: the three
  // buttons leave the note too little room beside them.
  auto* selectAll = new QHBoxLayout;
  selectAll->addWidget(selectAllNote);
  selectAll->addWidget(selectAllButton_);
  selectAll->addStretch();
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(startButton_);
  buttons->addWidget(abortButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(inputsPanel_, 1);
  layout->addLayout(selectAll);
  layout->addLayout(buttons);

  for (QLineEdit* edit : {definitionEdit_, sourceEdit_}) {
    connect(edit, &QLineEdit::textChanged, this, [this, edit] { OnFileNameChanged(edit); });
  }
  connect(browseDefinition, &QPushButton::clicked, this, [this] { BrowseDefinition(); });
  connect(browseSource, &QPushButton::clicked, this, [this] { BrowseSource(); });
  connect(selectAllButton_, &QPushButton::clicked, this, [this] { SelectAllParts(); });
  connect(startButton_, &QPushButton::clicked, this, [this] { StartResplit(); });
  connect(abortButton_, &QPushButton::clicked, this, [this] { AbortResplit(); });
}

void ResplitPage::OnFileNameChanged(QLineEdit* changed) {
  changed->setToolTip(changed->text());
  // The running operation reads the definition last read: it is not read again under it.
  if (changed == definitionEdit_ && !services_.runner.Running() &&
      QFileInfo(definitionEdit_->text()).isFile()) {
    CallEngine(services_.ui, msg::kCannotOpenKvr, false, [&] {
      return LoadDefinition(ToPath(definitionEdit_->text()), services_.pendants,
                            OperationKind::Resplit, services_.ui, services_.loaded);
    });
  }
  startButton_->setEnabled(QFileInfo(sourceEdit_->text()).isFile() &&
                           QFileInfo(definitionEdit_->text()).isFile());
}

void ResplitPage::BrowseDefinition() {
  const auto chosen = services_.messages.OpenFileName(this, DefinitionFilter(), lastFolder_);
  if (!chosen) return;
  lastFolder_ = QFileInfo(*chosen).absolutePath();
  if (*chosen == definitionEdit_->text()) {
    OnFileNameChanged(definitionEdit_);
  } else {
    definitionEdit_->setText(*chosen);
  }
}

void ResplitPage::DropFile(const QString& path, bool isDefinition) {
  if (!isDefinition) {
    sourceEdit_->setText(path);
  } else if (definitionEdit_->text() == path) {
    OnFileNameChanged(definitionEdit_);  // read it again
  } else {
    definitionEdit_->setText(path);
  }
}

QString ResplitPage::DefinitionPath() const { return definitionEdit_->text(); }

void ResplitPage::ShowSummary(const std::vector<std::pair<MessageText, MessageText>>& rows) {
  infoList_->Fill(rows);
}

void ResplitPage::ApplySettings(const KivoraSettings& s) {
  saveFolder_->Restore(s.resplitSavePath, s.resplitSaveFolder);
  lastFolder_ = s.resplitLastFolder;
}

void ResplitPage::StoreSettings(KivoraSettings& s) const {
  s.resplitSaveFolder = saveFolder_->SelectedEntry();
  s.resplitSavePath = saveFolder_->Folder();
  s.resplitLastFolder = lastFolder_;
}

void ResplitPage::BrowseSource() {
  if (const auto chosen = services_.messages.OpenFileName(this, tr("所有檔案 (*)"), lastFolder_)) {
    lastFolder_ = QFileInfo(*chosen).absolutePath();
    sourceEdit_->setText(*chosen);
  }
}

void ResplitPage::SelectAllParts() {
  if (services_.states.RowCount() == 0) return;
  services_.states.SelectVisibleRows();
  services_.states.setFocus();
  selectAll_ = true;
}

std::optional<std::string> ResplitPage::ChoosePlugin() {
  DisguiseOptionsDialog dialog(this, services_.messages, services_.pluginFolders);
  dialog.SetResplitMode();
  dialog.exec();
  if (!dialog.Confirmed() || dialog.SelectedPluginName().isEmpty()) return std::nullopt;
  return dialog.SelectedPluginName().toStdString();
}

void ResplitPage::StartResplit() {
  if (services_.runner.Running()) return;  // one operation at a time
  ResplitRequest request;
  request.definitionPath = ToPath(definitionEdit_->text());
  request.source = ToPath(sourceEdit_->text());
  request.outputFolder = saveFolder_->Chosen();
  // Select-all stands for the rows out of view, but only while some row is selected.
  const std::vector<int> selected = services_.states.SelectedKeys();
  if (selected.empty()) {
    // Not a failure: what to do before the re-split can start.
    services_.messages.Information(
        this, tr("請從一覽表上選擇要再次分割的檔案。\n"
                 "在右邊的一覽表上點選要重建的分割檔 (按住 Ctrl 或 Shift 可選取多個)，"
                 "或按「全選」重建全部，然後再按「再分割」。"));
    services_.states.setFocus();
    return;
  }
  if (!SelectAll()) request.selected = selected;
  services_.runner.Start(
      [this](bool atWork) {
        abortButton_->setEnabled(atWork);
        startButton_->setEnabled(!atWork);
        selectAllButton_->setEnabled(!atWork);
        services_.states.setEnabled(!atWork);
        inputsPanel_->setEnabled(!atWork);
      },
      [this, request](OperationEvents& events) {
        ResplitRequest withDefinition = request;
        withDefinition.loaded = services_.loaded;
        services_.loaded = RunResplit(withDefinition, services_.pendants, events).definition;
      },
      [this, request] {
        const std::filesystem::path folder =
            request.outputFolder.value_or(request.definitionPath.parent_path());
        services_.ui.ReportOutput(QDir(ToQ(folder.string())).absolutePath());
        if (startButton_->isEnabled()) startButton_->setFocus();
        emit ResplitEnded();
      });
}

void ResplitPage::FocusNextInput() {
  if (QFileInfo(sourceEdit_->text()).isFile()) {
    startButton_->setFocus();
  } else {
    sourceEdit_->setFocus();
  }
}

void ResplitPage::AbortResplit() {
  services_.runner.RequestAbort();
  abortButton_->setEnabled(false);
  // The selection goes, and with it the select-all that stood for it.
  services_.states.clearSelection();
  ClearSelectAll();
}

}  // namespace kivora::ui
