#include "net/SendPlan.h"

#include <algorithm>
#include <map>

namespace kivora::net {
namespace {

int CeilDiv(int a, int b) { return (a + b - 1) / b; }

// A group of K parts and R recovery parts loses at most ceil((K + R) / H) files with one
// host when they are dealt in turn; it survives when that is at most R.
bool Survives(int parts, int recovery, int hosts) {
  return hosts >= 2 && CeilDiv(parts + recovery, hosts) <= recovery;
}

}  // namespace

int RecoveryNeededToSpread(int partCount, int hostCount) {
  if (hostCount < 2) return 0;
  for (int r = 1; r <= kMaxRecoveryPerGroup; ++r) {
    const RecoveryPlan plan = PlanRecovery(partCount, {r, 0});
    const bool all = std::all_of(plan.groups.begin(), plan.groups.end(), [&](const auto& g) {
      return Survives(g.partCount, r, hostCount);
    });
    if (all) return r;
  }
  return 0;
}

std::optional<SpreadShortfall> CheckSpread(const RecoveryLayout& layout, int partCount,
                                           int hostCount) {
  const RecoveryPlan none{0, {{0, partCount}}};
  const std::vector<RecoveryGroup>& groups = layout.Any() ? layout.groups : none.groups;
  for (size_t g = 0; g < groups.size(); ++g) {
    const int files = groups[g].partCount + layout.perGroup;
    if (Survives(groups[g].partCount, layout.perGroup, hostCount)) continue;
    return SpreadShortfall{static_cast<int>(g), files, layout.perGroup,
                           RecoveryNeededToSpread(partCount, hostCount),
                           CeilDiv(files, std::max(hostCount, 1))};
  }
  return std::nullopt;
}

SendPlan PlanPlacement(const std::vector<PlannedFile>& files, const RecoveryLayout& layout,
                       size_t hostCount, Placement placement, const HostAccepts& accepts) {
  SendPlan plan;
  plan.hosts.resize(files.size());
  std::map<int, int> groupFiles;
  for (const PlannedFile& f : files) ++groupFiles[f.group];
  std::map<std::pair<int, size_t>, int> held;  // (group, host) -> files placed
  size_t turn = 0;                             // the next host in the round
  for (size_t f = 0; f < files.size(); ++f) {
    const PlannedFile& file = files[f];
    if (placement == Placement::AllCopies || file.everywhere) {
      for (size_t h = 0; h < hostCount; ++h)
        if (accepts(f, h)) plan.hosts[f].push_back(h);
      continue;
    }
    // The share of the group one host may hold; files outside a group have no bound.
    const bool grouped = file.group >= 0 && layout.Any();
    const int share = grouped ? CeilDiv(groupFiles[file.group], static_cast<int>(hostCount))
                              : static_cast<int>(files.size());
    for (size_t k = 0; k < hostCount; ++k) {
      const size_t h = (turn + k) % hostCount;
      if (!accepts(f, h) || held[{file.group, h}] >= share) continue;
      plan.hosts[f].push_back(h);
      ++held[{file.group, h}];
      turn = h + 1;
      break;
    }
  }
  return plan;
}

}  // namespace kivora::net
