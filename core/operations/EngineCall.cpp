#include "core/operations/EngineCall.h"

#include <filesystem>
#include <new>
#include <system_error>

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

}  // namespace kivora
