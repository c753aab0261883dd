#include "ui/pages/DisguiseOptionsDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "core/format/RecoveryFormat.h"
#include "ui/engine/PaletteMarks.h"
#include "ui/engine/WindowUi.h"
#include "ui/pages/WidgetNames.h"

namespace kivora::ui {
namespace {

// Column of the plug-in list that holds the file name ("檔名"), and the extension.
constexpr int kFileNameColumn = 5;
constexpr int kExtensionColumn = 2;

}  // namespace

DisguiseOptionsDialog::DisguiseOptionsDialog(
    QWidget* parent, MessageLayer& messages,
    const std::vector<std::filesystem::path>& pluginFolders)
    : QDialog(parent), messages_(messages) {
  setObjectName(QStringLiteral("frmKvrOption"));
  setWindowTitle(tr("KivoRa 偽裝選項"));

  usePluginBox_ = Named<QCheckBox>("cbUsePlugin", tr("使用圖像掛件(&L)"));
  usePluginBox_->setToolTip(tr("使用選取的圖像掛件並進行偽裝"));

  pluginGroup_ = Named<QGroupBox>("gbPlugin");
  auto* pluginListLabel = Named<QLabel>("Label2", tr("掛件一覽表(&P):"));
  pluginList_ = Named<QTreeWidget>("lvPlugin");
  pluginList_->setColumnCount(6);
  pluginList_->setHeaderLabels(
      {tr("掛件名稱"), tr("版本"), tr("副檔名"), tr("像素"), tr("作者"), tr("檔名")});
  pluginList_->setRootIsDecorated(false);
  pluginList_->setSelectionMode(QAbstractItemView::SingleSelection);
  pluginList_->setSelectionBehavior(QAbstractItemView::SelectRows);
  pluginList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  pluginList_->header()->setSectionsClickable(false);
  // The name keeps its width, the middle columns fit their texts and the file name takes
  // what is left: an empty list fits without a scroll bar.
  pluginList_->header()->resizeSection(0, 90);
  for (int column = 1; column < 5; ++column)
    pluginList_->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
  pluginList_->header()->setStretchLastSection(false);
  pluginList_->header()->setSectionResizeMode(5, QHeaderView::Stretch);
  pluginListLabel->setBuddy(pluginList_);
  auto* commentLabel = Named<QLabel>("Label3", tr("註解(&C):"));
  commentView_ = Named<QPlainTextEdit>("mmComment");
  commentView_->setReadOnly(true);
  commentLabel->setBuddy(commentView_);
  auto* pluginNote = Named<QLabel>("Label4", tr("※所使用的掛件在合併時便沒有使用的必要"));
  ShowAsNote(pluginNote);
  // The list has the group's width, its columns whole; the comment goes under it.
  int columnsWidth = 0;
  for (int column = 0; column < pluginList_->columnCount(); ++column)
    columnsWidth += std::max(pluginList_->header()->sectionSize(column),
                             pluginList_->header()->sectionSizeHint(column));
  pluginList_->setMinimumWidth(columnsWidth + 2 * pluginList_->frameWidth() +
                               pluginList_->verticalScrollBar()->sizeHint().width());
  commentView_->setMaximumHeight(4 * commentView_->fontMetrics().lineSpacing());
  pluginList_->setFixedHeight(8 * pluginList_->fontMetrics().lineSpacing());
  auto* pluginLayout = new QVBoxLayout(pluginGroup_);
  pluginLayout->addWidget(pluginListLabel);
  pluginLayout->addWidget(pluginList_, 1);
  pluginLayout->addWidget(commentLabel);
  pluginLayout->addWidget(commentView_);
  pluginLayout->addWidget(pluginNote);

  passwordGroup_ = Named<QGroupBox>("gbPassword", tr(" 密碼 "));
  auto* passwordLabel = Named<QLabel>("Label1", tr("密碼(&W):"));
  passwordEdit_ = Named<QLineEdit>("edtPassword");
  passwordLabel->setBuddy(passwordEdit_);
  auto* confirmLabel = Named<QLabel>("Label7", tr("確認密碼(&F):"));
  confirmEdit_ = Named<QLineEdit>("edtPasswordConfirm");
  confirmEdit_->setToolTip(tr("加密時請再輸入一次相同的密碼"));
  confirmLabel->setBuddy(confirmEdit_);
  for (QLineEdit* edit : {passwordEdit_, confirmEdit_}) edit->setEchoMode(QLineEdit::Password);
  showPasswordBox_ = Named<QCheckBox>("cbShowPassword", tr("顯示密碼(&S)"));
  encryptBox_ = Named<QCheckBox>("cbEncrypt", tr("以密碼加密分割檔(&E)"));
  encryptBox_->setToolTip(
      tr("以密碼加密分割檔的內容；合併時需要相同的密碼。\n檔名、檔案大小與註解仍會以明文記錄在 "
         "KivoRa 檔案中，請使用不會透露內容的名稱。"));
  auto* modesNote =
      Named<QLabel>("Label5", tr("※只設定密碼時內容僅被遮掩，勾選加密才能讓內容保密。"));
  modesNote->setWordWrap(true);
  auto* passwordLayout = new QGridLayout(passwordGroup_);
  passwordLayout->addWidget(passwordLabel, 0, 0);
  passwordLayout->addWidget(passwordEdit_, 0, 1);
  passwordLayout->addWidget(confirmLabel, 1, 0);
  passwordLayout->addWidget(confirmEdit_, 1, 1);
  passwordLayout->addWidget(showPasswordBox_, 2, 0, 1, 2);
  passwordLayout->addWidget(encryptBox_, 3, 0, 1, 2);
  passwordLayout->addWidget(modesNote, 4, 0, 1, 2);

  implantGroup_ = Named<QGroupBox>("gbInplant", tr(" KivoRa 檔案 "));
  implantBox_ = Named<QCheckBox>("cbInplant", tr("把 KivoRa 檔案置入分割檔中(&N)"));
  implantBox_->setToolTip(
      tr("將 KivoRa 檔案置入最後的分割檔之中；\n若設定這個選項就無法執行「再分割」。"));
  auto* implantLayout = new QHBoxLayout(implantGroup_);
  implantLayout->addWidget(implantBox_);

  recoveryGroup_ = Named<QGroupBox>("gbRecovery", tr(" 修復檔 "));
  auto* recoveryLabel = Named<QLabel>("Label6", tr("每組數目(&R):"));
  recoverySpin_ = Named<QSpinBox>("udRecovery");
  recoverySpin_->setRange(0, kMaxRecoveryPerGroup);
  recoverySpin_->setToolTip(
      tr("分割時另外建立的修復檔數目 (每一組分割檔)；\n"
         "同一組裡遺失或毀損的檔案在這個數目以內，便可以用「修復」重建。"));
  recoveryLabel->setBuddy(recoverySpin_);
  auto* recoveryLayout = new QHBoxLayout(recoveryGroup_);
  recoveryLayout->addWidget(recoveryLabel);
  recoveryLayout->addWidget(recoverySpin_);

  auto* okButton = Named<QPushButton>("btnOK", tr("確定(&O)"));
  auto* cancelButton = Named<QPushButton>("btnCancel", tr("取消(&C)"));
  okButton->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(okButton);
  buttons->addWidget(cancelButton);

  auto* lower = new QHBoxLayout;
  auto* rightColumn = new QVBoxLayout;
  rightColumn->addWidget(implantGroup_);
  rightColumn->addWidget(recoveryGroup_);
  lower->addWidget(passwordGroup_, 1);
  lower->addLayout(rightColumn, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(usePluginBox_);
  layout->addWidget(pluginGroup_, 1);
  layout->addLayout(lower);
  layout->addLayout(buttons);
  // As large as its content needs, and never smaller.
  layout->setSizeConstraint(QLayout::SetMinimumSize);
  resize(sizeHint().expandedTo(QSize(567, 0)));

  connect(usePluginBox_, &QCheckBox::toggled, this, [this] { OnUsePluginToggled(); });
  connect(encryptBox_, &QCheckBox::toggled, this, [this] { UpdatePasswordFields(); });
  connect(showPasswordBox_, &QCheckBox::toggled, this, [this](bool shown) {
    for (QLineEdit* edit : {passwordEdit_, confirmEdit_})
      edit->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
  });
  connect(pluginList_, &QTreeWidget::itemSelectionChanged, this, [this] { ShowPluginComment(); });
  connect(okButton, &QPushButton::clicked, this, [this] { Confirm(); });
  connect(cancelButton, &QPushButton::clicked, this, [this] {
    confirmed_ = false;
    reject();
  });

  for (const pendant::PluginInfo& plugin : pendant::ListPlugins(pluginFolders))
    AddPluginRow(plugin);
  OnUsePluginToggled();
  UpdatePasswordFields();
}

void DisguiseOptionsDialog::AddPluginRow(const pendant::PluginInfo& p) {
  auto* item = new QTreeWidgetItem(
      pluginList_, {ToQ(p.name), ToQ(p.version), ToQ(p.extension),
                    QString::number(p.pictureIds.size()), ToQ(p.author), ToQ(p.fileName)});
  for (int column : {1, 2, 3, 4}) item->setTextAlignment(column, Qt::AlignCenter);
  plugins_.push_back(p);
}

void DisguiseOptionsDialog::Fill(const QString& password, bool usePlugin, bool implant,
                                 const QString& pluginName, bool encrypt) {
  // The password in use was confirmed when it was set.
  passwordEdit_->setText(password);
  confirmEdit_->setText(password);
  encryptBox_->setChecked(encrypt);
  usePluginBox_->setChecked(usePlugin);
  implantBox_->setChecked(implant);
  for (int i = 0; i < pluginList_->topLevelItemCount(); ++i) {
    if (pluginList_->topLevelItem(i)->text(kFileNameColumn) == pluginName) {
      pluginList_->setCurrentItem(pluginList_->topLevelItem(i));
      break;
    }
  }
  OnUsePluginToggled();
}

void DisguiseOptionsDialog::SetResplitMode() {
  passwordGroup_->hide();
  implantGroup_->hide();
  recoveryGroup_->hide();
  usePluginBox_->setChecked(true);
  usePluginBox_->setEnabled(false);
  OnUsePluginToggled();
}

void DisguiseOptionsDialog::SetDisguised(bool disguised) {
  disguised_ = disguised;
  usePluginBox_->setEnabled(disguised);
  OnUsePluginToggled();
  UpdatePasswordFields();
}

void DisguiseOptionsDialog::OnUsePluginToggled() {
  pluginGroup_->setEnabled(disguised_ && usePluginBox_->isChecked());
}

void DisguiseOptionsDialog::UpdatePasswordFields() {
  const bool encrypt = encryptBox_->isChecked();
  passwordEdit_->setEnabled(disguised_ || encrypt);
  confirmEdit_->setEnabled(encrypt);
}

void DisguiseOptionsDialog::ShowPluginComment() {
  const QList<QTreeWidgetItem*> selected = pluginList_->selectedItems();
  if (selected.isEmpty()) return;  // the comment of the row that lost the selection stays
  const auto index = static_cast<size_t>(pluginList_->indexOfTopLevelItem(selected.first()));
  if (index < plugins_.size()) commentView_->setPlainText(ToQ(plugins_[index].comment));
}

void DisguiseOptionsDialog::Confirm() {
  if (disguised_ && usePluginBox_->isChecked() && pluginList_->selectedItems().isEmpty()) {
    messages_.Error(this, tr("您未選擇任一的掛件..."));
    return;
  }
  if (!PasswordAccepted()) return;
  confirmed_ = true;
  accept();
}

bool DisguiseOptionsDialog::PasswordAccepted() {
  if (!encryptBox_->isChecked() || passwordGroup_->isHidden()) return true;
  if (passwordEdit_->text().isEmpty()) {
    messages_.Error(this, tr("加密分割檔需要密碼，請輸入密碼。"));
    passwordEdit_->setFocus();
    return false;
  }
  if (confirmEdit_->text() != passwordEdit_->text()) {
    messages_.Error(this, tr("兩次輸入的密碼並不相同，請重新輸入。"));
    confirmEdit_->setFocus();
    return false;
  }
  return true;
}

void DisguiseOptionsDialog::SetRecoveryCount(int count) { recoverySpin_->setValue(count); }
int DisguiseOptionsDialog::RecoveryCount() const { return recoverySpin_->value(); }

QString DisguiseOptionsDialog::Password() const { return passwordEdit_->text(); }
bool DisguiseOptionsDialog::UsePlugin() const { return usePluginBox_->isChecked(); }
bool DisguiseOptionsDialog::Implant() const { return implantBox_->isChecked(); }
bool DisguiseOptionsDialog::Encrypt() const { return encryptBox_->isChecked(); }
int DisguiseOptionsDialog::PluginRowCount() const { return pluginList_->topLevelItemCount(); }

QString DisguiseOptionsDialog::SelectedPluginName() const {
  const auto selected = pluginList_->selectedItems();
  return selected.isEmpty() ? QString() : selected.first()->text(kFileNameColumn);
}

QString DisguiseOptionsDialog::SelectedExtension() const {
  const auto selected = pluginList_->selectedItems();
  return selected.isEmpty() ? QString() : selected.first()->text(kExtensionColumn);
}

}  // namespace kivora::ui
