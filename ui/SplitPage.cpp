#include "SplitPage.h"

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

#include "DisguiseOptionsDialog.h"
#include "EngineCall.h"
#include "Messages.h"
#include "PageServices.h"
#include "SaveFolder.h"
#include "WidgetNames.h"
#include "WindowUi.h"

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
  pnlDevide = Named<QWidget>("pnlDevide");

  edtDevideFileName = Named<QLineEdit>("edtDevideFileName");
  auto* btnRefferDevide = Named<QPushButton>("btnRefferDevide", QStringLiteral("瀏覽(&B)..."));
  cobDevideSaveAs = SaveFolderBox("cobDevideSaveAs", QString::fromUtf8(kSameFolderAsSource));
  auto* btnDevideSaveAs = Named<QPushButton>("btnDevideSaveAs", QStringLiteral("瀏覽(&R)..."));

  edtFileSize = Named<QLineEdit>("edtFileSize", QStringLiteral("500"));
  edtFileSize->setMaxLength(5);
  edtFileSize->setFixedWidth(60);
  udFileSize = Named<QSpinBox>("udFileSize");
  udFileSize->setRange(1, kMaxPartSizeKb);
  udFileSize->setSingleStep(50);
  udFileSize->setGroupSeparatorShown(false);
  udFileSize->setWrapping(false);
  udFileSize->setValue(500);
  udFileSize->setFixedWidth(18);  // only its arrows show: the number is edtFileSize
  edtFileSize->installEventFilter(this);
  cbRandomSize = Named<QCheckBox>("cbRandomSize", QStringLiteral("隨機大小(&D)"));
  cbRandomSize->setChecked(true);
  cbRandomSize->setToolTip(QStringLiteral("加減 100 KB 範圍內的隨機大小"));

  edtDevideName = Named<QLineEdit>("edtDevideName");
  rbZero = Named<QRadioButton>("rbZero", QStringLiteral("自編號 0&0 開始"));
  rbZero->setToolTip(QStringLiteral("從編號 00 開始建立連續號碼的分割檔"));
  rbZero->setChecked(true);
  rbOne = Named<QRadioButton>("rbOne", QStringLiteral("自編號 0&1 開始"));
  rbOne->setToolTip(QStringLiteral("從編號 01 開始建立連續號碼的分割檔"));
  cobExtention = Named<QComboBox>("cobExtention");
  cobExtention->setEditable(true);
  cobExtention->addItems({"png", "gif", "jpg", "mng", "bmp", "txt"});
  cbKvrExtention =
      Named<QCheckBox>("cbKvrExtention", QStringLiteral("把 KivoRa 檔案亦建成相同的副檔名(&P)"));
  edtComment = Named<QLineEdit>("edtComment");
  cbKivora = Named<QCheckBox>("cbKivora", QStringLiteral("KivoRa 偽裝(&L) →"));
  cbKivora->setChecked(true);
  cbKivora->setToolTip(QStringLiteral("進行圖像檔案的偽裝"));
  btnKvrOption = Named<QPushButton>("btnKvrOption", QStringLiteral("選項(&O)..."));
  btnDevide = Named<QPushButton>("btnDevide", QStringLiteral("分割(&V)"));
  btnDevide->setEnabled(false);
  btnAbortDevide = Named<QPushButton>("btnAbortDevide", QStringLiteral("放棄(&A)"));
  btnAbortDevide->setEnabled(false);

  auto* grid = new QGridLayout(pnlDevide);
  grid->setContentsMargins(0, 0, 0, 0);
  int row = 0;
  grid->addWidget(Label(QStringLiteral("分割的來源檔名(&N):"), edtDevideFileName), row++, 0, 1, 3);
  grid->addWidget(edtDevideFileName, row, 0, 1, 2);
  grid->addWidget(btnRefferDevide, row++, 2);
  grid->addWidget(Label(QStringLiteral("儲存分割檔的位置(&S):"), cobDevideSaveAs), row++, 0, 1, 3);
  grid->addWidget(cobDevideSaveAs, row, 0, 1, 2);
  grid->addWidget(btnDevideSaveAs, row++, 2);
  auto* sizeRow = new QHBoxLayout;
  sizeRow->addWidget(Label(QStringLiteral("分割檔大小(&Z):"), edtFileSize));
  sizeRow->addWidget(edtFileSize);
  sizeRow->addWidget(udFileSize);
  sizeRow->addWidget(new QLabel(QStringLiteral("KB")));
  sizeRow->addSpacing(12);
  sizeRow->addWidget(cbRandomSize);
  sizeRow->addStretch();
  grid->addLayout(sizeRow, row++, 0, 1, 3);
  auto* nameRow = new QHBoxLayout;
  nameRow->addWidget(Label(QStringLiteral("分割檔名稱(&M):"), edtDevideName));
  nameRow->addWidget(edtDevideName, 1);
  nameRow->addWidget(new QLabel(QStringLiteral("+")));
  grid->addLayout(nameRow, row++, 0, 1, 3);
  auto* numberRow = new QHBoxLayout;
  numberRow->addSpacing(100);
  numberRow->addWidget(rbZero);
  numberRow->addWidget(rbOne);
  numberRow->addStretch();
  grid->addLayout(numberRow, row++, 0, 1, 3);
  // The definition-extension box has a row of its own: its caption is too long to
  // share one with the extension box.
  auto* extRow = new QHBoxLayout;
  extRow->addWidget(Label(QStringLiteral("副檔名(&E):"), cobExtention));
  extRow->addWidget(cobExtention);
  extRow->addStretch();
  grid->addLayout(extRow, row++, 0, 1, 3);
  auto* kvrExtRow = new QHBoxLayout;
  kvrExtRow->addSpacing(100);
  kvrExtRow->addWidget(cbKvrExtention);
  kvrExtRow->addStretch();
  grid->addLayout(kvrExtRow, row++, 0, 1, 3);
  auto* commentRow = new QHBoxLayout;
  commentRow->addWidget(Label(QStringLiteral("註解(&C):"), edtComment));
  commentRow->addWidget(edtComment, 1);
  grid->addLayout(commentRow, row++, 0, 1, 3);
  auto* disguiseRow = new QHBoxLayout;
  disguiseRow->addWidget(cbKivora);
  disguiseRow->addWidget(btnKvrOption);
  disguiseRow->addStretch();
  grid->addLayout(disguiseRow, row++, 0, 1, 3);
  grid->setColumnStretch(0, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnDevide);
  buttons->addWidget(btnAbortDevide);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pnlDevide);
  layout->addStretch();
  layout->addLayout(buttons);

  for (QLineEdit* edit : {edtDevideFileName, edtDevideName, edtComment}) {
    connect(edit, &QLineEdit::textChanged, this, [this] { edtDevideFileNameChange(); });
  }
  connect(btnRefferDevide, &QPushButton::clicked, this, [this] { btnRefferDevideClick(); });
  connect(btnDevideSaveAs, &QPushButton::clicked, this, [this] { btnDevideSaveAsClick(); });
  connect(edtFileSize, &QLineEdit::textChanged, this, [this] { edtFileSizeChange(); });
  connect(udFileSize, &QSpinBox::valueChanged, this, [this](int value) {
    if (edtFileSize->text() != QString::number(value)) edtFileSize->setText(QString::number(value));
  });
  connect(cbKivora, &QCheckBox::toggled, this, [this] { cbKivoraClick(); });
  connect(btnKvrOption, &QPushButton::clicked, this, [this] { btnKvrOptionClick(); });
  connect(btnDevide, &QPushButton::clicked, this, [this] { btnDevideClick(); });
  connect(btnAbortDevide, &QPushButton::clicked, this, [this] { btnAbortDevideClick(); });
  cbKivoraClick();
}

bool SplitPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edtFileSize && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
      udFileSize->stepBy(key == Qt::Key_Up ? 1 : -1);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void SplitPage::edtDevideFileNameChange() {
  edtDevideFileName->setToolTip(edtDevideFileName->text());
  const QFileInfo source(edtDevideFileName->text());
  btnDevide->setEnabled(!edtDevideFileName->text().isEmpty() && source.isFile());
}

void SplitPage::SetSource(const QString& path) {
  edtDevideFileName->setText(path);
  edtDevideName->setText(QString::fromStdString(ProposedBaseName(ToPath(path))));
}

void SplitPage::btnRefferDevideClick() {
  const auto chosen =
      services_.messages.OpenFileName(this, QStringLiteral("所有檔案 (*)"), QString());
  if (chosen) SetSource(*chosen);
}

void SplitPage::btnDevideSaveAsClick() {
  const QString start =
      cobDevideSaveAs->currentIndex() == 1 ? cobDevideSaveAs->currentText() : QString();
  if (const auto chosen = services_.messages.SelectFolder(this, start))
    SetPickedFolder(cobDevideSaveAs, *chosen);
}

void SplitPage::edtFileSizeChange() {
  bool isNumber = false;
  const int value = edtFileSize->text().toInt(&isNumber);
  if (isNumber && value > udFileSize->maximum()) {
    services_.messages.Error(this,
                             QStringLiteral("最大分割檔大小為 %1 KB").arg(udFileSize->maximum()));
    udFileSize->setValue(udFileSize->maximum());
    edtFileSize->setText(QString::number(udFileSize->maximum()));
    return;
  }
  if (isNumber) udFileSize->setValue(value);
}

void SplitPage::cbKivoraClick() {
  btnKvrOption->setEnabled(cbKivora->isChecked());
  // A disguised part takes the extension of its pendant set.
  cobExtention->setEnabled(!cbKivora->isChecked());
}

void SplitPage::btnKvrOptionClick() {
  TfrmKvrOption dialog(this, services_.messages, services_.pluginFolders);
  DisguiseOptions& o = services_.options;
  dialog.Fill(o.password, o.usePlugin, o.implant, o.pluginName);
  dialog.exec();
  if (dialog.Tag() != 1) return;
  o.password = dialog.Password();
  o.usePlugin = dialog.UsePlugin();
  o.implant = dialog.Implant();
  if (!dialog.SelectedPluginName().isEmpty()) o.pluginName = dialog.SelectedPluginName();
  cobExtention->setCurrentText(o.usePlugin ? dialog.SelectedExtension() : QStringLiteral("png"));
}

SplitSettings SplitPage::CollectSettings() const {
  SplitSettings s;
  s.source = ToPath(edtDevideFileName->text());
  s.saveFolder = ChosenFolder(cobDevideSaveAs);
  s.partSizeKb = udFileSize->value();
  s.randomSizes = cbRandomSize->isChecked();
  s.baseName = edtDevideName->text().toStdString();
  s.numberFromOne = rbOne->isChecked();
  s.extension = cobExtention->currentText().toStdString();
  s.kvrExtension = cbKvrExtention->isChecked();
  s.comment = edtComment->text().toStdString();
  s.disguise = cbKivora->isChecked();
  const DisguiseOptions& o = services_.options;
  s.password = o.password.toStdString();
  s.usePlugin = o.usePlugin;
  s.pluginName = o.pluginName.toStdString();
  s.implant = o.implant;
  return s;
}

void SplitPage::btnDevideClick() {
  if (edtDevideName->text().isEmpty() || cobExtention->currentText().isEmpty()) {
    services_.messages.Error(this, QStringLiteral("含有未被設定的項目。"));
    return;
  }
  const SplitSettings settings = CollectSettings();
  if (settings.saveFolder && !EnsureSaveFolder(*settings.saveFolder, services_.ui).ok) return;

  // Restored however the split ends.
  Operation operation(services_.flags, [this](bool atWork) {
    btnAbortDevide->setEnabled(atWork);
    btnDevide->setEnabled(!atWork);
    pnlDevide->setEnabled(!atWork);
  });
  operation.SetAtWork(true);
  CallEngine(services_.ui, msg::kSplitInterrupted, false,
             [&] { return RunSplit(settings, services_.pendants, services_.ui, result_, seed_); });
}

void SplitPage::btnAbortDevideClick() {
  services_.flags.abortRequested = true;
  btnAbortDevide->setEnabled(false);
}

}  // namespace kivora::ui
