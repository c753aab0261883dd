#include "core/operations/TestFollowUp.h"

#include "core/operations/EngineCall.h"
#include "core/operations/RepairOperation.h"
#include "core/text/Messages.h"

namespace kivora {

NextStep OfferNextStep(const TestOutcome& tested, const std::filesystem::path& definition,
                       const PendantProvider& pendants, OperationEvents& events) {
  const auto count = [&](PartTestResult result) {
    return static_cast<int>(tested.PartsFound(result).size());
  };
  const MessageText counts =
      msg::kTestFoundErrorCounts(count(PartTestResult::Missing), count(PartTestResult::Corrupt),
                                 count(PartTestResult::Fixable));
  NextStep next = NextStep::None;
  RunOperation(events, OperationKind::Repair, RepairFailure(), [&](OperationEvents& guarded) {
    const StopCheck stop = [&guarded] { return guarded.AbortRequested(); };
    const RepairOutcome assessed = AssessRecovery(definition, pendants, stop, tested.cipher.get());
    const bool repairable = assessed.found && assessed.damaged > 0 && assessed.rebuildable > 0 &&
                            assessed.partsRebuildable;
    if (repairable) {
      if (guarded.AskYesNo(QuestionKind::RepairFromRecovery,
                           msg::kLineThenLine(counts, msg::kTestNextRepair)) != Answer::Yes)
        return;
      RepairWithCipher(definition, pendants, guarded, tested.cipher.get());
      next = NextStep::Repaired;
      return;
    }
    MessageText text = counts;
    if (assessed.found && assessed.damaged > 0)
      text = msg::kLineThenLine(text,
                                msg::kRepairPartlyPossible(assessed.damaged, assessed.rebuildable));
    if (guarded.AskYesNo(QuestionKind::ResplitDamaged,
                         msg::kLineThenLine(text, msg::kTestNextResplit)) == Answer::Yes)
      next = NextStep::Resplit;
  });
  return next;
}

}  // namespace kivora
