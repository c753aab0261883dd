#pragma once
// A fixture that splits a source into a set (fake pendants, fixed seed) and holds the
// loaded definition, for the join, test and re-split tests.

#include <gtest/gtest.h>

#include "core/format/DefinitionReader.h"
#include "core/format/DefinitionRecords.h"
#include "core/operations/SplitOperation.h"
#include "tests/support/TestSupport.h"

namespace kivora::test {

class SetFixture : public ::testing::Test {
 protected:
  FakePendants pendants;
  TempDir dir;
  RecordingEvents ui;
  SplitOutcome split;
  KvrDefinition loaded;
  std::vector<std::uint8_t> content;

  // Splits `size` bytes named `name` with the given settings adjustments and reads
  // the definition back. Returns the definition's path.
  std::filesystem::path MakeSet(size_t size, const std::function<void(SplitRequest&)>& adjust = {},
                                const std::string& name = "movie.avi") {
    return MakeSetOf(RandomBytes(size, static_cast<std::uint32_t>(size) + 1), adjust, name);
  }
  // The same with the given source bytes.
  std::filesystem::path MakeSetOf(std::vector<std::uint8_t> bytes,
                                  const std::function<void(SplitRequest&)>& adjust = {},
                                  const std::string& name = "movie.avi") {
    content = std::move(bytes);
    const auto source = dir / name;
    WriteBytes(source, content);
    SplitRequest s;
    s.source = source;
    s.baseName = ProposedBaseName(source);
    s.partSizeKb = 10;
    s.keyCost = kQuickKeyCost;
    if (adjust) adjust(s);
    RecordingEvents splitUi;
    Random random(7);
    EXPECT_TRUE((split = SplitFile(s, pendants, random, splitUi)).completed)
        << (splitUi.errors.empty() ? "" : splitUi.errors[0]);
    const auto definition = s.implant ? split.PartPaths().back() : split.definitionPath;
    loaded = ReadDefinition(definition, pendants);
    return definition;
  }

  std::filesystem::path PartPath(size_t index) const { return split.PartPath(index); }
};

}  // namespace kivora::test
