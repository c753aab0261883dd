#pragma once
// The message layer of the GUI tests: records every box and answers from a script, so
// no real modal dialog ever opens.

#include <QStringList>
#include <deque>
#include <functional>
#include <optional>

#include "ui/engine/MessageLayer.h"

namespace kivora::ui::test {

class ScriptedMessages : public MessageLayer {
 public:
  QStringList shown;  // every text shown, in order
  QList<MessageIcon> icons;
  QList<Answer> defaults;      // the default button of every box, Yes for a notice
  std::deque<Answer> answers;  // for questions; No when empty
  std::deque<std::optional<QString>> texts, openFiles, saveFiles, folders;
  std::function<void(const QString&)> onShow;  // sees every box as it opens

  Answer Show(QWidget*, const BoxMessage& message) override {
    if (onShow) onShow(message.text);
    shown << message.text;
    icons << message.icon;
    defaults << (message.withNo ? message.defaultButton : Answer::Yes);
    if (!message.withNo) return Answer::Yes;
    if (answers.empty()) return Answer::No;
    const Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  QStringList prompts;  // of every text box, in order
  std::optional<QString> AskText(QWidget*, const QString&, const QString& prompt) override {
    prompts << prompt;
    return Next(texts);
  }
  QStringList textButtons;  // the captions of each text box's two buttons, when named
  std::optional<QString> AskCheckedText(QWidget* parent, const TextRequest& request) override {
    if (!request.acceptText.isEmpty()) textButtons << request.acceptText << request.rejectText;
    return MessageLayer::AskCheckedText(parent, request);
  }
  std::optional<QString> OpenFileName(QWidget*, const QString&, const QString&) override {
    return Next(openFiles);
  }
  std::optional<QString> SaveFileName(QWidget*, const QString&, const QString&,
                                      const QString&) override {
    return Next(saveFiles);
  }
  std::optional<QString> SelectFolder(QWidget*, const QString&) override { return Next(folders); }
  std::deque<std::optional<std::pair<QString, int>>> listFiles;
  QStringList listFilters;  // the filters of the last list-file dialog
  std::optional<std::pair<QString, int>> SaveListFileName(QWidget*,
                                                          const QStringList& filters) override {
    listFilters = filters;
    if (listFiles.empty()) return std::nullopt;
    const bool has = listFiles.front().has_value();
    const QString name = has ? listFiles.front()->first : QString();
    const int filter = has ? listFiles.front()->second : 0;
    listFiles.pop_front();
    if (!has) return std::nullopt;
    return std::make_pair(name, filter);
  }

 private:
  static std::optional<QString> Next(std::deque<std::optional<QString>>& queue) {
    if (queue.empty()) return std::nullopt;
    const bool has = queue.front().has_value();
    const QString text = has ? *queue.front() : QString();
    queue.pop_front();
    if (!has) return std::nullopt;
    return text;
  }
};

}  // namespace kivora::ui::test
