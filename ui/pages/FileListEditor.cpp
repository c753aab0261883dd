#include "ui/pages/FileListEditor.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kivora::ui {
namespace {

QComboBox* EditableCombo(const char* name, const QStringList& items) {
  auto* box = new QComboBox;  // parented by the layout it joins
  box->setObjectName(QString::fromLatin1(name));
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  box->addItems(items);
  box->setCurrentIndex(-1);
  box->setEditText(QString());
  box->setMinimumWidth(420);
  return box;
}

}  // namespace

QStringList HistoryItems(const QComboBox* box) {
  QStringList items;
  for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
  return items;
}

bool HistoryHolds(const QComboBox* box, const QString& text) {
  for (int i = 0; i < box->count(); ++i) {
    if (box->itemText(i).compare(text, Qt::CaseInsensitive) == 0) return true;
  }
  return false;
}

FileListEditor::FileListEditor(QWidget* parent, const QStringList& addresses,
                               const QStringList& fileNames, const QStringList& extras)
    : QDialog(parent) {
  setObjectName(QStringLiteral("frmFileListEditor"));
  setWindowTitle(tr("檔案清單編輯器"));
  addressBox_ = EditableCombo("cobAddressEdit", addresses);
  fileNameBox_ = EditableCombo("cobFileNameEdit", fileNames);
  extraBox_ = EditableCombo("cobCgiEdit", extras);
  auto* form = new QFormLayout;
  auto addRow = [form](const QString& label, QComboBox* box) {
    auto* l = new QLabel(label);
    l->setBuddy(box);
    form->addRow(l, box);
  };
  addRow(tr("位址(&R):"), addressBox_);
  addRow(tr("檔案名稱(&F):"), fileNameBox_);
  addRow(tr("附加資訊(&I):"), extraBox_);
  auto* okButton = new QPushButton(tr("確定(&O)"));
  okButton->setObjectName(QStringLiteral("btnOK"));
  okButton->setDefault(true);
  auto* cancelButton = new QPushButton(tr("取消(&C)"));
  cancelButton->setObjectName(QStringLiteral("btnCancel"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(okButton);
  buttons->addWidget(cancelButton);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(buttons);
  connect(okButton, &QPushButton::clicked, this, [this] { Confirm(); });
  connect(cancelButton, &QPushButton::clicked, this, [this] {
    confirmed_ = false;
    reject();
  });
}

void FileListEditor::SetTexts(const QString& address, const QString& fileName,
                              const QString& extra) {
  addressBox_->setEditText(address);
  fileNameBox_->setEditText(fileName);
  extraBox_->setEditText(extra);
}

void FileListEditor::Confirm() {
  QString address = addressBox_->currentText();
  if (!address.endsWith('/')) address += '/';
  addressBox_->setEditText(address);
  if (!HistoryHolds(addressBox_, address)) addressBox_->addItem(address);
  const QString extra = extraBox_->currentText();
  if (!HistoryHolds(extraBox_, extra)) extraBox_->addItem(extra);
  addressBox_->setEditText(address);
  extraBox_->setEditText(extra);
  confirmed_ = true;
  accept();
}

QString FileListEditor::Address() const { return addressBox_->currentText(); }
QString FileListEditor::FileName() const { return fileNameBox_->currentText(); }
QString FileListEditor::Extra() const { return extraBox_->currentText(); }
QStringList FileListEditor::AddressHistory() const { return HistoryItems(addressBox_); }
QStringList FileListEditor::ExtraHistory() const { return HistoryItems(extraBox_); }

}  // namespace kivora::ui
