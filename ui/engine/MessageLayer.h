#pragma once
// Every message box, question and file dialog of the window goes through this layer,
// so that tests answer them without a display. QtMessageLayer shows the real ones.

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>

#include "core/OperationEvents.h"

class QUrl;
class QWidget;

namespace kivora::ui {

enum class MessageIcon { Error, Information, Warning, Question };

struct BoxMessage {
  BoxMessage() = default;
  BoxMessage(QString text_, MessageIcon icon_ = MessageIcon::Information, bool withNo_ = false,
             bool withCancel_ = false, Answer defaultButton_ = Answer::Yes)
      : text(std::move(text_)),
        icon(icon_),
        withNo(withNo_),
        withCancel(withCancel_),
        defaultButton(defaultButton_) {}

  QString text;
  MessageIcon icon = MessageIcon::Information;
  bool withNo = false;  // Yes/No (and Cancel) instead of OK
  bool withCancel = false;
  Answer defaultButton = Answer::Yes;
  // Buttons of their own, in order, each with the answer it gives, instead of Yes, No and
  // Cancel; Esc gives Cancel when one of them does.
  QList<std::pair<Answer, QString>> choices;
  QString details;  // a second paragraph under the text
  // Errors carry the default caption "錯誤"; the rest carry "Kivora".
  QString Caption() const;
};

// A one-line text box with its own button captions and a check of what is typed.
struct TextRequest {
  QString caption;
  QString prompt;
  bool secret = false;  // masked, as a password
  QString acceptText;   // the buttons' captions; OK and Cancel when empty
  QString rejectText;
  // Why the typed text cannot be taken, or empty when it can. While there is a reason, the
  // box stays open with the field marked and the reason under the prompt.
  std::function<QString(const QString&)> check;
};

class MessageLayer {
 public:
  virtual ~MessageLayer() = default;
  // A notice (OK) or a question; a notice answers Yes.
  virtual Answer Show(QWidget* parent, const BoxMessage& message) = 0;
  // A one-line masked text box (the password box); empty optional on Cancel.
  virtual std::optional<QString> AskText(QWidget* parent, const QString& caption,
                                         const QString& prompt) = 0;
  // The same box unmasked, for a text that is no secret; the password box where a layer
  // has no other.
  virtual std::optional<QString> AskPlainText(QWidget* parent, const QString& caption,
                                              const QString& prompt) {
    return AskText(parent, caption, prompt);
  }
  // The box of a TextRequest; empty optional on its reject button. A layer without a box
  // of its own asks AskText or AskPlainText again after an error box with the reason.
  virtual std::optional<QString> AskCheckedText(QWidget* parent, const TextRequest& request);
  virtual std::optional<QString> OpenFileName(QWidget* parent, const QString& filter,
                                              const QString& start) = 0;
  virtual std::optional<QString> SaveFileName(QWidget* parent, const QString& start,
                                              const QString& filter, const QString& suffix) = 0;
  // The save dialog of the file list: the path and which of the filters was chosen.
  virtual std::optional<std::pair<QString, int>> SaveListFileName(QWidget* parent,
                                                                  const QStringList& filters) = 0;
  // The folder picker; empty optional on Cancel.
  virtual std::optional<QString> SelectFolder(QWidget* parent, const QString& start) = 0;
  // Opens a folder, file or address in the desktop's program for it.
  virtual void OpenUrl(const QUrl& url);

  void Error(QWidget* parent, const QString& text) { Show(parent, {text, MessageIcon::Error}); }
  void Information(QWidget* parent, const QString& text) {
    Show(parent, {text, MessageIcon::Information});
  }
  void Warning(QWidget* parent, const QString& text) { Show(parent, {text, MessageIcon::Warning}); }
  Answer Question(QWidget* parent, const QString& text, bool withCancel = false) {
    return Show(parent, {text, MessageIcon::Question, true, withCancel, Answer::Yes});
  }
};

class QtMessageLayer final : public MessageLayer {
 public:
  Answer Show(QWidget* parent, const BoxMessage& message) override;
  std::optional<QString> AskText(QWidget* parent, const QString& caption,
                                 const QString& prompt) override;
  std::optional<QString> AskPlainText(QWidget* parent, const QString& caption,
                                      const QString& prompt) override;
  std::optional<QString> AskCheckedText(QWidget* parent, const TextRequest& request) override;
  std::optional<QString> OpenFileName(QWidget* parent, const QString& filter,
                                      const QString& start) override;
  std::optional<QString> SaveFileName(QWidget* parent, const QString& start, const QString& filter,
                                      const QString& suffix) override;
  std::optional<std::pair<QString, int>> SaveListFileName(QWidget* parent,
                                                          const QStringList& filters) override;
  std::optional<QString> SelectFolder(QWidget* parent, const QString& start) override;
};

}  // namespace kivora::ui
