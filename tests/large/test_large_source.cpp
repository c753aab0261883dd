// A source of 2.3 GiB, beyond what a signed 32-bit size holds, through split, test,
// re-split of one part and join. The source is sparse with random data at its start,
// on both sides of the 2 GiB mark and at its end; the joined file is compared with it
// by checksum, so the rounds need the parts and one joined copy on disk at a time.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <filesystem>

#include "core/format/DefinitionReader.h"
#include "core/format/LoadedDefinition.h"
#include "core/io/Crc32.h"
#include "core/io/File.h"
#include "core/operations/JoinOperation.h"
#include "core/operations/RepairOperation.h"
#include "core/operations/ResplitOperation.h"
#include "core/operations/SplitOperation.h"
#include "core/operations/TestOperation.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kSourceSize = 0x93333333;  // 2,469,606,195 bytes
constexpr std::int64_t k2GiB = std::int64_t{1} << 31;
constexpr std::uintmax_t kFreeSpaceNeeded = 8'000'000'000;

struct Round {
  const char* name;
  bool disguise;
  bool implant;
  bool plugin;
  bool randomSizes;
  const char* password;
  const char* magic;
  bool encrypt = false;
  int recovery = 0;  // recovery parts per group; one part and the definition are rebuilt
};

// Writes the sparse source with random bytes at its start, on both sides of the 2 GiB
// mark and at its end, and returns its checksum, taken from those bytes and the
// lengths of the holes rather than by reading gigabytes of zeros back.
std::uint32_t WriteSource(const fs::path& source) {
  test::WriteBytes(source, std::vector<std::uint8_t>{});
  fs::resize_file(source, static_cast<std::uintmax_t>(kSourceSize));
  File file = File::OpenReadWrite(source);
  const std::pair<std::int64_t, size_t> islands[] = {
      {0, 1 << 20}, {k2GiB - (3 << 20), 6 << 20}, {kSourceSize - (2 << 20) - 123, (2 << 20) + 123}};
  std::uint32_t crc = 0;
  std::int64_t end = 0;  // of the last island
  const auto zerosUpTo = [&](std::int64_t offset) {
    const auto zeros = static_cast<std::uint64_t>(offset - end);
    crc = Crc32Combine(crc, Crc32OfZeros(zeros), zeros);
  };
  std::uint32_t seed = 1;
  for (const auto& [offset, size] : islands) {
    const std::vector<std::uint8_t> bytes = test::RandomBytes(size, seed++);
    file.Seek(offset);
    file.Write(bytes);
    zerosUpTo(offset);
    crc = Crc32Update(crc, bytes);
    end = offset + static_cast<std::int64_t>(size);
  }
  file.Close();
  zerosUpTo(kSourceSize);
  return crc;
}

long PeakMemoryKb() {
  struct rusage usage {};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

TEST(LargeSource, SplitTestResplitJoinPast2GiB) {
#ifdef KIVORA_SANITIZE
  GTEST_SKIP() << "skipped under the sanitizers: 2.3 GiB through four operations takes too long "
                  "there; the normal build runs it";
#endif
  test::TempDir dir;
  const fs::space_info space = fs::space(dir.path());
  if (space.available < kFreeSpaceNeeded) {
    GTEST_SKIP() << "needs " << kFreeSpaceNeeded << " bytes free in " << dir.path() << ", has "
                 << space.available;
  }
  const fs::path source = dir / "big.bin";
  const std::uint32_t sourceCrc = WriteSource(source);

  test::FakePendants pendants;
  pendants.plugins["set.dll"] = {{101, test::FakePicture(101)}, {150, test::FakePicture(150)}};

  const Round rounds[] = {
      {"plain, definition file", false, false, false, false, "", "KV5"},
      {"disguised with a plug-in and password, implanted", true, true, true, true, "secret", "KV6"},
      {"plain, encrypted, with recovery parts", false, false, false, false, "secret", "KV5", true,
       1},
  };
  for (const Round& round : rounds) {
    SCOPED_TRACE(round.name);
    const fs::path folder = dir / "set";
    fs::create_directory(folder);
    SplitRequest s;
    s.source = source;
    s.saveFolder = folder;
    s.partSizeKb = kMaxPartSizeKb;
    s.randomSizes = round.randomSizes;
    s.baseName = "big";
    s.disguise = round.disguise;
    s.implant = round.implant;
    s.usePlugin = round.plugin;
    s.pluginName = "set.dll";
    s.password = round.password;
    s.encrypt = round.encrypt;
    s.keyCost = test::kQuickKeyCost;  // the bound below is the pipeline's, not the key's
    s.recovery.count = round.recovery;
    test::RecordingEvents ui;
    SplitOutcome split;
    ASSERT_TRUE((split = RunSplit(test::Seeded(s, 7), pendants, ui)).completed)
        << testing::PrintToString(ui.errors);

    const fs::path definition = round.implant ? split.PartPaths().back() : split.definitionPath;
    KvrDefinition loaded;
    ASSERT_TRUE(LoadDefinition(definition, pendants, OperationKind::Join, ui, loaded));
    EXPECT_EQ(loaded.header.Magic, round.magic);
    EXPECT_EQ(loaded.header.SourceSize, kSourceSize);
    EXPECT_EQ(loaded.parts, split.parts);
    EXPECT_EQ(test::ChineseRows(SummaryRows(loaded))[1].second, "2,469,606,195 個位元組");

    const TestOutcome tested =
        RunTest({.definitionPath = definition, .loaded = loaded}, pendants, ui);
    EXPECT_EQ(tested.findings, std::set<PartTestResult>{PartTestResult::Ok});

    // Rebuild the first part that starts beyond 2 GiB.
    std::int64_t start = 0;
    int index = 0;
    while (start < k2GiB) start += loaded.parts[static_cast<size_t>(index++)].Size;
    const fs::path part = folder / loaded.parts[static_cast<size_t>(index)].FileName;
    const std::uint32_t partCrc = FileCrc32(part);
    fs::remove(part);
    ResplitRequest resplit{definition,         source,         std::nullopt,
                           std::vector{index}, round.password, "set.dll"};
    EXPECT_TRUE(RunResplit(test::With(resplit, loaded), pendants, ui).completed)
        << testing::PrintToString(ui.errors);
    EXPECT_EQ(FileCrc32(part), partCrc);
    if (round.recovery > 0) {
      const std::vector<std::uint8_t> definitionBytes = test::ReadBytes(definition);
      fs::remove(part);
      fs::remove(definition);
      EXPECT_TRUE(RunRepair({.definition = definition}, pendants, ui).completed)
          << testing::PrintToString(ui.errors);
      EXPECT_EQ(FileCrc32(part), partCrc);
      EXPECT_EQ(test::ReadBytes(definition), definitionBytes);
    }

    JoinOutcome joined;
    ASSERT_TRUE((joined = RunJoin(
                     test::With(JoinRequest{definition, std::nullopt, std::nullopt, round.password},
                                loaded),
                     pendants, ui))
                    .completed)
        << testing::PrintToString(ui.errors);
    EXPECT_EQ(fs::file_size(joined.output), static_cast<std::uintmax_t>(kSourceSize));
    EXPECT_EQ(FileCrc32(joined.output), sourceCrc);
    EXPECT_TRUE(ui.errors.empty()) << testing::PrintToString(ui.errors);
    fs::remove_all(folder);
  }
  // Parts are streamed in small pieces: nothing near a part, let alone the source, is
  // held in memory.
  EXPECT_LT(PeakMemoryKb(), 256 * 1024);
}

}  // namespace
}  // namespace kivora
