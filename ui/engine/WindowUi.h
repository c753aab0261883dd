#pragma once
// The engines' events in the main window: message boxes through the message layer, rows
// of the state list, status-bar panels. Called on the window's thread only: an operation
// running on a thread of its own reaches it through the OperationRunner.

#include <QElapsedTimer>
#include <QLabel>
#include <QList>
#include <QTimer>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/OperationEvents.h"
#include "ui/engine/MessageLayer.h"
#include "ui/engine/OperationRunner.h"
#include "ui/state/StateList.h"

class QProgressBar;

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
    // The operation has worked for kLongWorkMs since its first count: long work (the window
    // keeps the machine awake).
    std::function<void()> longWorkStarted;
    // The operation is over; `ending` is its closing message (or empty), `longWork` whether
    // longWorkStarted was called for it.
    std::function<void(const QString& ending, bool longWork)> operationEnded;
  };
  // Work past this long shows its rate and counts as long work.
  static constexpr int kLongWorkMs = 3000;
  WindowUi(QWidget* window, MessageLayer& messages, StateList& states, QList<QLabel*> panels,
           Language language, Hooks hooks);

  void Report(const OperationEvent& event) override;
  // The files' states of a batch reach the state list as one change.
  void ReportBatch(std::span<const OperationEvent> events) override;
  Reply Ask(const Question& question) override;
  bool AbortRequested() override;
  void OperationStarting() override;
  void OperationEnded() override;
  // The bar in which every operation shows how far it is; hidden while none runs.
  void SetProgressBar(QProgressBar* bar);
  // Where the running operation put what it made, for its closing message: `files` in
  // `folder`, or without files those it reported as written.
  void ReportOutput(const QString& folder, const QStringList& files = {});
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
  void ShowBar(const Progress& progress);
  // The publishing mark goes once the operation speaks its closing.
  void DropPublishingMark();
  void ShowCompletion(const QString& text);

  QProgressBar* bar_ = nullptr;
  QElapsedTimer clock_;  // since the operation's first count
  QTimer longWork_;
  bool operationActive_ = false;
  bool isLongWork_ = false;
  std::optional<QString> completion_;  // the closing notice, shown when the operation is over
  QString ending_;                     // the closing message last shown
  QStringList written_;                // files the operation reported as written
  QString outputFolder_;
  QStringList outputFiles_;
};

QString ToQ(std::string_view utf8);

}  // namespace kivora::ui
