#include "core/operations/TestFollowUp.h"

#include "core/operations/RepairOperation.h"
#include "core/text/Messages.h"

namespace kivora {

NextStep OfferNextStep(const VerifyOutcome& tested, const std::filesystem::path& definition,
                       const PendantProvider& pendants, OperationEvents& events) {
  const StopCheck stop = [&events] { return events.AbortRequested(); };
  const RepairOutcome assessed = AssessRecovery(definition, pendants, stop, tested.cipher.get());
  const MessageText counts =
      msg::kTestFoundErrorCounts(static_cast<int>(tested.missingParts.size()),
                                 static_cast<int>(tested.corruptParts.size()), tested.fixableParts);
  const bool repairable = assessed.found && assessed.damaged > 0 && assessed.rebuildable > 0 &&
                          assessed.partsRebuildable;
  if (repairable) {
    if (events.AskYesNo(QuestionKind::RepairFromRecovery,
                        msg::kLineThenLine(counts, msg::kTestNextRepair)) != Answer::Yes)
      return NextStep::None;
    RepairWithCipher(definition, pendants, events, tested.cipher.get());
    return NextStep::Repaired;
  }
  MessageText text = counts;
  if (assessed.found && assessed.damaged > 0)
    text = msg::kLineThenLine(text,
                              msg::kRepairPartlyPossible(assessed.damaged, assessed.rebuildable));
  return events.AskYesNo(QuestionKind::ResplitDamaged,
                         msg::kLineThenLine(text, msg::kTestNextResplit)) == Answer::Yes
             ? NextStep::Resplit
             : NextStep::None;
}

}  // namespace kivora
