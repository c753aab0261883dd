#pragma once
// What an operation (reading a definition, split, re-split, test, join) tells whoever
// drives it, and the questions it asks. Events are plain values that may be copied to
// another thread; each front end decides how to show them (the window in its state
// list and status panels, the terminal in lines and a progress bar).

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "core/text/MessageText.h"

namespace kivora {

enum class Answer { Yes, No, Cancel };

enum class OperationKind { Load, Split, Resplit, Test, Join, Repair, AddRecovery, Fetch, Send };

// What became of one file of an operation.
enum class FileState {
  Listed,               // named by a definition just read
  Split,                // a plain part written
  Disguised,            // a disguised part written
  DefinitionCreated,    // the definition file written
  DefinitionImplanted,  // the definition put into the last part
  Ok,
  Fixable,
  KeptBack,  // the first part of an old set, joined last
  Missing,
  Corrupt,
  Joined,
  Resplit,
  Redisguised,
  Mismatch,  // a rebuilt part that does not have its recorded checksum
  Recovery,  // a recovery part written by a split
  Rebuilt,   // a file rebuilt from recovery parts
  Sent,      // uploaded to its hosts and proved there
  OnHost,    // on its hosts already, proved; not sent again
  Refused,   // a host refused it as too large or over its quota
  NotSent,   // a copy could not be sent
};

// The operation is past its questions and starts its work; and its work is over, before
// its closing notice or question. A window keeps its inputs disabled only in between.
struct WorkStarted {};
struct WorkEnded {};

// The files of the operation's list are gone: a new list begins, or nothing of a
// failed one remains.
struct FilesCleared {};

// Which file of the set an event is about: part `number` (its index in the set),
// recovery part `number`, or the definition. Where its row goes is the front end's choice.
struct FileRole {
  enum class Kind { Part, Recovery, Definition };
  Kind kind = Kind::Part;
  int number = 0;

  static FileRole Part(int index) { return {Kind::Part, index}; }
  static FileRole Recovery(int index) { return {Kind::Recovery, index}; }
  static FileRole Definition() { return {Kind::Definition, 0}; }
  auto operator<=>(const FileRole&) const = default;
};

// A file of the operation has a new state.
struct FileStateChanged {
  FileRole role;
  std::string name;
  FileState state = FileState::Listed;
};

// `done` of `total` parts are through; and, where the operation knows them, `bytesDone`
// of `bytesTotal` bytes (a total of 0: the bytes are not known, show the parts).
struct Progress {
  OperationKind operation = OperationKind::Split;
  int done = 0;
  int total = 0;
  std::int64_t bytesDone = 0;
  std::int64_t bytesTotal = 0;
};

enum class MessageKind {
  Error,         // a failure; detail, when not empty, is the system's reason
  Completion,    // a closing notice
  Interruption,  // the operation stopped before its end because a stop was asked for
  Failure,       // the operation ended without its result: its reasons came before
  Warning,       // the operation ended, but its result is not what was asked for
};

struct Message {
  MessageKind kind = MessageKind::Error;
  MessageText text;
  MessageText detail;
};

// The summary rows (caption, value) of a definition read for a join, test or re-split.
struct DefinitionSummary {
  OperationKind readFor = OperationKind::Join;
  std::vector<std::pair<MessageText, MessageText>> rows;
};

enum class Outcome {
  Completed,
  Interrupted,    // stopped by the user or a signal
  Failed,         // ended by an error, a refusal or a part it could not use
  ProblemsFound,  // a test found parts that are not OK and no join follows
  Incomplete,     // a join kept an output without parts it skipped or with damaged ones
};

// The operation ran its course; its closing message, if any, came before.
struct Finished {
  OperationKind operation = OperationKind::Split;
  Outcome outcome = Outcome::Completed;
};

// What every operation's outcome holds beside its own results: how it ended (as its
// Finished said; Failed when it refused before its work began) and the last state of each
// file it reported, in the order they were first reported (a FilesCleared empties it).
struct OperationResult {
  Outcome ending = Outcome::Failed;
  std::vector<FileStateChanged> files;

  // The last state of `role`, if the operation reported one.
  std::optional<FileState> StateOf(FileRole role) const {
    for (const FileStateChanged& f : files) {
      if (f.role == role) return f.state;
    }
    return std::nullopt;
  }
};

using OperationEvent = std::variant<WorkStarted, WorkEnded, FilesCleared, FileStateChanged,
                                    Progress, Message, DefinitionSummary, Finished>;

enum class QuestionKind {
  CreateFolder,          // Yes/No: the save folder `path` is missing; create it?
  MissingPart,           // Yes/No: the part `path` is missing; go on joining?
  CorruptPart,           // Yes/No: the part `path` has the wrong checksum; join it anyway?
  OutputExists,          // Yes/No/Cancel: the joined file exists; Yes saves under another
                         // name, No replaces it
  JoinAfterFixableTest,  // Yes/No: the test found only fixable parts; join now?
  JoinAfterCleanTest,    // Yes/No: the test found no problem; join now?
  Password,              // text: the password of a protected set
  SaveAsName,            // text: another path for the joined file; `path` is the proposal
  ResplitPlugin,         // text: the plug-in a set was split with
  RepairFromRecovery,    // Yes/No: lost or damaged files can be rebuilt; repair now?
  ReplaceForeignFile,    // Yes/No: the split would replace `path`, which belongs to no set
                         // of its name; replace it?
  RetryPassword,         // Yes/No: the password typed for a test is wrong; type it again (No
                         // tests the checksums alone)?
  ResplitDamaged,        // Yes/No: a test found parts only the source can rebuild; go and
                         // re-split them?
  JoinFetchedSet,        // Yes/No: a fetch brought the set (repairable when files are
                         // missing); repair what is missing and join it now?
};

// True for the questions answered with a text rather than Yes/No.
constexpr bool AsksForText(QuestionKind kind) {
  return kind == QuestionKind::Password || kind == QuestionKind::SaveAsName ||
         kind == QuestionKind::ResplitPlugin;
}

struct Question {
  QuestionKind kind = QuestionKind::CreateFolder;
  MessageText text;  // the message for the user (empty when the kind has none)
  std::filesystem::path path;
};

struct Reply {
  Answer answer = Answer::No;  // Cancel (or No) for a text question refused
  std::string text;            // a text question's answer when Yes
};

// Implemented by each front end. The engine calls it on the thread that runs the
// operation.
class OperationEvents {
 public:
  virtual ~OperationEvents() = default;

  virtual void Report(const OperationEvent& event) = 0;
  // Waits for the answer.
  virtual Reply Ask(const Question& question) = 0;
  // True once the user asked the running operation to stop. Asked between the chunks of
  // a part, so it must be cheap and safe to call from the operation's thread.
  virtual bool AbortRequested() = 0;

  // Shorthands for the engines.
  void ShowError(MessageText text, MessageText detail = {}) {
    Report(Message{MessageKind::Error, std::move(text), std::move(detail)});
  }
  void ShowCompletion(MessageText text) {
    Report(Message{MessageKind::Completion, std::move(text), {}});
  }
  void ShowInterruption(MessageText text) {
    Report(Message{MessageKind::Interruption, std::move(text), {}});
  }
  void ShowFailure(MessageText text) { Report(Message{MessageKind::Failure, std::move(text), {}}); }
  void ShowWarning(MessageText text) { Report(Message{MessageKind::Warning, std::move(text), {}}); }
  void SetFileState(FileRole role, std::string_view name, FileState state) {
    Report(FileStateChanged{role, std::string(name), state});
  }
  void SetFileState(int part, std::string_view name, FileState state) {
    SetFileState(FileRole::Part(part), name, state);
  }
  Answer AskYesNo(QuestionKind kind, MessageText text, std::filesystem::path path = {}) {
    return Ask({kind, std::move(text), std::move(path)}).answer;
  }
  // Empty optional when the user cancelled.
  std::optional<std::string> AskText(QuestionKind kind, MessageText text = {},
                                     std::filesystem::path path = {}) {
    Reply reply = Ask({kind, std::move(text), std::move(path)});
    if (reply.answer != Answer::Yes) return std::nullopt;
    return std::move(reply.text);
  }
};

// The closing words of an operation that failed ("Split failed.").
MessageText FailureClosing(OperationKind operation);

// The closing of an operation that did not complete: interrupted when a stop was asked
// for, failed otherwise (an error, a refusal, a part it could not use).
inline void ReportUnfinished(OperationEvents& events, OperationKind operation,
                             MessageText interruptedText) {
  if (events.AbortRequested()) {
    events.ShowInterruption(std::move(interruptedText));
    events.Report(Finished{operation, Outcome::Interrupted});
  } else {
    events.ShowFailure(FailureClosing(operation));
    events.Report(Finished{operation, Outcome::Failed});
  }
}

// The closing message and event of an operation that ran its course. Returns completed.
inline bool ReportEnd(OperationEvents& events, OperationKind operation, bool completed,
                      MessageText completedText, MessageText interruptedText) {
  events.Report(WorkEnded{});
  if (completed) {
    events.ShowCompletion(std::move(completedText));
    events.Report(Finished{operation, Outcome::Completed});
  } else {
    ReportUnfinished(events, operation, std::move(interruptedText));
  }
  return completed;
}

// The work of an operation, from the WorkStarted it reports to its end. End() closes it
// as ReportEnd does; any other way out of its scope (a refusal, a failure, an exception)
// reports WorkEnded and a Finished without a message, interrupted when a stop was asked
// for and failed otherwise, so that no front end waits for either.
class OperationWork {
 public:
  OperationWork(OperationEvents& events, OperationKind operation)
      : events_(events), operation_(operation) {
    events_.Report(WorkStarted{});
  }
  ~OperationWork() {
    if (ended_) return;
    try {
      events_.Report(WorkEnded{});
      events_.Report(
          Finished{operation_, events_.AbortRequested() ? Outcome::Interrupted : Outcome::Failed});
    } catch (...) {  // a destructor throws nothing; the front end ends the work itself
    }
  }
  OperationWork(const OperationWork&) = delete;
  OperationWork& operator=(const OperationWork&) = delete;

  // Returns completed.
  bool End(bool completed, MessageText completedText, MessageText interruptedText) {
    ended_ = true;
    return ReportEnd(events_, operation_, completed, std::move(completedText),
                     std::move(interruptedText));
  }
  // Ends work that ran to its end but whose result is not what was asked for, with a
  // warning that says why. Returns true: the result is kept.
  bool EndIncomplete(MessageText warning) {
    ended_ = true;
    events_.Report(WorkEnded{});
    events_.ShowWarning(std::move(warning));
    events_.Report(Finished{operation_, Outcome::Incomplete});
    return true;
  }

 private:
  OperationEvents& events_;
  OperationKind operation_;
  bool ended_ = false;
};

}  // namespace kivora
