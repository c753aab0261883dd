// Placing a set's files on hosts: a spread leaves every recovery group able to lose any one
// host, and the count of recovery parts it asks for is the least that does.

#include <gtest/gtest.h>

#include <map>

#include "net/SendPlan.h"

namespace kivora::net {
namespace {

// The files of `parts` parts with `perGroup` recovery parts a group, grouped as a split
// groups them, the definition first.
std::vector<PlannedFile> SetOf(int parts, const RecoveryLayout& layout) {
  std::vector<PlannedFile> files{{"d.kvr", 100, FileRole::Definition(), -1, true}};
  const RecoveryPlan plan{layout.perGroup, layout.groups};
  for (int i = 0; i < parts; ++i)
    files.push_back({"p" + std::to_string(i), 1000, FileRole::Part(i),
                     layout.Any() ? plan.GroupOf(i) : -1, false});
  for (int j = 0; j < plan.RecoveryCount(); ++j)
    files.push_back(
        {"r" + std::to_string(j), 1000, FileRole::Recovery(j), j / layout.perGroup, false});
  return files;
}

// The most files of one group that the loss of one host costs.
int WorstLoss(const std::vector<PlannedFile>& files, const SendPlan& plan, size_t hosts) {
  int worst = 0;
  for (size_t h = 0; h < hosts; ++h) {
    std::map<int, int> lost;
    for (size_t f = 0; f < files.size(); ++f) {
      const auto& on = plan.hosts[f];
      if (on.size() == 1 && on.front() == h) worst = std::max(worst, ++lost[files[f].group]);
    }
  }
  return worst;
}

TEST(SendPlan, SpreadAsksForTheLeastRecoveryThatSurvivesALostHost) {
  const struct {
    int parts, hosts;
  } cases[] = {{7, 3}, {11, 2}, {200, 2}, {200, 5}, {40, 4}, {1, 2}};
  for (const auto& c : cases) {
    const int needed = RecoveryNeededToSpread(c.parts, c.hosts);
    ASSERT_GT(needed, 0) << c.parts << "/" << c.hosts;
    for (const int r : {needed - 1, needed}) {
      const RecoveryPlan grouping = PlanRecovery(c.parts, {r, 0});
      const RecoveryLayout layout{r, r > 0 ? grouping.groups : std::vector<RecoveryGroup>{}};
      const auto files = SetOf(c.parts, layout);
      const bool refused = CheckSpread(layout, c.parts, c.hosts).has_value();
      EXPECT_EQ(refused, r < needed) << c.parts << "/" << c.hosts << " r=" << r;
      if (refused) continue;
      const SendPlan plan = PlanPlacement(files, layout, static_cast<size_t>(c.hosts),
                                          Placement::Spread, [](size_t, size_t) { return true; });
      for (size_t f = 0; f < files.size(); ++f)
        EXPECT_EQ(plan.hosts[f].size(), files[f].everywhere ? size_t(c.hosts) : 1u);
      EXPECT_LE(WorstLoss(files, plan, static_cast<size_t>(c.hosts)), r);
    }
  }
}

TEST(SendPlan, NoCopyGoesWhereTheHostRefusesIt) {
  const RecoveryLayout none;
  const auto files = SetOf(6, none);
  for (const Placement placement : {Placement::AllCopies, Placement::Spread}) {
    const SendPlan plan = PlanPlacement(files, none, 3, placement,
                                        [](size_t f, size_t h) { return (f + h) % 3 != 0; });
    for (size_t f = 0; f < files.size(); ++f)
      for (const size_t h : plan.hosts[f]) EXPECT_NE((f + h) % 3, 0u);
  }
}

}  // namespace
}  // namespace kivora::net
