#include "core/StateTexts.h"

#include "core/text/Messages.h"

namespace kivora {

MessageText StateText(FileState state) {
  switch (state) {
    case FileState::Listed:
      return {};
    case FileState::Split:
      return msg::kStateSplit;
    case FileState::Disguised:
      return msg::kStateDisguised;
    case FileState::DefinitionCreated:
      return msg::kStateCreated;
    case FileState::DefinitionImplanted:
      return msg::kStateImplanted;
    case FileState::Ok:
      return msg::kStateOk;
    case FileState::Fixable:
      return msg::kStateFixable;
    case FileState::KeptBack:
      return msg::kStateKeptBack;
    case FileState::Missing:
      return msg::kStateMissing;
    case FileState::Corrupt:
      return msg::kStateCorrupt;
    case FileState::Joined:
      return msg::kStateJoined;
    case FileState::Resplit:
      return msg::kStateResplit;
    case FileState::Redisguised:
      return msg::kStateRedisguised;
    case FileState::Mismatch:
      return msg::kStateMismatch;
    case FileState::Recovery:
      return msg::kStateRecovery;
    case FileState::Rebuilt:
      return msg::kStateRebuilt;
    case FileState::Sent:
      return msg::kStateSent;
    case FileState::OnHost:
      return msg::kStateOnHost;
    case FileState::Refused:
      return msg::kStateRefused;
    case FileState::NotSent:
      return msg::kStateNotSent;
  }
  return {};
}

MessageText FailureClosing(OperationKind operation) {
  switch (operation) {
    case OperationKind::Load:
    case OperationKind::Split:
      return msg::kSplitFailedClosing;
    case OperationKind::Resplit:
      return msg::kResplitFailedClosing;
    case OperationKind::Test:
      return msg::kTestFailedClosing;
    case OperationKind::Join:
      return msg::kJoinFailedClosing;
    case OperationKind::Repair:
      return msg::kRepairFailedClosing;
    case OperationKind::AddRecovery:
      return msg::kAddRecoveryFailedClosing;
    case OperationKind::Fetch:
      return msg::kFetchFailedClosing;
    case OperationKind::Send:
      return msg::kSendFailedClosing;
  }
  return {};
}

}  // namespace kivora
