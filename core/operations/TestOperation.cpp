#include "core/operations/TestOperation.h"

#include <array>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/KivoraError.h"
#include "core/format/LoadedDefinition.h"
#include "core/io/Folder.h"
#include "core/io/IoBuffer.h"
#include "core/operations/EngineCall.h"
#include "core/operations/SetProtection.h"
#include "core/parts/SetNames.h"
#include "core/set/SetCommit.h"
#include "core/text/Messages.h"
#include "core/threads/OrderedParallelFor.h"

namespace kivora {
namespace {

FileState StateOf(PartTestResult t) {
  switch (t) {
    case PartTestResult::Ok:
      return FileState::Ok;
    case PartTestResult::Missing:
      return FileState::Missing;
    case PartTestResult::Corrupt:
      return FileState::Corrupt;
    case PartTestResult::Fixable:
      break;
  }
  return FileState::Fixable;
}

// The commit a killed writer left for the set, read only: none when the folder holds no
// journal of the set that would be obeyed, or cannot be read.
std::optional<CommitJournal> PendingCommitOfSet(const KvrDefinition& def,
                                                const std::filesystem::path& definitionPath) {
  try {
    const std::filesystem::path folder = SetFolderOf(definitionPath);
    return PendingCommit(Folder(folder, msg::kOpenFileFailed, folder),
                         SetNames::Of(def, definitionPath).LockName());
  } catch (const KivoraError&) {
    return std::nullopt;
  }
}

// The test of `loaded` (read again when its file changed) into `outcome`.
void TestInto(KvrDefinition& loaded, const TestRequest& options, const PendantProvider& pendants,
              OperationEvents& events, TestOutcome& outcome) {
  const std::filesystem::path& definitionPath = options.definitionPath;
  if (!RefreshIfChanged(definitionPath, pendants, events, loaded)) return;
  const KvrDefinition& def = loaded;
  // Given the password, an encrypted set proves its definition first and every chunk
  // as its part is read; a skipped question leaves the checksums alone to test.
  std::shared_ptr<const SetCipher> cipher;
  if (def.header.CipherKind == kSealedCipher && def.header.Encryption) {
    std::optional<SecretText> password = options.password;
    const bool ask = !password && options.askPassword;
    const auto askPassword = [&] {
      password.reset();
      if (std::optional<std::string> typed =
              events.AskText(QuestionKind::Password, msg::kVerifyPasswordPrompt)) {
        password.emplace(*typed);
        WipeText(*typed);
      }
    };
    if (ask) askPassword();
    // A wrong password typed in answer may be typed again, or skipped for the CRC test.
    while (ask && options.retryWrongPassword && password && !password->empty() &&
           !SetCipher(*password, *def.header.Encryption).PasswordMatches()) {
      if (events.AskYesNo(QuestionKind::RetryPassword, msg::kWrongPasswordRetry) == Answer::Yes) {
        askPassword();
      } else {
        password.reset();
      }
    }
    if (password && !password->empty()) {
      std::optional<SetCipher> unlocked = UnlockSet(def, password, events);
      if (!unlocked) return;
      cipher = std::make_shared<const SetCipher>(std::move(*unlocked));
    }
  }
  outcome.ran = true;
  events.Report(WorkStarted{});
  events.Report(FilesCleared{});
  outcome.findings = {PartTestResult::Ok};

  // The files an interrupted replacement of the set will rename or remove are neither
  // damaged nor final: the next write of the set finishes it, so they are not tested.
  std::set<std::string> pending;
  if (const std::optional<CommitJournal> journal = PendingCommitOfSet(def, definitionPath)) {
    for (const CommitRename& r : journal->renames) pending.insert(r.target);
    pending.insert(journal->removals.begin(), journal->removals.end());
    pending.insert(journal->created.begin(), journal->created.end());
    events.ShowWarning(msg::kCommitPending);
  }

  const int count = def.header.PartCount;
  const StopCheck abort = [&events] { return events.AbortRequested(); };
  SharedStop stopped(abort);
  outcome.parts.assign(static_cast<size_t>(count), std::nullopt);
  std::int64_t bytesTotal = 0;
  for (const PartRecord& rec : def.parts) bytesTotal += rec.Size;
  std::int64_t bytesDone = 0;
  // Parts are read on two threads; only this one reports, in order, as they finish. A part
  // that cannot be read ends the test without a closing message; the parts tested before
  // it keep their rows.
  IoBuffer buffers[kWorkThreads];
  OrderedParallelFor<std::optional<PartTestResult>>(
      count,
      [&](int index, int thread) -> std::optional<PartTestResult> {
        if (stopped.Check(thread)) return std::nullopt;
        const PartRecord& rec = def.parts[static_cast<size_t>(index)];
        const std::optional<PartTestResult> t =
            pending.contains(rec.FileName)
                ? std::optional(PartTestResult::Ok)
                : TestPart(def, index, definitionPath.parent_path() / rec.FileName, buffers[thread],
                           stopped.For(thread), cipher.get());
        if (!t) stopped.Raise();
        return t;
      },
      [&](int index, const std::optional<PartTestResult>& t) {
        if (!t || events.AbortRequested()) {
          stopped.Raise();
          outcome.aborted = true;
          return false;
        }
        const PartRecord& rec = def.parts[static_cast<size_t>(index)];
        events.SetFileState(index, rec.FileName, StateOf(*t));
        outcome.findings.insert(*t);
        outcome.parts[static_cast<size_t>(index)] = *t;
        bytesDone += rec.Size;
        events.Report(Progress{OperationKind::Test, index + 1, count, bytesDone, bytesTotal});
        return true;
      },
      &stopped);
  if (stopped.Raised()) outcome.aborted = true;
  events.Report(WorkEnded{});
  if (outcome.aborted || events.AbortRequested()) {
    outcome.aborted = true;
    events.Report(Finished{OperationKind::Test, Outcome::Interrupted});
    return;
  }

  outcome.authenticated = cipher && cipher->AuthenticatesDefinition() && !outcome.HasErrors();
  outcome.cipher = std::move(cipher);
  Outcome end = Outcome::Completed;
  if (outcome.HasErrors()) {
    if (!options.followUpErrors) events.ShowCompletion(msg::kTestFoundErrors);
    end = Outcome::ProblemsFound;
  } else if (outcome.findings.contains(PartTestResult::Fixable)) {
    outcome.joinRequested = events.AskYesNo(QuestionKind::JoinAfterFixableTest,
                                            msg::kTestFixableQuestion) == Answer::Yes;
    if (!outcome.joinRequested) end = Outcome::ProblemsFound;
  } else {
    outcome.joinRequested = events.AskYesNo(QuestionKind::JoinAfterCleanTest,
                                            msg::kTestNoProblemQuestion) == Answer::Yes;
  }
  events.Report(Finished{OperationKind::Test, end});
}

}  // namespace

std::vector<int> TestOutcome::PartsFound(PartTestResult result) const {
  std::vector<int> found;
  for (std::size_t i = 0; i < parts.size(); ++i)
    if (parts[i] == result) found.push_back(static_cast<int>(i));
  return found;
}

TestOutcome TestSet(const TestRequest& request, const PendantProvider& pendants,
                    OperationEvents& events) {
  TestOutcome outcome;
  outcome.definition = request.loaded;
  TestInto(outcome.definition, request, pendants, events, outcome);
  return outcome;
}

TestOutcome RunTest(const TestRequest& request, const PendantProvider& pendants,
                    OperationEvents& events) {
  TestOutcome outcome;
  outcome.definition = request.loaded;
  OperationResult run =
      RunOperation(events, OperationKind::Test, TestFailure(), [&](OperationEvents& guarded) {
        TestInto(outcome.definition, request, pendants, guarded, outcome);
      });
  static_cast<OperationResult&>(outcome) = std::move(run);
  if (outcome.ending == Outcome::Failed) outcome.ran = false;  // a failure gives no verdict
  return outcome;
}

}  // namespace kivora
