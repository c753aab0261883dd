#include "ui/engine/WindowUi.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "core/StateTexts.h"
#include "core/text/GroupThousands.h"
#include "core/text/Messages.h"
#include "language/EngineText.h"

namespace kivora::ui {

QString ToQ(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

WindowUi::WindowUi(QWidget* window, MessageLayer& messages, StateList& states,
                   QList<QLabel*> panels, Language language, Hooks hooks)
    : window_(window),
      messages_(messages),
      states_(states),
      panels_(std::move(panels)),
      language_(language),
      hooks_(std::move(hooks)) {}

void WindowUi::Report(const OperationEvent& event) { ReportBatch({&event, 1}); }

void WindowUi::ReportBatch(std::span<const OperationEvent> events) {
  std::vector<StateList::RowUpdate> rows;
  int scrollKey = -1;  // the last part or recovery part that changed, shown once
  const auto showRows = [&] {
    if (rows.empty()) return;
    states_.ShowRows(rows);
    if (scrollKey >= 0) states_.ScrollTo(scrollKey);
    rows.clear();
    scrollKey = -1;
  };
  for (const OperationEvent& event : events) {
    const auto* file = std::get_if<FileStateChanged>(&event);
    if (!file) {
      showRows();  // the rows come before what follows them
      ReportOne(event);
      continue;
    }
    // The definition a split wrote heads the list; a part keeps its place.
    const bool definition = file->state == FileState::DefinitionCreated ||
                            file->state == FileState::DefinitionImplanted;
    const int key = states_.KeyOf(file->role);
    rows.push_back({key, ToQ(file->name), EngineText(StateText(file->state), language_),
                    ImageOf(file->state), definition});
    if (file->state != FileState::Listed && !definition) scrollKey = key;
  }
  showRows();
}

void WindowUi::ReportOne(const OperationEvent& event) {
  // Work started and ended are shown by the page whose operation runs.
  if (const auto* message = std::get_if<Message>(&event)) {
    ShowMessage(*message);
  } else if (std::holds_alternative<FilesCleared>(event)) {
    states_.ClearRows();
  } else if (const auto* progress = std::get_if<Progress>(&event)) {
    ShowProgress(*progress);
  } else if (const auto* summary = std::get_if<DefinitionSummary>(&event)) {
    if (hooks_.showSummary) hooks_.showSummary(summary->readFor, summary->rows);
  } else if (const auto* finished = std::get_if<Finished>(&event)) {
    ShowFinished(*finished);
  }
}

void WindowUi::ShowMessage(const Message& message) {
  QString text = EngineText(message.text, language_);
  switch (message.kind) {
    case MessageKind::Error:
      if (!message.detail.empty())
        text += QStringLiteral("\n\n") + EngineText(message.detail, language_);
      messages_.Error(window_, text);
      break;
    case MessageKind::Completion:
      messages_.Information(window_, text);
      break;
    case MessageKind::Interruption:
    case MessageKind::Failure:
    case MessageKind::Warning:
      messages_.Warning(window_, text);
      break;
  }
}

void WindowUi::ShowProgress(const Progress& progress) {
  // The split and the re-split count in the first panel, the test and the join in the
  // second.
  int panel = 0;
  const MessageTemplate<int, int>* text = &msg::kSplitProgress;
  switch (progress.operation) {
    case OperationKind::Load:
    case OperationKind::Split:
      break;
    case OperationKind::Resplit:
      text = &msg::kResplitProgress;
      break;
    case OperationKind::Test:
      panel = 1;
      text = &msg::kTestProgress;
      break;
    case OperationKind::Join:
      panel = 1;
      text = &msg::kJoinProgress;
      break;
    case OperationKind::Repair:
      panel = 1;
      text = &msg::kRepairProgress;
      break;
    case OperationKind::AddRecovery:
      panel = 1;
      text = &msg::kAddRecoveryProgress;
      break;
    case OperationKind::Fetch:
      panel = 1;
      text = &msg::kFetchProgress;
      break;
  }
  if (QLabel* label = panels_.value(panel)) {
    const QString count = EngineText((*text)(progress.done, progress.total), language_);
    // After its last part a split or re-split publishes the set (the commit), which a
    // large set takes a moment for: the count says so until the operation ends.
    const bool publishing = progress.operation != OperationKind::Load && panel == 0 &&
                            progress.total > 0 && progress.done == progress.total;
    label->setText(publishing ? PublishingText(count) : count);
    lastCount_[panel] = count;
  }
}

QString WindowUi::PublishingText(const QString& count) {
  return QCoreApplication::translate("kivora::ui::WindowUi", "%1 (發佈中)").arg(count);
}

void WindowUi::ClearProgress() {
  for (int panel : {0, 1}) {
    if (QLabel* label = panels_.value(panel)) label->clear();
    lastCount_[panel].clear();
  }
}

void WindowUi::ShowFinished(const Finished& finished) {
  // The set is published, or its publishing ended: the count stands alone.
  if (QLabel* label = panels_.value(0); label && !lastCount_[0].isEmpty())
    label->setText(lastCount_[0]);
  const bool unfinished =
      finished.outcome == Outcome::Failed || finished.outcome == Outcome::Interrupted;
  // A failed operation's count is of work that did not last.
  if (finished.outcome == Outcome::Failed) ClearProgress();
  switch (finished.operation) {
    case OperationKind::Join:
      // A join that did not finish kept no output: its parts were not joined after all.
      if (unfinished) {
        for (const FileState joined : {FileState::Joined, FileState::KeptBack})
          states_.ShowStateInstead(EngineText(StateText(joined), language_), QString(),
                                   ImageOf(FileState::Listed));
      }
      // The problems go on top, and the top comes into view.
      states_.SortProblemsFirst();
      states_.scrollToTop();
      break;
    case OperationKind::Repair:
    case OperationKind::AddRecovery:
    case OperationKind::Test:
      if (finished.outcome == Outcome::ProblemsFound) {
        states_.SortProblemsFirst();
        states_.scrollToTop();
      }
      break;
    case OperationKind::Split:
    case OperationKind::Resplit:
      // A split's definition heads the list.
      states_.scrollToTop();
      break;
    case OperationKind::Load:
    case OperationKind::Fetch:
      break;
  }
}

Reply WindowUi::Ask(const Question& question) {
  std::optional<std::string> text;
  switch (question.kind) {
    case QuestionKind::Password: {
      TextRequest request;
      request.caption = QCoreApplication::translate("kivora::ui::WindowUi", "Kivora");
      request.prompt = EngineText(question.text, language_);
      request.secret = true;
      // The test's password may be skipped: its buttons say verify and skip.
      if (request.prompt == EngineText(msg::kVerifyPasswordPrompt, language_)) {
        request.acceptText = QCoreApplication::translate("kivora::ui::WindowUi", "驗證");
        request.rejectText = QCoreApplication::translate("kivora::ui::WindowUi", "略過");
      }
      if (const auto typed = messages_.AskCheckedText(window_, request))
        text = typed->toStdString();
      break;
    }
    case QuestionKind::SaveAsName:
      text = AskSaveFileName(question.path);
      break;
    case QuestionKind::ResplitPlugin:
      if (hooks_.choosePlugin) text = hooks_.choosePlugin();
      break;
    default:
      return {AskYesNo(question), {}};
  }
  if (!text) return {Answer::Cancel, {}};
  return {Answer::Yes, std::move(*text)};
}

Answer WindowUi::AskYesNo(const Question& question) {
  // The join's questions about a missing or corrupt part carry the error icon and
  // default to No; every other question carries the question icon. Replacing a file of
  // no set defaults to No too.
  const bool partProblem =
      question.kind == QuestionKind::MissingPart || question.kind == QuestionKind::CorruptPart;
  const bool defaultNo = partProblem || question.kind == QuestionKind::ReplaceForeignFile;
  const BoxMessage message{EngineText(question.text, language_),
                           partProblem ? MessageIcon::Error : MessageIcon::Question, true,
                           question.kind == QuestionKind::OutputExists,
                           defaultNo ? Answer::No : Answer::Yes};
  return messages_.Show(window_, message);
}

std::optional<std::string> WindowUi::AskSaveFileName(const std::filesystem::path& proposal) {
  const QFileInfo source(ToQ(proposal.filename().string()));
  const QString start = QString::fromStdString(
      (proposal.parent_path() / source.completeBaseName().toStdString()).string());
  const auto chosen = messages_.SaveFileName(
      window_, start, QCoreApplication::translate("kivora::ui::WindowUi", "所有檔案 (*)"),
      source.suffix());
  if (!chosen) return std::nullopt;
  return chosen->toStdString();
}

// Only the reading of a definition reports here directly, and it cannot be aborted; the
// operations run through the OperationRunner, which holds their abort request.
bool WindowUi::AbortRequested() { return false; }

}  // namespace kivora::ui
