#include "FileListEditor.h"

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

QStringList Items(const QComboBox* box) {
  QStringList items;
  for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
  return items;
}

}  // namespace

bool HistoryHolds(const QComboBox* box, const QString& text) {
  for (int i = 0; i < box->count(); ++i) {
    if (box->itemText(i).compare(text, Qt::CaseInsensitive) == 0) return true;
  }
  return false;
}

TfrmFileListEditor::TfrmFileListEditor(QWidget* parent, const QStringList& addresses,
                                       const QStringList& fileNames, const QStringList& extras)
    : QDialog(parent) {
  setObjectName(QStringLiteral("frmFileListEditor"));
  setWindowTitle(QStringLiteral("檔案清單編輯器"));
  cobAddressEdit_ = EditableCombo("cobAddressEdit", addresses);
  cobFileNameEdit_ = EditableCombo("cobFileNameEdit", fileNames);
  cobCgiEdit_ = EditableCombo("cobCgiEdit", extras);
  auto* form = new QFormLayout;
  auto addRow = [form](const QString& label, QComboBox* box) {
    auto* l = new QLabel(label);
    l->setBuddy(box);
    form->addRow(l, box);
  };
  addRow(QStringLiteral("位址(&R):"), cobAddressEdit_);
  addRow(QStringLiteral("檔案名稱(&F):"), cobFileNameEdit_);
  addRow(QStringLiteral("附加資訊(&I):"), cobCgiEdit_);
  auto* btnOK = new QPushButton(QStringLiteral("確定(&O)"));
  btnOK->setObjectName(QStringLiteral("btnOK"));
  btnOK->setDefault(true);
  auto* btnCancel = new QPushButton(QStringLiteral("取消(&C)"));
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(buttons);
  connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
  connect(btnCancel, &QPushButton::clicked, this, [this] {
    tag_ = 0;
    reject();
  });
}

void TfrmFileListEditor::SetTexts(const QString& address, const QString& fileName, const QString& extra) {
  cobAddressEdit_->setEditText(address);
  cobFileNameEdit_->setEditText(fileName);
  cobCgiEdit_->setEditText(extra);
}

void TfrmFileListEditor::btnOKClick() {
  QString address = cobAddressEdit_->currentText();
  if (!address.endsWith('/')) address += '/';
  cobAddressEdit_->setEditText(address);
  if (!HistoryHolds(cobAddressEdit_, address)) cobAddressEdit_->addItem(address);
  const QString extra = cobCgiEdit_->currentText();
  if (!HistoryHolds(cobCgiEdit_, extra)) cobCgiEdit_->addItem(extra);
  cobAddressEdit_->setEditText(address);
  cobCgiEdit_->setEditText(extra);
  tag_ = 1;
  accept();
}

QString TfrmFileListEditor::Address() const { return cobAddressEdit_->currentText(); }
QString TfrmFileListEditor::FileName() const { return cobFileNameEdit_->currentText(); }
QString TfrmFileListEditor::Extra() const { return cobCgiEdit_->currentText(); }
QStringList TfrmFileListEditor::AddressHistory() const { return Items(cobAddressEdit_); }
QStringList TfrmFileListEditor::ExtraHistory() const { return Items(cobCgiEdit_); }

}  // namespace kivora::ui
