#include "ui/engine/WindowUi.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QProgressBar>
#include <QUrl>
#include <algorithm>

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
      hooks_(std::move(hooks)) {
  longWork_.setSingleShot(true);
  longWork_.setInterval(kLongWorkMs);
  QObject::connect(&longWork_, &QTimer::timeout, window_, [this] {
    isLongWork_ = true;
    if (hooks_.longWorkStarted) hooks_.longWorkStarted();
  });
}

void WindowUi::SetProgressBar(QProgressBar* bar) {
  bar_ = bar;
  if (bar_) bar_->hide();
}

void WindowUi::OperationStarting() {
  if (operationActive_) OperationEnded();  // started from the follow-up of another
  ClearProgress();
  operationActive_ = true;
  isLongWork_ = false;
  completion_.reset();
  ending_.clear();
  written_.clear();
  outputFolder_.clear();
  outputFiles_.clear();
  clock_.invalidate();     // the work's time starts with its first count, after the questions
  if (bar_) bar_->hide();  // shown with the first count: questions come before the work
}

void WindowUi::ReportOutput(const QString& folder, const QStringList& files) {
  outputFolder_ = folder;
  outputFiles_ = files;
}

void WindowUi::OperationEnded() {
  if (!operationActive_) return;
  operationActive_ = false;
  longWork_.stop();
  if (bar_) bar_->hide();
  DropPublishingMark();
  if (completion_) ShowCompletion(*std::exchange(completion_, std::nullopt));
  if (hooks_.operationEnded) hooks_.operationEnded(ending_, isLongWork_);
}

void WindowUi::ShowCompletion(const QString& text) {
  BoxMessage box{text, MessageIcon::Information};
  // What was made, where, and a way to it.
  const QStringList files = outputFiles_.isEmpty() ? written_ : outputFiles_;
  if (!outputFolder_.isEmpty() && !files.isEmpty()) {
    const QDir folder(outputFolder_);
    qint64 bytes = 0;
    for (const QString& file : files) bytes += QFileInfo(folder.filePath(file)).size();
    box.details =
        QCoreApplication::translate("kivora::ui::WindowUi", "%1 個檔案，共 %2，在\n%3")
            .arg(files.size())
            .arg(QLocale().formattedDataSize(bytes).replace(u' ', QChar(0xA0)),  // one word
                 QDir::toNativeSeparators(outputFolder_));
    box.choices = {
        {Answer::Yes, QCoreApplication::translate("kivora::ui::WindowUi", "確定")},
        {Answer::No, QCoreApplication::translate("kivora::ui::WindowUi", "開啟資料夾(&O)")}};
  }
  if (messages_.Show(window_, box) == Answer::No)
    messages_.OpenUrl(QUrl::fromLocalFile(outputFolder_));
}

void WindowUi::DropPublishingMark() {
  if (QLabel* label = panels_.value(0); label && !lastCount_[0].isEmpty())
    label->setText(lastCount_[0]);
}

namespace {

// The states of a file an operation wrote.
bool WrittenBy(FileState state) {
  switch (state) {
    case FileState::Split:
    case FileState::Disguised:
    case FileState::DefinitionCreated:
    case FileState::Resplit:
    case FileState::Redisguised:
    case FileState::Recovery:
    case FileState::Rebuilt:
      return true;
    default:
      return false;
  }
}

}  // namespace

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
    if (operationActive_ && WrittenBy(file->state)) written_.append(ToQ(file->name));
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
    if (hooks_.listed) hooks_.listed(OperationKind::Load);
  } else if (const auto* finished = std::get_if<Finished>(&event)) {
    ShowFinished(*finished);
    if (hooks_.listed) hooks_.listed(finished->operation);
  }
}

void WindowUi::ShowMessage(const Message& message) {
  QString text = EngineText(message.text, language_);
  DropPublishingMark();
  if (message.kind != MessageKind::Error) ending_ = text;
  // The closing notice waits for the end of the operation, which it reports on.
  if (message.kind == MessageKind::Completion && operationActive_) {
    completion_ = text;
    return;
  }
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
    case OperationKind::Send:
      panel = 1;
      text = &msg::kSendProgress;
      break;
  }
  if (progress.operation != OperationKind::Load) {
    if (operationActive_ && !clock_.isValid()) {
      clock_.start();
      longWork_.start();
    }
    ShowBar(progress);
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

void WindowUi::ShowBar(const Progress& progress) {
  if (!bar_ || !operationActive_) return;
  // Bytes where the operation counts them, else parts; in thousandths of the whole.
  const bool bytes = progress.bytesTotal > 0;
  const double done = bytes ? static_cast<double>(progress.bytesDone) : progress.done;
  const double total = bytes ? static_cast<double>(progress.bytesTotal) : progress.total;
  if (total <= 0) return;
  bar_->show();
  bar_->setRange(0, 1000);
  bar_->setValue(static_cast<int>(std::clamp(done / total, 0.0, 1.0) * 1000));
  QString format = QStringLiteral("%p%");
  const double seconds = static_cast<double>(clock_.elapsed()) / 1000;
  if (seconds * 1000 >= kLongWorkMs && done > 0) {
    const double rate = done / seconds;
    const QLocale locale;
    format += QStringLiteral("  ") +
              (bytes ? QCoreApplication::translate("kivora::ui::WindowUi", "%1/秒")
                           .arg(locale.formattedDataSize(static_cast<qint64>(rate)))
                     : QCoreApplication::translate("kivora::ui::WindowUi", "%1 個/秒")
                           .arg(locale.toString(rate, 'f', 1)));
  }
  bar_->setFormat(format);
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
    case OperationKind::Send:
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

namespace {

// The joined file is there already: replace it, save under another name, or stop. The
// engine's Yes saves under another name, its No replaces.
BoxMessage OutputExistsMessage(const std::filesystem::path& joined) {
  BoxMessage message{
      QCoreApplication::translate("kivora::ui::WindowUi",
                                  "%1\n相同的檔案名稱已經存在。要取代它，還是另存新檔？")
          .arg(ToQ(joined.string())),
      MessageIcon::Question, true, true, Answer::Yes};
  message.choices = {
      {Answer::No, QCoreApplication::translate("kivora::ui::WindowUi", "取代(&R)")},
      {Answer::Yes, QCoreApplication::translate("kivora::ui::WindowUi", "另存新檔(&S)…")},
      {Answer::Cancel, QCoreApplication::translate("kivora::ui::WindowUi", "取消")}};
  return message;
}

// "name (2).ext", or the first higher number, beside the file: a name not yet taken,
// with the file's extension.
QString FreeNameBeside(const QString& path) {
  const QFileInfo file(path);
  const QString suffix = file.suffix().isEmpty() ? QString() : QStringLiteral(".") + file.suffix();
  const QString base = file.suffix().isEmpty() ? file.fileName() : file.completeBaseName();
  for (int n = 2; n < 1000; ++n) {
    const QString candidate =
        file.dir().filePath(QStringLiteral("%1 (%2)%3").arg(base).arg(n).arg(suffix));
    if (!QFileInfo::exists(candidate)) return candidate;
  }
  return path;
}

}  // namespace

Answer WindowUi::AskYesNo(const Question& question) {
  if (question.kind == QuestionKind::OutputExists)
    return messages_.Show(window_, OutputExistsMessage(question.path));
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
  // The proposal keeps the joined file's extension.
  const QString start = FreeNameBeside(ToQ(proposal.string()));
  const auto chosen = messages_.SaveFileName(
      window_, start, QCoreApplication::translate("kivora::ui::WindowUi", "所有檔案 (*)"),
      QFileInfo(start).suffix());
  if (!chosen) return std::nullopt;
  return chosen->toStdString();
}

// Only the reading of a definition reports here directly, and it cannot be aborted; the
// operations run through the OperationRunner, which holds their abort request.
bool WindowUi::AbortRequested() { return false; }

}  // namespace kivora::ui
