#include "DisguiseOptionsDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "WidgetNames.h"
#include "WindowUi.h"

namespace kivora::ui {
namespace {

// Column of the plug-in list that holds the file name ("檔名"), and the extension.
constexpr int kFileNameColumn = 5;
constexpr int kExtensionColumn = 2;

}  // namespace

TfrmKvrOption::TfrmKvrOption(QWidget* parent, MessageLayer& messages,
                             const std::vector<std::filesystem::path>& pluginFolders)
    : QDialog(parent), messages_(messages) {
  setObjectName(QStringLiteral("frmKvrOption"));
  setWindowTitle(QStringLiteral("KivoRa 偽裝選項"));
  setFixedSize(567, 337);

  cbUsePlugin_ = Named<QCheckBox>("cbUsePlugin", QStringLiteral("使用圖像掛件(&L)"));
  cbUsePlugin_->setToolTip(QStringLiteral("使用選取的圖像掛件並進行偽裝"));

  gbPlugin_ = Named<QGroupBox>("gbPlugin");
  auto* label2 = Named<QLabel>("Label2", QStringLiteral("掛件一覽表(&P):"));
  lvPlugin_ = Named<QTreeWidget>("lvPlugin");
  lvPlugin_->setColumnCount(6);
  lvPlugin_->setHeaderLabels({QStringLiteral("掛件名稱"), QStringLiteral("版本"),
                              QStringLiteral("副檔名"), QStringLiteral("像素"),
                              QStringLiteral("作者"), QStringLiteral("檔名")});
  lvPlugin_->setRootIsDecorated(false);
  lvPlugin_->setSelectionMode(QAbstractItemView::SingleSelection);
  lvPlugin_->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvPlugin_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvPlugin_->header()->setSectionsClickable(false);
  lvPlugin_->header()->resizeSection(0, 90);
  lvPlugin_->header()->resizeSection(1, 60);
  lvPlugin_->header()->resizeSection(4, 80);
  lvPlugin_->header()->resizeSection(5, 90);
  label2->setBuddy(lvPlugin_);
  auto* label3 = Named<QLabel>("Label3", QStringLiteral("註解(&C):"));
  mmComment_ = Named<QPlainTextEdit>("mmComment");
  mmComment_->setReadOnly(true);
  label3->setBuddy(mmComment_);
  auto* label4 = Named<QLabel>("Label4", QStringLiteral("※所使用的掛件在合併時便沒有使用的必要"));
  label4->setStyleSheet(QStringLiteral("color: blue;"));
  auto* pluginLayout = new QGridLayout(gbPlugin_);
  pluginLayout->addWidget(label2, 0, 0);
  pluginLayout->addWidget(lvPlugin_, 1, 0, 3, 1);
  pluginLayout->addWidget(label3, 0, 1);
  pluginLayout->addWidget(mmComment_, 1, 1);
  pluginLayout->addWidget(label4, 4, 0, 1, 2);
  pluginLayout->setColumnStretch(0, 3);
  pluginLayout->setColumnStretch(1, 2);

  gbPassword_ = Named<QGroupBox>("gbPassword", QStringLiteral(" 密碼 "));
  auto* label1 = Named<QLabel>("Label1", QStringLiteral("密碼(&W):"));
  edtPassword_ = Named<QLineEdit>("edtPassword");
  label1->setBuddy(edtPassword_);
  auto* passwordLayout = new QHBoxLayout(gbPassword_);
  passwordLayout->addWidget(label1);
  passwordLayout->addWidget(edtPassword_);

  gbInplant_ = Named<QGroupBox>("gbInplant", QStringLiteral(" KivoRa 檔案 "));
  cbInplant_ = Named<QCheckBox>("cbInplant", QStringLiteral("把 KivoRa 檔案置入分割檔中(&N)"));
  cbInplant_->setToolTip(
      QStringLiteral("將 KivoRa 檔案置入最後的分割檔之中；\n若設定這個選項就無法執行「再分割」。"));
  auto* inplantLayout = new QHBoxLayout(gbInplant_);
  inplantLayout->addWidget(cbInplant_);

  auto* btnOK = Named<QPushButton>("btnOK", QStringLiteral("確定(&O)"));
  auto* btnCancel = Named<QPushButton>("btnCancel", QStringLiteral("取消(&C)"));
  btnOK->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);

  auto* lower = new QHBoxLayout;
  lower->addWidget(gbPassword_, 1);
  lower->addWidget(gbInplant_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(cbUsePlugin_);
  layout->addWidget(gbPlugin_, 1);
  layout->addLayout(lower);
  layout->addLayout(buttons);

  connect(cbUsePlugin_, &QCheckBox::toggled, this, [this] { cbUsePluginClick(); });
  connect(lvPlugin_, &QTreeWidget::itemSelectionChanged, this, [this] { lvPluginSelectItem(); });
  connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
  connect(btnCancel, &QPushButton::clicked, this, [this] {
    tag_ = 0;
    reject();
  });

  for (const pendant::PluginInfo& plugin : pendant::ListPlugins(pluginFolders))
    AddPluginRow(plugin);
  cbUsePluginClick();
}

void TfrmKvrOption::AddPluginRow(const pendant::PluginInfo& p) {
  auto* item = new QTreeWidgetItem(
      lvPlugin_, {ToQ(p.name), ToQ(p.version), ToQ(p.extension),
                  QString::number(p.pictureIds.size()), ToQ(p.author), ToQ(p.fileName)});
  for (int column : {1, 2, 3, 4}) item->setTextAlignment(column, Qt::AlignCenter);
  plugins_.push_back(p);
}

void TfrmKvrOption::Fill(const QString& password, bool usePlugin, bool implant,
                         const QString& pluginName) {
  edtPassword_->setText(password);
  cbUsePlugin_->setChecked(usePlugin);
  cbInplant_->setChecked(implant);
  for (int i = 0; i < lvPlugin_->topLevelItemCount(); ++i) {
    if (lvPlugin_->topLevelItem(i)->text(kFileNameColumn) == pluginName) {
      lvPlugin_->setCurrentItem(lvPlugin_->topLevelItem(i));
      break;
    }
  }
  cbUsePluginClick();
}

void TfrmKvrOption::SetResplitMode() {
  gbPassword_->hide();
  gbInplant_->hide();
  cbUsePlugin_->setChecked(true);
  cbUsePlugin_->setEnabled(false);
  cbUsePluginClick();
}

void TfrmKvrOption::cbUsePluginClick() { gbPlugin_->setEnabled(cbUsePlugin_->isChecked()); }

void TfrmKvrOption::lvPluginSelectItem() {
  const QList<QTreeWidgetItem*> selected = lvPlugin_->selectedItems();
  if (selected.isEmpty()) return;  // the comment of the row that lost the selection stays
  const auto index = static_cast<size_t>(lvPlugin_->indexOfTopLevelItem(selected.first()));
  if (index < plugins_.size()) mmComment_->setPlainText(ToQ(plugins_[index].comment));
}

void TfrmKvrOption::btnOKClick() {
  if (!cbUsePlugin_->isChecked() || !lvPlugin_->selectedItems().isEmpty()) {
    tag_ = 1;
    accept();
    return;
  }
  messages_.Error(this, QStringLiteral("您未選擇任一的掛件..."));
}

QString TfrmKvrOption::Password() const { return edtPassword_->text(); }
bool TfrmKvrOption::UsePlugin() const { return cbUsePlugin_->isChecked(); }
bool TfrmKvrOption::Implant() const { return cbInplant_->isChecked(); }
int TfrmKvrOption::PluginRowCount() const { return lvPlugin_->topLevelItemCount(); }

QString TfrmKvrOption::SelectedPluginName() const {
  const auto selected = lvPlugin_->selectedItems();
  return selected.isEmpty() ? QString() : selected.first()->text(kFileNameColumn);
}

QString TfrmKvrOption::SelectedExtension() const {
  const auto selected = lvPlugin_->selectedItems();
  return selected.isEmpty() ? QString() : selected.first()->text(kExtensionColumn);
}

}  // namespace kivora::ui
