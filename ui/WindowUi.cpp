#include "ui/WindowUi.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include "core/Messages.h"

namespace kivora::ui {

QString ToQ(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

WindowUi::WindowUi(QWidget* window, MessageLayer& messages, StateList& states,
                   QList<QLabel*> panels, OperationFlags& flags, Hooks hooks)
    : window_(window),
      messages_(messages),
      states_(states),
      panels_(std::move(panels)),
      flags_(flags),
      hooks_(std::move(hooks)) {}

void WindowUi::ShowError(std::string_view text, std::string_view detail) {
  QString message = ToQ(text);
  if (!detail.empty()) message += QStringLiteral("\n\n") + ToQ(detail);
  messages_.Error(window_, message);
}

void WindowUi::ShowInfo(std::string_view text) { messages_.Information(window_, ToQ(text)); }

void WindowUi::ShowWarning(std::string_view text) { messages_.Warning(window_, ToQ(text)); }

Answer WindowUi::Ask(std::string_view text, bool withCancel) {
  // The join's questions about a missing or corrupt part carry the error icon and
  // default to No; every other question carries the question icon.
  const bool partProblem = text.ends_with(msg::kMissingPartQuestion.substr(2)) ||
                           text.ends_with(msg::kCorruptPartQuestion.substr(2));
  MessageSpec spec{ToQ(text), partProblem ? MessageIcon::Error : MessageIcon::Question, true,
                   withCancel, partProblem ? Answer::No : Answer::Yes};
  return messages_.Show(window_, spec);
}

std::optional<std::string> WindowUi::AskPassword() {
  const auto text = messages_.AskText(window_, QStringLiteral("Kivora"), ToQ(msg::kPasswordPrompt));
  if (!text) return std::nullopt;
  return text->toStdString();
}

std::optional<std::filesystem::path> WindowUi::AskSaveFileName(const std::filesystem::path& folder,
                                                               std::string_view sourceName) {
  const QFileInfo source(ToQ(sourceName));
  const QString start = QString::fromStdString((folder / source.completeBaseName().toStdString()).string());
  const auto chosen = messages_.SaveFileName(window_, start, QStringLiteral("所有檔案 (*)"), source.suffix());
  if (!chosen) return std::nullopt;
  return std::filesystem::path(chosen->toStdString());
}

std::optional<std::string> WindowUi::ChooseResplitPlugin() {
  return hooks_.choosePlugin ? hooks_.choosePlugin() : std::nullopt;
}

void WindowUi::ShowSummary(InfoList list, const std::vector<std::pair<std::string, std::string>>& rows) {
  if (hooks_.showSummary) hooks_.showSummary(list, rows);
}

void WindowUi::ClearStateRows() { states_.ClearRows(); }

int WindowUi::AddStateRow(std::string_view caption, std::string_view state, StateImage image) {
  return states_.AddRow(ToQ(caption), ToQ(state), image);
}

void WindowUi::InsertStateRow(int index, std::string_view caption, std::string_view state,
                              StateImage image) {
  states_.InsertRow(index, ToQ(caption), ToQ(state), image);
}

void WindowUi::SetStateRow(int index, std::string_view state, StateImage image) {
  states_.SetRow(index, ToQ(state), image);
}

void WindowUi::ScrollToRow(int index) { states_.ScrollTo(index); }

void WindowUi::SortStateRows() { states_.SortByColumn(1, true); }

void WindowUi::SetStatus(int panel, std::string_view text) {
  if (QLabel* label = panels_.value(panel)) label->setText(ToQ(text));
}

void WindowUi::Pump(std::chrono::milliseconds pause) {
  QCoreApplication::processEvents();
  if (pause.count() <= 0) return;
  // Wait while still handling events, so the abort button and repainting stay live.
  QEventLoop loop;
  QTimer::singleShot(static_cast<int>(pause.count()), &loop, &QEventLoop::quit);
  loop.exec();
}

// The request of the running operation only: it was cleared when that operation began.
bool WindowUi::AbortRequested() { return flags_.running && flags_.abortRequested; }

void WindowUi::WorkStarted() {
  if (flags_.running) flags_.running->SetAtWork(true);
}

void WindowUi::WorkEnded() {
  if (flags_.running) flags_.running->SetAtWork(false);
}

}  // namespace kivora::ui
