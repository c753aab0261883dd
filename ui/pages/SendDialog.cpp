#include "ui/pages/SendDialog.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/KivoraError.h"
#include "core/operations/EngineCall.h"
#include "language/EngineText.h"
#include "ui/pages/PageServices.h"
#include "ui/pages/WidgetNames.h"

namespace kivora::ui {

std::vector<net::SendHost> SendHostsOf(const SendChoice& choice) {
  std::vector<net::SendHost> hosts;
  for (const QString& line : choice.hosts) {
    const QString url = line.trimmed();
    if (!url.isEmpty()) hosts.push_back(net::ParseSendHost(url.toStdString()));
  }
  const QString size = choice.maxSize.trimmed();
  if (!size.isEmpty()) {
    const auto max = net::ParseByteSize(size.toStdString());
    if (!max) {
      throw KivoraError(MessageText::Plain(
          QCoreApplication::translate("kivora::ui::SendDialog", "「%1」不是檔案大小 (例如 100M)")
              .arg(size)
              .toStdString()));
    }
    for (net::SendHost& host : hosts) host.maxSize = *max;
  }
  net::TakePasswordFromEnvironment(hosts);
  return hosts;
}

SendDialog::SendDialog(QWidget* parent, MessageLayer& messages, Language language,
                       const SendChoice& initial)
    : QDialog(parent), messages_(messages), language_(language) {
  setObjectName(QStringLiteral("fmSend"));
  setWindowTitle(tr("上傳"));
  hosts_ = Named<QPlainTextEdit>("memSendHosts");
  hosts_->setPlaceholderText(
      tr("每行一個資料夾位址，例如\nhttps://example.net/sets/\nsftp://"
         "host/home/me/sets/\ns3://bucket/sets/"));
  hosts_->setPlainText(initial.hosts.join(u'\n'));
  allCopies_ = Named<QRadioButton>("rbSendAll", tr("每個檔案放到每台主機(&A)"));
  spread_ = Named<QRadioButton>("rbSendSpread", tr("分散放置，任一台主機消失仍可修復(&P)"));
  (initial.spread ? spread_ : allCopies_)->setChecked(true);
  maxSize_ = Named<QLineEdit>("edtSendMaxSize");
  maxSize_->setPlaceholderText(tr("不限"));
  maxSize_->setText(initial.maxSize);
  definition_ = Named<QLineEdit>("edtSendDefinition");
  definition_->setText(initial.definition);
  auto* browse = Named<QPushButton>("btnSendBrowse", tr("瀏覽(&W)..."));
  auto* ok = Named<QPushButton>("btnOK", tr("上傳"));
  auto* cancel = Named<QPushButton>("btnCancel", tr("取消"));
  ok->setDefault(true);

  auto* hostsLabel = new QLabel(tr("主機(&H):"));
  hostsLabel->setBuddy(hosts_);
  auto* note = new QLabel(tr("帳號密碼取自 ~/.netrc 或環境變數，不在此輸入。"));
  note->setWordWrap(true);
  auto* definitionRow = new QHBoxLayout;
  definitionRow->addWidget(definition_, 1);
  definitionRow->addWidget(browse);
  auto* form = new QFormLayout;
  form->addRow(tr("每台主機的最大檔案(&M):"), maxSize_);
  auto* definitionLabel = new QLabel(tr("分割定義檔(&D):"));
  definitionLabel->setBuddy(definition_);
  form->addRow(definitionLabel, definitionRow);
  auto* buttons = new QDialogButtonBox;
  buttons->addButton(ok, QDialogButtonBox::AcceptRole);
  buttons->addButton(cancel, QDialogButtonBox::RejectRole);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(hostsLabel);
  layout->addWidget(hosts_, 1);
  layout->addWidget(note);
  layout->addWidget(allCopies_);
  layout->addWidget(spread_);
  layout->addLayout(form);
  layout->addWidget(buttons);
  resize(460, 360);

  connect(browse, &QPushButton::clicked, this, [this] { Browse(); });
  connect(ok, &QPushButton::clicked, this, [this] { Confirm(); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

SendChoice SendDialog::Choice() const {
  SendChoice choice;
  for (const QString& line : hosts_->toPlainText().split(u'\n')) {
    if (!line.trimmed().isEmpty()) choice.hosts.append(line.trimmed());
  }
  choice.spread = spread_->isChecked();
  choice.maxSize = maxSize_->text().trimmed();
  choice.definition = definition_->text().trimmed();
  return choice;
}

void SendDialog::Confirm() {
  const SendChoice choice = Choice();
  QString reason;
  if (choice.hosts.isEmpty()) {
    reason = tr("請輸入要上傳到的主機。");
  } else if (!QFileInfo(choice.definition).isFile()) {
    reason = tr("找不到分割定義檔「%1」。").arg(choice.definition);
  } else if (const auto failure = TryEngine(MessageText::Plain(tr("無法讀取主機。").toStdString()),
                                            [&] { SendHostsOf(choice); })) {
    reason = EngineText(failure->text, language_);
  }
  if (!reason.isEmpty()) {
    messages_.Error(this, reason);
    return;
  }
  accept();
}

void SendDialog::Browse() {
  const auto path = messages_.OpenFileName(this, DefinitionFilter(), definition_->text());
  if (path) definition_->setText(*path);
}

}  // namespace kivora::ui
