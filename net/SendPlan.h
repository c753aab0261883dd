#pragma once
// Where each file of a set goes when it is sent: a copy on every host, or spread over the
// hosts round-robin so that the loss of any one host leaves every recovery group with no
// more files lost than it has recovery parts. Pure planning: nothing here touches a host.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/OperationEvents.h"
#include "core/format/RecoveryFormat.h"

namespace kivora::net {

struct PlannedFile {
  std::string name;
  std::int64_t size = 0;
  FileRole role;
  int group = -1;           // its recovery group; -1 for the definition or without recovery
  bool everywhere = false;  // the definition, or the part that carries it: on every host
};

enum class Placement { AllCopies, Spread };

// The groups of the set's recovery parts as their headers record them.
struct RecoveryLayout {
  int perGroup = 0;                   // R
  std::vector<RecoveryGroup> groups;  // the parts of each group (K each)

  bool Any() const { return perGroup > 0 && !groups.empty(); }
};

struct SendPlan {
  // hosts[f]: the hosts (their indices) that file f goes to, in order.
  std::vector<std::vector<size_t>> hosts;
};

// Why the spread cannot let any one host vanish: the recovery parts a group of the set
// needs per group, and what to run to have them. `needed` is 0 when no count of recovery
// parts helps (fewer than two hosts).
struct SpreadShortfall {
  int group = 0;       // the first group that would not survive
  int files = 0;       // its files, parts and recovery parts
  int have = 0;        // its recovery parts
  int needed = 0;      // recovery parts per group that add-recovery should make
  int loseAtMost = 0;  // files of that group one host holds with the spread
};

// May file `file` go to host `host` (its largest file size, a refusal it gave)?
using HostAccepts = std::function<bool(size_t file, size_t host)>;

// The smallest count of recovery parts per group that lets every group of `partCount`
// parts, as add-recovery would group them, survive the loss of any one of `hostCount`
// hosts; 0 when none does.
int RecoveryNeededToSpread(int partCount, int hostCount);

// Empty when every group survives the loss of any one host when its files are spread.
std::optional<SpreadShortfall> CheckSpread(const RecoveryLayout& layout, int partCount,
                                           int hostCount);

// The plan. A copy never goes where `accepts` refuses; a file no host accepts has no
// hosts (the caller says so). With Spread the files of a group are dealt to the hosts
// in turn, skipping a host that refuses one or that holds its share of the group
// already (ceil(group files / hosts)), so that losing a host costs a group at most that
// many files.
SendPlan PlanPlacement(const std::vector<PlannedFile>& files, const RecoveryLayout& layout,
                       size_t hostCount, Placement placement, const HostAccepts& accepts);

}  // namespace kivora::net
