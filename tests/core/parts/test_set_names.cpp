#include <gtest/gtest.h>

#include "core/parts/SetNames.h"

namespace kivora {
namespace {

KvrDefinition DefinitionOf(const std::vector<std::string>& partNames) {
  KvrDefinition definition;
  for (const std::string& name : partNames) definition.parts.push_back({.FileName = name});
  return definition;
}

// A definition's names give the base and width its part names use, whatever count
// they were numbered for, and from them the lock and the recovery parts' names.
TEST(SetNames, FollowThePartNames) {
  const struct {
    std::vector<std::string> parts;
    std::string definition, base;
    int width;
    std::string lock, firstRecovery;
  } cases[] = {
      {{"movie00.png", "movie01.png"}, "movie.kvr", "movie", 2, "movie", "movie_rec00.png"},
      {{"movie_01.png", "movie_02.png"}, "movie.kvr", "movie_", 2, "movie", "movie__rec01.png"},
      // A stream's parts are numbered for the largest count.
      {{"v00000.png", "v00001.png", "v00002.png"}, "v.kvr", "v", 5, "v", "v_rec00.png"},
      {{"cd1_01", "cd1_02"}, "cd1.kvr", "cd1_", 2, "cd1", "cd1__rec01."},
      {{"a_00.tar.gz", "a_01.tar.gz"}, "a_kvr.tar.gz", "a_", 2, "a", "a__rec00.tar.gz"},
      {{"x7.png", "y.png"}, "x.kvr", "x", 2, "x", "x_rec00.png"},  // no numbering
      {{}, "movie_kvr.png", "", 2, "movie", ""},                   // no parts
  };
  for (const auto& c : cases) {
    const SetNames names = SetNames::Of(DefinitionOf(c.parts), "dir/" + c.definition);
    EXPECT_EQ(names.Base(), c.base) << c.definition;
    EXPECT_EQ(names.Width(), c.width) << c.definition;
    EXPECT_EQ(names.LockName(), c.lock) << c.definition;
    if (!c.parts.empty()) {
      EXPECT_EQ(RecoveryFileName(names.Recovery(2), 0), c.firstRecovery) << c.definition;
    }
    for (size_t i = 0; i < c.parts.size(); ++i)
      EXPECT_EQ(names.PartPath(static_cast<int>(i)), "dir/" + c.parts[i]);
  }
  EXPECT_EQ(SetNames::Of({}, "v.kvr").Folder(), ".");
}

// A split of a file and of a stream under one base name meet on the lock and the
// recovery names the definition of either gives.
TEST(SetNames, SplitAndDefinitionAgree) {
  for (const std::optional<int> count : {std::optional<int>{}, std::optional(3)}) {
    const SetNames split = SetNames::ForSplit({"out", "v", "png", false, false}, count);
    std::vector<std::string> parts;
    for (int i = 0; i < count.value_or(3); ++i) parts.push_back(split.PartName(i));
    const SetNames read = SetNames::Of(DefinitionOf(parts), split.DefinitionPath());
    EXPECT_EQ(split.LockName(), "v");
    EXPECT_EQ(read.LockName(), "v");
    EXPECT_EQ(read.Recovery(3), split.Recovery(3));
    EXPECT_EQ(split.Recovery(3).prefix, "v_rec");
  }
  EXPECT_EQ(SetNames::ForSplit({"out", "v_", "png", false, true}, 0).LockName(), "v");
}

}  // namespace
}  // namespace kivora
