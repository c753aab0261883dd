#include "kvrpack/PluginBuilderWindow.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

#include "kvrpack/FileDropList.h"
#include "kvrpack/Illustration.h"
#include "kvrpack/OutputFolder.h"
#include "kvrpack/PluginBuilder.h"
#include "language/EngineText.h"

namespace kvrpack {
namespace {

constexpr QSize kClientSize(761, 369);
constexpr QSize kIllustrationSize(193, 353);

// The labels of the five texts, in id order; translated where they are shown.
const char* const kTextLabels[kTextCount] = {
    QT_TRANSLATE_NOOP("kvrpack::PluginBuilderWindow", "掛件名稱:"),
    QT_TRANSLATE_NOOP("kvrpack::PluginBuilderWindow", "版本: ( 數字亦可 )"),
    QT_TRANSLATE_NOOP("kvrpack::PluginBuilderWindow", "副檔名:"),
    QT_TRANSLATE_NOOP("kvrpack::PluginBuilderWindow", "作者:"),
    QT_TRANSLATE_NOOP("kvrpack::PluginBuilderWindow", "註解:")};

QString IndexedName(const char* base, std::size_t index) {
  return QString::fromLatin1(base) + QString::number(index);
}

}  // namespace

PluginBuilderWindow::PluginBuilderWindow(std::filesystem::path programFolder,
                                         kivora::Language language, QWidget* parent)
    : QWidget(parent), programFolder_(std::move(programFolder)), language_(language) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(tr("kvrpack"));

  auto* picture = new QLabel(this);
  picture->setObjectName(QStringLiteral("MMImg"));
  picture->setFixedSize(kIllustrationSize);
  picture->setPixmap(DrawIllustration(kIllustrationSize));

  pictureList_ = new FileDropList(this);
  pictureList_->setObjectName(QStringLiteral("KVRList"));
  auto* deleteButton = new QPushButton(tr("刪除"), this);
  deleteButton->setObjectName(QStringLiteral("DeleteButton"));
  connect(deleteButton, &QPushButton::clicked, this, &PluginBuilderWindow::DeleteSelectedPictures);
  auto* listColumn = new QVBoxLayout;
  listColumn->addWidget(pictureList_, 1);
  listColumn->addWidget(deleteButton);

  auto* columns = new QHBoxLayout;
  columns->addWidget(picture, 0, Qt::AlignTop);
  columns->addLayout(listColumn, 3);
  columns->addWidget(MakeTextColumn(), 2);

  statusLine_ = new QLabel(this);
  statusLine_->setObjectName(QStringLiteral("StatusLine"));
  statusLine_->setFrameShape(QFrame::StyledPanel);
  statusLine_->setFrameShadow(QFrame::Sunken);
  statusLine_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  statusLine_->setWordWrap(true);
  statusLine_->setText(tr("把圖像檔案拖放到清單中，填好說明後按「建立 Kivora 掛件」。"));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 4);
  layout->addLayout(columns, 1);
  layout->addWidget(statusLine_);
  resize(kClientSize.width(), kClientSize.height() + statusLine_->sizeHint().height());
}

QLabel* PluginBuilderWindow::MakeTextLabel(std::size_t index, QWidget* buddy,
                                           QWidget* parent) const {
  auto* label = new QLabel(tr(kTextLabels[index]), parent);
  label->setObjectName(IndexedName("L", index));
  label->setBuddy(buddy);
  return label;
}

QWidget* PluginBuilderWindow::MakeTextColumn() {
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
      row->addWidget(MakeTextLabel(i, edit, column));
      row->addWidget(edit);
      row->addStretch(1);
      layout->addLayout(row);
    } else {
      layout->addWidget(MakeTextLabel(i, edit, column));
      layout->addWidget(edit);
    }
  }
  comment_ = new QPlainTextEdit(column);
  comment_->setObjectName(IndexedName("OptText", 4));
  comment_->setTabChangesFocus(true);
  comment_->setFixedHeight(lineTexts_[0]->sizeHint().height() * 2);
  layout->addWidget(MakeTextLabel(4, comment_, column));
  layout->addWidget(comment_);
  layout->addStretch(1);

  auto* build = new QPushButton(tr("建立 Kivora 掛件"), column);
  build->setObjectName(QStringLiteral("Command1"));
  connect(build, &QPushButton::clicked, this, &PluginBuilderWindow::BuildPluginFromWindow);
  layout->addWidget(build);
  return column;
}

PluginRequest PluginBuilderWindow::CurrentRequest() const {
  PluginRequest request;
  for (std::size_t i = 0; i < lineTexts_.size(); ++i) {
    request.texts[i] = lineTexts_[i]->text().toStdString();
  }
  // A line break of the comment is stored the Windows way, as the multi-line comment
  // box of the main program shows it.
  QString comment = comment_->toPlainText();
  comment.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  request.texts[4] = comment.toStdString();
  for (int row = 0; row < pictureList_->count(); ++row) {
    request.pictures.push_back(QFile::encodeName(pictureList_->item(row)->text()).toStdString());
  }
  return request;
}

void PluginBuilderWindow::DeleteSelectedPictures() {
  for (int row = pictureList_->count() - 1; row >= 0; --row) {
    if (!pictureList_->item(row)->isSelected()) continue;
    const std::unique_ptr<QListWidgetItem> removed(pictureList_->takeItem(row));
  }
}

void PluginBuilderWindow::BuildPluginFromWindow() {
  std::error_code error;
  const std::filesystem::path current = std::filesystem::current_path(error);
  const std::filesystem::path folder = ChooseOutputFolder(programFolder_, current);
  const BuildOutcome outcome =
      BuildPlugin(CurrentRequest(), {folder / kDllFileName, folder / kScriptFileName});
  const QString message = kivora::ui::EngineText(outcome.message, language_);
  statusLine_->setText(message);
  if (outcome.ok) return;

  auto* box = new QMessageBox(QMessageBox::Critical, windowTitle(), message, QMessageBox::Ok, this);
  box->setObjectName(QStringLiteral("BuildMessage"));
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}

}  // namespace kvrpack
