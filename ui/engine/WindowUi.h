#pragma once
// The engines' events in the main window: message boxes through the message layer, rows
// of the state list, status-bar panels. Called on the window's thread only: an operation
// running on a thread of its own reaches it through the OperationRunner.

#include <QLabel>
#include <QList>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/OperationEvents.h"
#include "ui/engine/MessageLayer.h"
#include "ui/engine/OperationRunner.h"
#include "ui/state/StateList.h"

namespace kivora::ui {

class WindowUi : public EventWindow {
 public:
  struct Hooks {
    std::function<void(OperationKind readFor,
                       const std::vector<std::pair<MessageText, MessageText>>&)>
        showSummary;
    std::function<std::optional<std::string>()> choosePlugin;
    // An operation ended, or a definition was read (Load): the state list now shows its
    // files.
    std::function<void(OperationKind)> listed;
  };
  WindowUi(QWidget* window, MessageLayer& messages, StateList& states, QList<QLabel*> panels,
           Language language, Hooks hooks);

  void Report(const OperationEvent& event) override;
  // The files' states of a batch reach the state list as one change.
  void ReportBatch(std::span<const OperationEvent> events) override;
  Reply Ask(const Question& question) override;
  bool AbortRequested() override;
  void OperationStarting() override { ClearProgress(); }
  // Empties the progress panels.
  void ClearProgress();
  // A split's or re-split's count while it publishes the set.
  static QString PublishingText(const QString& count);

 private:
  void ShowMessage(const Message& message);
  void ReportOne(const OperationEvent& event);
  void ShowProgress(const Progress& progress);
  void ShowFinished(const Finished& finished);
  Answer AskYesNo(const Question& question);
  std::optional<std::string> AskSaveFileName(const std::filesystem::path& proposal);

  QWidget* window_;
  MessageLayer& messages_;
  StateList& states_;
  QList<QLabel*> panels_;
  Language language_;
  Hooks hooks_;
  QString lastCount_[2];  // the count each progress panel shows, without the phase
};

QString ToQ(std::string_view utf8);

}  // namespace kivora::ui
