#include "core/operations/EngineCall.h"

#include <filesystem>
#include <new>
#include <system_error>
#include <variant>

#include "core/operations/SplitOperation.h"
#include "core/text/Messages.h"

namespace kivora {

MessageText ReasonOf(const std::exception& e) {
  if (const auto* fs = dynamic_cast<const std::filesystem::filesystem_error*>(&e)) {
    const std::string path = fs->path1().string();
    const std::string reason = fs->code().message();
    return path.empty() ? MessageText::Plain(reason) : msg::kPathReason(path, reason);
  }
  if (const auto* sys = dynamic_cast<const std::system_error*>(&e)) {
    return MessageText::Plain(sys->code().message());
  }
  if (dynamic_cast<const std::bad_alloc*>(&e)) return msg::kOutOfMemory;
  return MessageText::Plain(e.what());
}

OperationFailure SplitFailure(const SplitOutcome& result) {
  // The parts a failed split left stay listed.
  return {msg::kSplitFailedClosing, msg::kOutOfMemory111, true, [&result](OperationEvents& events) {
            for (const FileStateChanged& left : result.leftByFailure) events.Report(left);
            ReportSplitEnd(events,
                           result.partsLeftByFailure ? SplitEnd::PartsLeft : SplitEnd::NothingLeft);
          }};
}
OperationFailure JoinFailure() { return {msg::kJoinFailedClosing, msg::kOutOfMemory222}; }
OperationFailure ResplitFailure() { return {msg::kResplitFailed311, msg::kOutOfMemory222}; }
OperationFailure TestFailure() { return {msg::kTestFailedClosing}; }
OperationFailure RepairFailure() { return {msg::kRepairFailedClosing}; }
OperationFailure AddRecoveryFailure() { return {msg::kAddRecoveryFailedClosing}; }

void GuardedEvents::Report(const OperationEvent& event) {
  if (std::holds_alternative<WorkStarted>(event)) {
    working_ = true;
    awaitsFinish_ = true;
  } else if (std::holds_alternative<WorkEnded>(event)) {
    working_ = false;
  } else if (const auto* finished = std::get_if<Finished>(&event)) {
    awaitsFinish_ = false;
    result_.ending = finished->outcome;
  } else if (std::holds_alternative<FilesCleared>(event)) {
    rows_.clear();
    result_.files.clear();
  } else if (const auto* file = std::get_if<FileStateChanged>(&event)) {
    const auto [row, added] = rows_.try_emplace(file->role, result_.files.size());
    if (added) {
      result_.files.push_back(*file);
    } else {
      result_.files[row->second] = *file;
    }
  }
  events_.Report(event);
}

void GuardedEvents::CloseWork() {
  if (working_) Report(WorkEnded{});
  if (awaitsFinish_) {
    Report(Finished{operation_, AbortRequested() ? Outcome::Interrupted : Outcome::Failed});
  }
}

}  // namespace kivora
