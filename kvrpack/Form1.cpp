#include "Form1.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

#include "FileDropList.h"
#include "Illustration.h"
#include "OutputFolder.h"
#include "PluginBuilder.h"

namespace kvrpack {
namespace {

constexpr QSize kClientSize(761, 369);
constexpr QSize kIllustrationSize(193, 353);

const char* const kLabels[kTextCount] = {"掛件名稱:", "版本: ( 數字亦可 )",
                                         "副檔名:", "作者:", "註解:"};

QString IndexedName(const char* base, std::size_t index) {
  return QString::fromLatin1(base) + QString::number(index);
}

QLabel* MakeLabel(std::size_t index, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(QString::fromUtf8(kLabels[index]), parent);
  label->setObjectName(IndexedName("L", index));
  label->setBuddy(buddy);
  return label;
}

}  // namespace

Form1::Form1(std::filesystem::path programFolder, QWidget* parent)
    : QWidget(parent), programFolder_(std::move(programFolder)) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("kvrpack"));

  auto* picture = new QLabel(this);
  picture->setObjectName(QStringLiteral("MMImg"));
  picture->setFixedSize(kIllustrationSize);
  picture->setPixmap(DrawIllustration(kIllustrationSize));

  list_ = new FileDropList(this);
  list_->setObjectName(QStringLiteral("KVRList"));
  auto* deleteButton = new QPushButton(QStringLiteral("刪除"), this);
  deleteButton->setObjectName(QStringLiteral("DeleteButton"));
  connect(deleteButton, &QPushButton::clicked, this, &Form1::DeleteButtonClick);
  auto* listColumn = new QVBoxLayout;
  listColumn->addWidget(list_, 1);
  listColumn->addWidget(deleteButton);

  auto* columns = new QHBoxLayout;
  columns->addWidget(picture, 0, Qt::AlignTop);
  columns->addLayout(listColumn, 3);
  columns->addWidget(MakeTextColumn(), 2);

  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("StatusLine"));
  status_->setFrameShape(QFrame::StyledPanel);
  status_->setFrameShadow(QFrame::Sunken);
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  status_->setWordWrap(true);
  status_->setText(QStringLiteral("把圖像檔案拖放到清單中，填好說明後按「建立 Kivora 掛件」。"));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 4);
  layout->addLayout(columns, 1);
  layout->addWidget(status_);
  resize(kClientSize.width(), kClientSize.height() + status_->sizeHint().height());
}

QWidget* Form1::MakeTextColumn() {
  auto* column = new QWidget(this);
  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(0, 0, 0, 0);
  for (std::size_t i = 0; i < lineTexts_.size(); ++i) {
    auto* edit = new QLineEdit(column);
    edit->setObjectName(IndexedName("OptText", i));
    lineTexts_[i] = edit;
    // The extension is short: its box sits on the label's row.
    if (i == 2) {
      edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 8);
      auto* row = new QHBoxLayout;
      row->addWidget(MakeLabel(i, edit, column));
      row->addWidget(edit);
      row->addStretch(1);
      layout->addLayout(row);
    } else {
      layout->addWidget(MakeLabel(i, edit, column));
      layout->addWidget(edit);
    }
  }
  comment_ = new QPlainTextEdit(column);
  comment_->setObjectName(IndexedName("OptText", 4));
  comment_->setTabChangesFocus(true);
  comment_->setFixedHeight(lineTexts_[0]->sizeHint().height() * 2);
  layout->addWidget(MakeLabel(4, comment_, column));
  layout->addWidget(comment_);
  layout->addStretch(1);

  auto* build = new QPushButton(QStringLiteral("建立 Kivora 掛件"), column);
  build->setObjectName(QStringLiteral("Command1"));
  connect(build, &QPushButton::clicked, this, &Form1::Command1Click);
  layout->addWidget(build);
  return column;
}

PluginRequest Form1::CurrentRequest() const {
  PluginRequest request;
  for (std::size_t i = 0; i < lineTexts_.size(); ++i) {
    request.texts[i] = lineTexts_[i]->text().toStdString();
  }
  // A line break of the comment is stored the Windows way, as the multi-line comment
  // box of the main program shows it.
  QString comment = comment_->toPlainText();
  comment.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  request.texts[4] = comment.toStdString();
  for (int row = 0; row < list_->count(); ++row) {
    request.pictures.push_back(QFile::encodeName(list_->item(row)->text()).toStdString());
  }
  return request;
}

void Form1::DeleteButtonClick() {
  for (int row = list_->count() - 1; row >= 0; --row) {
    if (!list_->item(row)->isSelected()) continue;
    const std::unique_ptr<QListWidgetItem> removed(list_->takeItem(row));
  }
}

void Form1::Command1Click() {
  std::error_code error;
  const std::filesystem::path current = std::filesystem::current_path(error);
  const std::filesystem::path folder = ChooseOutputFolder(programFolder_, current);
  const BuildOutcome outcome =
      BuildPlugin(CurrentRequest(), {folder / kDllFileName, folder / kScriptFileName});
  const QString message = QString::fromStdString(outcome.message);
  status_->setText(message);
  if (outcome.ok) return;

  auto* box = new QMessageBox(QMessageBox::Critical, windowTitle(), message, QMessageBox::Ok, this);
  box->setObjectName(QStringLiteral("BuildMessage"));
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}

}  // namespace kvrpack
