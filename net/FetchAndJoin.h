#pragma once
// The fetch of a set followed by its join, as one workflow for every front end: the set is
// fetched (RunFetch); when files could not be had and recovery parts came, they are
// rebuilt (RunRepair); then the set is joined (RunJoin) with the join's own questions
// (where the output goes, whether an existing one is replaced) asked through the events.
// A front end calls it on the thread that runs its operations, and shows its events as it
// shows every operation's.

#include <optional>

#include "core/OperationEvents.h"
#include "core/PendantProvider.h"
#include "core/operations/JoinOperation.h"
#include "net/FetchOperation.h"

namespace kivora::net {

struct FetchAndJoinOutcome {
  FetchOutcome fetched;
  bool repaired = false;            // files no address served were rebuilt from the recovery parts
  bool joined = false;              // the join completed, with every part whole
  std::optional<JoinOutcome> join;  // when a join ran
};

enum class JoinOffer {
  Join,  // join once the set is had (the user asked for it up front)
  Ask,   // ask first (QuestionKind::JoinFetchedSet), naming the folder; No ends after the fetch
};

// Fetches, repairs when that can give what is missing, and joins. Stops after the fetch
// when it did not complete (stopped, failed, refused), when the set cannot be made whole
// (files missing and no recovery part here), when the user declines, and after the repair
// when files are still missing.
FetchAndJoinOutcome FetchAndJoin(const FetchRequest& request, const PendantProvider& pendants,
                                 OperationEvents& events, JoinOffer offer = JoinOffer::Join);

}  // namespace kivora::net
