#include "ui/engine/MessageLayer.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include "ui/engine/BrowseFolder.h"
#include "ui/engine/PaletteMarks.h"

namespace kivora::ui {

QString BoxMessage::Caption() const {
  return icon == MessageIcon::Error
             ? QCoreApplication::translate("kivora::ui::MessageLayer", "錯誤")
             : QCoreApplication::translate("kivora::ui::MessageLayer", "Kivora");
}

std::optional<QString> MessageLayer::AskCheckedText(QWidget* parent, const TextRequest& request) {
  for (;;) {
    std::optional<QString> typed = request.secret
                                       ? AskText(parent, request.caption, request.prompt)
                                       : AskPlainText(parent, request.caption, request.prompt);
    const QString reason = typed && request.check ? request.check(*typed) : QString();
    if (reason.isEmpty()) return typed;
    Error(parent, reason);
  }
}

void MessageLayer::OpenUrl(const QUrl& url) { QDesktopServices::openUrl(url); }

namespace {

QMessageBox::StandardButton ToButton(Answer a) {
  switch (a) {
    case Answer::Yes:
      return QMessageBox::Yes;
    case Answer::No:
      return QMessageBox::No;
    case Answer::Cancel:
      break;
  }
  return QMessageBox::Cancel;
}

}  // namespace

Answer QtMessageLayer::Show(QWidget* parent, const BoxMessage& message) {
  QMessageBox box(parent);
  box.setWindowTitle(message.Caption());
  // Messages carry names from definitions and words from servers: never read as markup.
  box.setTextFormat(Qt::PlainText);
  box.setText(message.text);
  if (!message.details.isEmpty()) {
    box.setInformativeText(message.details);
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
      label->setTextFormat(Qt::PlainText);
  }
  switch (message.icon) {
    case MessageIcon::Error:
      box.setIcon(QMessageBox::Critical);
      break;
    case MessageIcon::Information:
      box.setIcon(QMessageBox::Information);
      break;
    case MessageIcon::Warning:
      box.setIcon(QMessageBox::Warning);
      break;
    case MessageIcon::Question:
      box.setIcon(QMessageBox::Question);
      break;
  }
  if (!message.choices.isEmpty()) {
    QList<std::pair<QAbstractButton*, Answer>> buttons;
    for (const auto& [answer, text] : message.choices) {
      QPushButton* button = box.addButton(
          text, answer == Answer::Cancel ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
      buttons.append({button, answer});
      if (answer == message.defaultButton) box.setDefaultButton(button);
      if (answer == Answer::Cancel) box.setEscapeButton(button);
    }
    box.exec();
    for (const auto& [button, answer] : buttons) {
      if (box.clickedButton() == button) return answer;
    }
    return Answer::Cancel;
  }
  if (!message.withNo) {
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return Answer::Yes;
  }
  QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
  if (message.withCancel) buttons |= QMessageBox::Cancel;
  box.setStandardButtons(buttons);
  box.setDefaultButton(ToButton(message.defaultButton));
  switch (box.exec()) {
    case QMessageBox::Yes:
      return Answer::Yes;
    case QMessageBox::No:
      return Answer::No;
    default:
      return message.withCancel ? Answer::Cancel : Answer::No;
  }
}

namespace {

// A prompt names the set from its definition: its labels never read it as markup.
void PlainLabels(QInputDialog& dialog) {
  for (QLabel* label : dialog.findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);
}

std::optional<QString> AskLine(QWidget* parent, const QString& caption, const QString& prompt,
                               QLineEdit::EchoMode echo) {
  QInputDialog dialog(parent);
  dialog.setWindowTitle(caption);
  dialog.setLabelText(prompt);
  PlainLabels(dialog);
  dialog.setTextEchoMode(echo);
  if (auto* edit = dialog.findChild<QLineEdit*>()) edit->setMaxLength(255);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.textValue();
}

// The input dialog of a TextRequest: OK with a text its check refuses keeps it open, the
// field marked and the reason under the prompt.
class CheckedInputDialog final : public QInputDialog {
 public:
  CheckedInputDialog(QWidget* parent, const TextRequest& request)
      : QInputDialog(parent), request_(request) {
    setWindowTitle(request.caption);
    setLabelText(request.prompt);
    PlainLabels(*this);
    setTextEchoMode(request.secret ? QLineEdit::Password : QLineEdit::Normal);
    if (!request.acceptText.isEmpty()) setOkButtonText(request.acceptText);
    if (!request.rejectText.isEmpty()) setCancelButtonText(request.rejectText);
    if (auto* edit = findChild<QLineEdit*>()) edit->setMaxLength(255);
  }

  void done(int result) override {
    const QString reason =
        result == Accepted && request_.check ? request_.check(textValue()) : QString();
    if (reason.isEmpty()) return QInputDialog::done(result);
    setLabelText(request_.prompt + QStringLiteral("\n\n") + reason);
    if (auto* edit = findChild<QLineEdit*>()) {
      MarkInvalid(edit, true);
      edit->selectAll();
      edit->setFocus();
    }
  }

 private:
  const TextRequest& request_;
};

}  // namespace

std::optional<QString> QtMessageLayer::AskCheckedText(QWidget* parent, const TextRequest& request) {
  CheckedInputDialog dialog(parent, request);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.textValue();
}

std::optional<QString> QtMessageLayer::AskText(QWidget* parent, const QString& caption,
                                               const QString& prompt) {
  return AskLine(parent, caption, prompt, QLineEdit::Password);
}

std::optional<QString> QtMessageLayer::AskPlainText(QWidget* parent, const QString& caption,
                                                    const QString& prompt) {
  return AskLine(parent, caption, prompt, QLineEdit::Normal);
}

std::optional<QString> QtMessageLayer::OpenFileName(QWidget* parent, const QString& filter,
                                                    const QString& start) {
  const QString name = QFileDialog::getOpenFileName(parent, QString(), start, filter);
  if (name.isEmpty()) return std::nullopt;
  return name;
}

std::optional<QString> QtMessageLayer::SaveFileName(QWidget* parent, const QString& start,
                                                    const QString& filter, const QString& suffix) {
  QFileDialog dialog(parent, QString(), start, filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(suffix);
  dialog.selectFile(start);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

std::optional<std::pair<QString, int>> QtMessageLayer::SaveListFileName(
    QWidget* parent, const QStringList& filters) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilters(filters);
  dialog.setDefaultSuffix(QStringLiteral("txt"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return std::pair(dialog.selectedFiles().first(),
                   static_cast<int>(filters.indexOf(dialog.selectedNameFilter())));
}

std::optional<QString> QtMessageLayer::SelectFolder(QWidget* parent, const QString& start) {
  QString path = start;
  if (!kivora::ui::SelectFolder(parent, path)) return std::nullopt;
  return path;
}

}  // namespace kivora::ui
