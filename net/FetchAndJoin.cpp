#include "net/FetchAndJoin.h"

#include <algorithm>
#include <system_error>

#include "core/format/LoadedDefinition.h"
#include "core/operations/EngineCall.h"
#include "core/operations/RepairOperation.h"
#include "net/FetchMessages.h"
#include "net/FetchProof.h"

namespace kivora::net {

FetchAndJoinOutcome FetchAndJoin(const FetchRequest& request, const PendantProvider& pendants,
                                 OperationEvents& events, JoinOffer offer) {
  FetchAndJoinOutcome result;
  result.fetched = RunFetch(request, pendants, events);
  const FetchOutcome& fetched = result.fetched;
  if (fetched.stopped || fetched.refused || fetched.failed || fetched.definitionPath.empty())
    return result;
  const bool recoveryHere = std::any_of(
      fetched.files.begin(), fetched.files.end(),
      [](const FetchedFile& f) { return f.role.kind == FileRole::Kind::Recovery && f.Here(); });
  if (!fetched.Whole() && !recoveryHere) return result;
  if (offer == JoinOffer::Ask) {
    const std::string folder = fetched.definitionPath.parent_path().string();
    const MessageText question =
        fetched.Whole() ? texts::kJoinFetchedSet(folder) : texts::kRepairAndJoinFetchedSet(folder);
    if (events.AskYesNo(QuestionKind::JoinFetchedSet, question) != Answer::Yes) return result;
  }
  if (!fetched.Whole()) {
    const RepairOutcome repair = RunRepair(
        {.definition = fetched.definitionPath, .password = request.password}, pendants, events);
    if (!repair.completed) return result;
    result.repaired = true;
    // What came of the files the repair rebuilt is of no more use.
    for (const FetchedFile& f : fetched.files) {
      std::error_code ignored;
      if (!f.Here())
        std::filesystem::remove(fetched.definitionPath.parent_path() / PartialName(f.name),
                                ignored);
    }
  }
  KvrDefinition loaded;
  if (!LoadDefinition(fetched.definitionPath, pendants, OperationKind::Join, events, loaded))
    return result;
  JoinRequest join;
  join.definitionPath = fetched.definitionPath;
  join.password = request.password;
  join.loaded = std::move(loaded);
  JoinOutcome joined = RunJoin(join, pendants, events);
  result.joined = joined.completed && !joined.Incomplete();
  result.join = std::move(joined);
  return result;
}

}  // namespace kivora::net
