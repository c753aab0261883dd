#include "ui/pages/SplitPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <string>

#include "core/io/Folder.h"
#include "core/io/SaveFolder.h"
#include "core/operations/EngineCall.h"
#include "core/payload/SecretText.h"
#include "core/text/Messages.h"
#include "ui/engine/PaletteMarks.h"
#include "ui/engine/WindowUi.h"
#include "ui/pages/DisguiseOptionsDialog.h"
#include "ui/pages/PageServices.h"
#include "ui/pages/SaveFolderChooser.h"
#include "ui/pages/WidgetNames.h"

namespace kivora::ui {
namespace {

QLabel* Label(const QString& text, QWidget* buddy) {
  auto* label = new QLabel(text);
  if (buddy) label->setBuddy(buddy);
  return label;
}

}  // namespace

SplitPage::SplitPage(QWidget* parent, Services services)
    : QWidget(parent), services_(std::move(services)) {
  setObjectName(QStringLiteral("tsDevide"));
  inputsPanel_ = Named<QWidget>("pnlDevide");

  sourceEdit_ = Named<QLineEdit>("edtDevideFileName");
  auto* browseSource = Named<QPushButton>("btnRefferDevide", tr("瀏覽(&B)..."));
  saveFolder_ =
      new SaveFolderChooser(this, services_.messages, "cobDevideSaveAs",
                            tr("與分割來源相同的資料夾"), "btnDevideSaveAs", tr("瀏覽(&R)..."));

  partSizeEdit_ = Named<QLineEdit>("edtFileSize", QStringLiteral("500"));
  partSizeEdit_->setMaxLength(5);
  partSizeEdit_->setFixedWidth(60);
  partSizeSpin_ = Named<QSpinBox>("udFileSize");
  partSizeSpin_->setRange(1, kMaxPartSizeKb);
  partSizeSpin_->setSingleStep(50);
  partSizeSpin_->setGroupSeparatorShown(false);
  partSizeSpin_->setWrapping(false);
  partSizeSpin_->setValue(500);
  partSizeSpin_->setFixedWidth(18);            // only its arrows show: the number is partSizeEdit_
  partSizeSpin_->setFocusPolicy(Qt::NoFocus);  // the field's Tab stop is the number's
  partSizeEdit_->installEventFilter(this);
  randomSizeBox_ = Named<QCheckBox>("cbRandomSize", tr("隨機大小(&D)"));
  randomSizeBox_->setChecked(true);
  randomSizeBox_->setToolTip(tr("加減 100 KB 範圍內的隨機大小"));

  baseNameEdit_ = Named<QLineEdit>("edtDevideName");
  fromZeroButton_ = Named<QRadioButton>("rbZero", tr("自編號 0&0 開始"));
  fromZeroButton_->setToolTip(tr("從編號 00 開始建立連續號碼的分割檔"));
  fromZeroButton_->setChecked(true);
  fromOneButton_ = Named<QRadioButton>("rbOne", tr("自編號 0&1 開始"));
  fromOneButton_->setToolTip(tr("從編號 01 開始建立連續號碼的分割檔"));
  extensionBox_ = Named<QComboBox>("cobExtention");
  extensionBox_->setEditable(true);
  extensionBox_->addItems({"png", "gif", "jpg", "mng", "bmp", "txt"});
  definitionExtensionBox_ =
      Named<QCheckBox>("cbKvrExtention", tr("把 KivoRa 檔案亦建成相同的副檔名(&P)"));
  commentEdit_ = Named<QLineEdit>("edtComment");
  disguiseBox_ = Named<QCheckBox>("cbKivora", tr("KivoRa 偽裝(&L) →"));
  disguiseBox_->setChecked(true);
  disguiseBox_->setToolTip(tr("進行圖像檔案的偽裝"));
  optionsButton_ = Named<QPushButton>("btnKvrOption", tr("選項(&O)..."));
  encryptionNote_ = Named<QLabel>("Label20");
  ShowAsNote(encryptionNote_);
  encryptionNote_->setWordWrap(true);
  startButton_ = Named<QPushButton>("btnDevide", tr("分割(&V)"));
  startButton_->setEnabled(false);
  abortButton_ = Named<QPushButton>("btnAbortDevide", tr("放棄(&A)"));
  abortButton_->setEnabled(false);

  auto* grid = new QGridLayout(inputsPanel_);
  grid->setContentsMargins(0, 0, 0, 0);
  int row = 0;
  grid->addWidget(Label(tr("分割的來源檔名(&N):"), sourceEdit_), row++, 0, 1, 3);
  grid->addWidget(sourceEdit_, row, 0, 1, 2);
  grid->addWidget(browseSource, row++, 2);
  grid->addWidget(Label(tr("儲存分割檔的位置(&S):"), saveFolder_->Box()), row++, 0, 1, 3);
  grid->addWidget(saveFolder_->Box(), row, 0, 1, 2);
  grid->addWidget(saveFolder_->Button(), row++, 2);
  auto* sizeRow = new QHBoxLayout;
  sizeRow->addWidget(Label(tr("分割檔大小(&Z):"), partSizeEdit_));
  sizeRow->addWidget(partSizeEdit_);
  sizeRow->addWidget(partSizeSpin_);
  sizeRow->addWidget(new QLabel(tr("KB")));
  sizeRow->addSpacing(12);
  sizeRow->addWidget(randomSizeBox_);
  sizeRow->addStretch();
  grid->addLayout(sizeRow, row++, 0, 1, 3);
  auto* nameRow = new QHBoxLayout;
  nameRow->addWidget(Label(tr("分割檔名稱(&M):"), baseNameEdit_));
  nameRow->addWidget(baseNameEdit_, 1);
  nameRow->addWidget(new QLabel(tr("+")));
  grid->addLayout(nameRow, row++, 0, 1, 3);
  auto* numberRow = new QHBoxLayout;
  numberRow->addSpacing(100);
  numberRow->addWidget(fromZeroButton_);
  numberRow->addWidget(fromOneButton_);
  numberRow->addStretch();
  grid->addLayout(numberRow, row++, 0, 1, 3);
  // The definition-extension box has a row of its own: its caption is too long to
  // share one with the extension box.
  auto* extRow = new QHBoxLayout;
  extRow->addWidget(Label(tr("副檔名(&E):"), extensionBox_));
  extRow->addWidget(extensionBox_);
  extRow->addStretch();
  grid->addLayout(extRow, row++, 0, 1, 3);
  auto* kvrExtRow = new QHBoxLayout;
  kvrExtRow->addSpacing(100);
  kvrExtRow->addWidget(definitionExtensionBox_);
  kvrExtRow->addStretch();
  grid->addLayout(kvrExtRow, row++, 0, 1, 3);
  auto* commentRow = new QHBoxLayout;
  commentRow->addWidget(Label(tr("註解(&C):"), commentEdit_));
  commentRow->addWidget(commentEdit_, 1);
  grid->addLayout(commentRow, row++, 0, 1, 3);
  auto* disguiseRow = new QHBoxLayout;
  disguiseRow->addWidget(disguiseBox_);
  disguiseRow->addWidget(optionsButton_);
  disguiseRow->addStretch();
  grid->addLayout(disguiseRow, row++, 0, 1, 3);
  grid->addWidget(encryptionNote_, row++, 0, 1, 3);
  grid->setColumnStretch(0, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(startButton_);
  buttons->addWidget(abortButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(inputsPanel_);
  layout->addStretch();
  layout->addLayout(buttons);

  for (QLineEdit* edit : {sourceEdit_, baseNameEdit_, commentEdit_}) {
    connect(edit, &QLineEdit::textChanged, this, [this] { OnInputsChanged(); });
  }
  // A typed source proposes the part name as a browsed one does, once the field is left.
  connect(sourceEdit_, &QLineEdit::editingFinished, this, [this] { ProposeBaseName(); });
  connect(browseSource, &QPushButton::clicked, this, [this] { BrowseSource(); });
  connect(partSizeEdit_, &QLineEdit::textChanged, this, [this] { OnPartSizeEdited(); });
  connect(partSizeSpin_, &QSpinBox::valueChanged, this, [this](int value) {
    if (partSizeEdit_->text() != QString::number(value))
      partSizeEdit_->setText(QString::number(value));
  });
  connect(disguiseBox_, &QCheckBox::toggled, this, [this] { OnDisguiseToggled(); });
  connect(optionsButton_, &QPushButton::clicked, this, [this] { EditDisguiseOptions(); });
  connect(startButton_, &QPushButton::clicked, this, [this] { StartSplit(); });
  connect(abortButton_, &QPushButton::clicked, this, [this] { AbortSplit(); });
  OnDisguiseToggled();
  ShowEncryption();
}

bool SplitPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == partSizeEdit_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
      partSizeSpin_->stepBy(key == Qt::Key_Up ? 1 : -1);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void SplitPage::OnInputsChanged() {
  sourceEdit_->setToolTip(sourceEdit_->text());
  const QFileInfo source(sourceEdit_->text());
  startButton_->setEnabled(!sourceEdit_->text().isEmpty() && source.isFile());
}

void SplitPage::SetSource(const QString& path) {
  sourceEdit_->setText(path);
  proposedFrom_ = path;
  baseNameEdit_->setText(QString::fromStdString(ProposedBaseName(ToPath(path))));
}

void SplitPage::ProposeBaseName() {
  const QString path = sourceEdit_->text();
  if (path != proposedFrom_ && QFileInfo(path).isFile()) SetSource(path);
}

void SplitPage::ApplySettings(const KivoraSettings& s) {
  partSizeSpin_->setValue(s.fileSize);
  saveFolder_->Restore(s.splitSavePath, s.splitSaveFolder);
  randomSizeBox_->setChecked(s.randomSize);
  definitionExtensionBox_->setChecked(s.kvrExtension);
  disguiseBox_->setChecked(s.kivora);
  if (s.firstNumber == 0) fromZeroButton_->setChecked(true);
  if (s.firstNumber == 1) fromOneButton_->setChecked(true);
  const int found = extensionBox_->findText(s.extension, Qt::MatchFixedString);
  if (found >= 0) {
    extensionBox_->setCurrentIndex(found);
  } else {
    extensionBox_->setCurrentText(s.extension);
  }
  DisguiseOptions& o = services_.options;
  o.usePlugin = s.usePlugin;
  o.pluginName = s.pluginName;
  o.implant = s.implant;
  o.encrypt = s.encrypt;
  o.recoveryCount = s.recoveryCount;
  lastFolder_ = s.splitLastFolder;
  ShowEncryption();
}

void SplitPage::StoreSettings(KivoraSettings& s) const {
  s.fileSize = partSizeSpin_->value();
  s.splitSaveFolder = saveFolder_->SelectedEntry();
  s.splitSavePath = saveFolder_->Folder();
  s.randomSize = randomSizeBox_->isChecked();
  s.firstNumber = fromZeroButton_->isChecked()  ? std::optional(0)
                  : fromOneButton_->isChecked() ? std::optional(1)
                                                : std::nullopt;
  s.extension = extensionBox_->currentText();
  s.kvrExtension = definitionExtensionBox_->isChecked();
  s.kivora = disguiseBox_->isChecked();
  const DisguiseOptions& o = services_.options;
  s.usePlugin = o.usePlugin;
  s.pluginName = o.pluginName;
  s.implant = o.implant;
  s.encrypt = o.encrypt;
  s.recoveryCount = o.recoveryCount;
  s.splitLastFolder = lastFolder_;
}

void SplitPage::BrowseSource() {
  const auto chosen = services_.messages.OpenFileName(this, tr("所有檔案 (*)"), lastFolder_);
  if (!chosen) return;
  lastFolder_ = QFileInfo(*chosen).absolutePath();
  SetSource(*chosen);
}

bool SplitPage::CheckPartSizeField() {
  bool isNumber = false;
  const bool valid = partSizeEdit_->text().toInt(&isNumber) >= 1 && isNumber;
  MarkInvalid(partSizeEdit_, !valid);
  return valid;
}

void SplitPage::OnPartSizeEdited() {
  CheckPartSizeField();
  bool isNumber = false;
  const int value = partSizeEdit_->text().toInt(&isNumber);
  if (isNumber && value > partSizeSpin_->maximum()) {
    services_.messages.Error(this, tr("最大分割檔大小為 %1 KB").arg(partSizeSpin_->maximum()));
    partSizeSpin_->setValue(partSizeSpin_->maximum());
    partSizeEdit_->setText(QString::number(partSizeSpin_->maximum()));
    return;
  }
  if (isNumber) partSizeSpin_->setValue(value);
}

void SplitPage::OnDisguiseToggled() {
  // A disguised part takes the extension of its pendant set.
  extensionBox_->setEnabled(!disguiseBox_->isChecked());
}

void SplitPage::ShowEncryption() {
  const DisguiseOptions& o = services_.options;
  encryptionNote_->setVisible(o.encrypt);
  encryptionNote_->setText(o.password.isEmpty() ? tr("※分割檔將以密碼加密 (尚未設定密碼)")
                                                : tr("※分割檔將以密碼加密"));
}

void SplitPage::EditDisguiseOptions() {
  DisguiseOptionsDialog dialog(this, services_.messages, services_.pluginFolders);
  DisguiseOptions& o = services_.options;
  const bool disguised = disguiseBox_->isChecked();
  dialog.Fill(o.password, o.usePlugin, o.implant, o.pluginName, o.encrypt);
  dialog.SetDisguised(disguised);
  dialog.SetRecoveryCount(o.recoveryCount);
  dialog.exec();
  if (!dialog.Confirmed()) return;
  o.password = dialog.Password();
  o.usePlugin = dialog.UsePlugin();
  o.implant = dialog.Implant();
  o.encrypt = dialog.Encrypt();
  o.recoveryCount = dialog.RecoveryCount();
  if (!dialog.SelectedPluginName().isEmpty()) o.pluginName = dialog.SelectedPluginName();
  ShowEncryption();
  // Plain parts keep the extension typed on the page.
  if (disguised)
    extensionBox_->setCurrentText(o.usePlugin ? dialog.SelectedExtension() : QStringLiteral("png"));
}

SplitRequest SplitPage::CollectSettings() const {
  SplitRequest s;
  s.source = ToPath(sourceEdit_->text());
  s.saveFolder = saveFolder_->Chosen();
  s.partSizeKb = partSizeSpin_->value();
  s.randomSizes = randomSizeBox_->isChecked();
  s.baseName = baseNameEdit_->text().toStdString();
  s.numberFromOne = fromOneButton_->isChecked();
  s.extension = extensionBox_->currentText().toStdString();
  s.kvrExtension = definitionExtensionBox_->isChecked();
  s.comment = commentEdit_->text().toStdString();
  s.disguise = disguiseBox_->isChecked();
  const DisguiseOptions& o = services_.options;
  s.usePlugin = o.usePlugin;
  s.pluginName = o.pluginName.toStdString();
  s.implant = o.implant;
  // Encryption seals plain parts as well as disguised ones; the compatible password
  // scrambles only disguised parts, so plain unencrypted parts go without it.
  s.encrypt = o.encrypt;
  if (s.encrypt || s.disguise) {
    std::string typed = o.password.toStdString();
    s.password = SecretText(typed);
    WipeText(typed);
  }
  s.recovery.count = o.recoveryCount;
  return s;
}

void SplitPage::StartSplit() {
  if (services_.runner.Running()) return;  // one operation at a time
  // A blank or zero size would split with the last valid one the arrows kept.
  if (!CheckPartSizeField()) {
    services_.messages.Error(this, tr("請輸入分割檔大小 (1 到 %1 KB)。").arg(kMaxPartSizeKb));
    partSizeEdit_->setFocus();
    return;
  }
  if (baseNameEdit_->text().isEmpty()) ProposeBaseName();
  // The message names the empty field, and the field takes the focus.
  const auto refuseEmpty = [this](QWidget* field, const QString& name) {
    services_.messages.Error(
        this, tr("含有未被設定的項目。") + QLatin1Char('\n') + tr("請輸入「%1」。").arg(name));
    field->setFocus();
  };
  if (baseNameEdit_->text().isEmpty()) return refuseEmpty(baseNameEdit_, tr("分割檔名稱"));
  if (extensionBox_->currentText().isEmpty()) return refuseEmpty(extensionBox_, tr("副檔名"));
  const SplitRequest settings = CollectSettings();
  if (settings.saveFolder && !EnsureSaveFolder(*settings.saveFolder, services_.ui).ok) return;

  services_.runner.Start(
      [this](bool atWork) {
        abortButton_->setEnabled(atWork);
        startButton_->setEnabled(!atWork);
        inputsPanel_->setEnabled(!atWork);
      },
      [this, settings](OperationEvents& events) {
        SplitRequest request = settings;
        request.seed = seed_;
        result_ = RunSplit(request, services_.pendants, events);
      },
      [this] {
        if (startButton_->isEnabled()) startButton_->setFocus();
        if (result_.parts.empty()) return;
        services_.ui.ReportOutput(QFileInfo(ToQ(result_.PartPath(0).string())).absolutePath());
      });
}

void SplitPage::AbortSplit() {
  services_.runner.RequestAbort();
  abortButton_->setEnabled(false);
}

}  // namespace kivora::ui
