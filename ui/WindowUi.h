#pragma once
// The engines' callbacks in the main window: message boxes through the message layer,
// rows of the state list, status-bar panels, and event processing while a long
// operation runs on the main thread.

#include <QLabel>
#include <QList>
#include <functional>

#include "core/Ui.h"
#include "ui/MessageLayer.h"
#include "ui/StateList.h"
#include "ui/WindowState.h"

namespace kivora::ui {

class WindowUi : public Ui {
 public:
  struct Hooks {
    std::function<void(InfoList, const std::vector<std::pair<std::string, std::string>>&)> showSummary;
    std::function<std::optional<std::string>()> choosePlugin;
  };
  WindowUi(QWidget* window, MessageLayer& messages, StateList& states, QList<QLabel*> panels,
           OperationFlags& flags, Hooks hooks);

  void ShowError(std::string_view text, std::string_view detail) override;
  using Ui::ShowError;
  void ShowInfo(std::string_view text) override;
  void ShowWarning(std::string_view text) override;
  Answer Ask(std::string_view text, bool withCancel) override;
  std::optional<std::string> AskPassword() override;
  std::optional<std::filesystem::path> AskSaveFileName(const std::filesystem::path& folder,
                                                       std::string_view sourceName) override;
  std::optional<std::string> ChooseResplitPlugin() override;
  void ShowSummary(InfoList list, const std::vector<std::pair<std::string, std::string>>& rows) override;
  void ClearStateRows() override;
  int AddStateRow(std::string_view caption, std::string_view state, StateImage image) override;
  void InsertStateRow(int index, std::string_view caption, std::string_view state,
                      StateImage image) override;
  void SetStateRow(int index, std::string_view state, StateImage image) override;
  void ScrollToRow(int index) override;
  void SortStateRows() override;
  void SetStatus(int panel, std::string_view text) override;
  void Pump(std::chrono::milliseconds pause) override;
  bool AbortRequested() override;
  void WorkStarted() override;
  void WorkEnded() override;

 private:
  QWidget* window_;
  MessageLayer& messages_;
  StateList& states_;
  QList<QLabel*> panels_;
  OperationFlags& flags_;
  Hooks hooks_;
};

QString ToQ(std::string_view utf8);

}  // namespace kivora::ui
