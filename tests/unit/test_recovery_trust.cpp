// Recovery parts are believed only where they agree with the definition; repairs report
// group by group and stop cleanly on an abort or a failure.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "core/Crc32.h"
#include "core/Format.h"
#include "core/KivoraError.h"
#include "core/Messages.h"
#include "core/RecoveryCode.h"
#include "core/RecoveryFormat.h"
#include "core/RecoveryRepair.h"
#include "core/SplitDriver.h"
#include "tests/unit/TestSupport.h"

namespace kivora::test {
namespace {

namespace fs = std::filesystem;
using Snapshot = std::map<std::string, std::vector<std::uint8_t>>;

Snapshot Files(const fs::path& folder) {
  Snapshot files;
  for (const auto& e : fs::directory_iterator(folder))
    files[e.path().filename().string()] = ReadBytes(e.path());
  return files;
}

// A disguised set of `parts` parts of 1 KB from a source of seed 1 whose byte 2500 is
// changed by `alter`, in `folder`.
SplitResult SplitSet(const fs::path& folder, int parts, RecoveryAmount amount,
                     std::uint8_t alter = 0) {
  fs::create_directories(folder);
  auto source = RandomBytes(static_cast<size_t>(parts) * 1024 - 100, 1);
  source[2500] ^= alter;
  WriteBytes(folder.parent_path() / "source.avi", source);
  SplitSettings s;
  s.source = folder.parent_path() / "source.avi";
  s.saveFolder = folder;
  s.baseName = "movie";
  s.partSizeKb = 1;
  s.randomSizes = false;
  s.recovery = amount;
  FakePendants pendants;
  RecordingEvents ui;
  Random random(11);
  SplitResult result;
  EXPECT_TRUE(SplitFile(s, pendants, random, ui, result));
  return result;
}

// Rewrites a recovery part with its header and shard as `change` leaves them, every
// checksum made to match, as a forger would.
void Forge(const fs::path& path,
           const std::function<void(RecoveryHeader&, std::vector<std::uint8_t>&)>& change) {
  const std::vector<std::uint8_t> bytes = ReadBytes(path);
  const RecoveryFileInfo info = *ReadRecoveryInfo(path);
  RecoveryHeader h = info.header;
  std::vector<std::uint8_t> shard(bytes.begin() + info.shardOffset,
                                  bytes.begin() + info.definitionOffset);
  change(h, shard);
  h.shardCrc = StreamCrc32(shard);
  std::vector<std::uint8_t> out(bytes.begin(), bytes.begin() + info.headerOffset);
  for (const auto& piece :
       {EncodeRecoveryHeader(h), shard,
        std::vector<std::uint8_t>(bytes.begin() + info.definitionOffset, bytes.end())}) {
    out.insert(out.end(), piece.begin(), piece.end());
  }
  WriteBytes(path, out);
}

struct TrustCase {
  const char* name;
  // Changes set `a` (b is another set split with the same options).
  std::function<void(const fs::path& a, const fs::path& b)> tamper;
  bool restored;  // the repair brings set a back whole; else it changes nothing
  bool ignored;   // it says that it ignored recovery parts
};

class RecoveryTrustTest : public ::testing::TestWithParam<TrustCase> {};

TEST_P(RecoveryTrustTest, IntactFilesStayAndOnlyAgreeingRecoveryPartsRebuild) {
  TempDir dir;
  const SplitResult a = SplitSet(dir / "a" / "set", 6, {3, 0});
  SplitSet(dir / "b" / "set", 6, {3, 0}, 1);  // differs in part 2 and the definition
  const Snapshot original = Files(dir / "a" / "set");
  GetParam().tamper(dir / "a" / "set", dir / "b" / "set");
  const Snapshot tampered = Files(dir / "a" / "set");
  FakePendants pendants;
  RecordingEvents ui;
  const RepairOutcome outcome = RunRepair(a.definitionPath, false, pendants, ui);
  EXPECT_EQ(outcome.completed, GetParam().restored);
  EXPECT_EQ(Files(dir / "a" / "set"), GetParam().restored ? original : tampered);
  EXPECT_EQ(std::count(ui.errors.begin(), ui.errors.end(), msg::kRepairIgnored325),
            GetParam().ignored ? 1 : 0);
}

const auto kRec = [](const fs::path& set, int i) { return set / Format("movie_rec%02d.png", i); };

INSTANTIATE_TEST_SUITE_P(
    Tampering, RecoveryTrustTest,
    ::testing::Values(
        TrustCase{"AnotherSetsRecoveryParts",
                  [](const fs::path& a, const fs::path& b) {
                    for (int i = 0; i < 3; ++i)
                      fs::copy_file(kRec(b, i), kRec(a, i), fs::copy_options::overwrite_existing);
                  },
                  false, true},
        TrustCase{"OutvotedWithoutDefinition",
                  [](const fs::path& a, const fs::path& b) {
                    fs::remove(a / "movie.kvr");
                    fs::copy_file(kRec(b, 0), kRec(a, 0), fs::copy_options::overwrite_existing);
                  },
                  true, true},
        TrustCase{"ForgedToReplaceAnIntactPart",
                  [](const fs::path& a, const fs::path&) {
                    // The shard and the record of part 2 changed so that they agree with
                    // each other on other bytes for part 2.
                    const auto part = ReadBytes(a / "movie02.png");
                    const auto change = RandomBytes(part.size(), 3);
                    std::vector<std::uint8_t> forged = part, other(part.size());
                    for (size_t i = 0; i < part.size(); ++i) forged[i] ^= change[i];
                    Forge(kRec(a, 0), [&](RecoveryHeader& h, std::vector<std::uint8_t>& shard) {
                      std::uint8_t* parity[] = {shard.data(), other.data(), other.data()};
                      RecoveryCode(6, 3).AddToParity(2, change, parity);
                      h.covered[2].crc = StreamCrc32(forged);
                    });
                  },
                  true, true},
        TrustCase{"ClaimsFortyThousandGroups",
                  [](const fs::path& a, const fs::path&) {
                    for (int i = 0; i < 3; ++i) {
                      Forge(kRec(a, i), [](RecoveryHeader& h, std::vector<std::uint8_t>&) {
                        h.partCount = h.groupCount = 40000;
                        h.perGroup = 254;
                        h.covered.resize(1);
                      });
                    }
                  },
                  false, true},
        TrustCase{"DamagedPicture",
                  [](const fs::path& a, const fs::path&) {
                    auto bytes = ReadBytes(kRec(a, 2));
                    bytes[20] ^= 1;
                    WriteBytes(kRec(a, 2), bytes);
                  },
                  true, false}),
    [](const auto& info) { return std::string(info.param.name); });

// Asks for an abort once the repair has listed the lost part `trigger`.
class AbortOnRow : public RecordingEvents {
 public:
  std::string trigger;
  bool AbortRequested() override {
    return std::any_of(added.begin(), added.end(),
                       [&](const FileRow& r) { return r.caption == trigger; });
  }
};

class RepairInterruptionTest : public ::testing::TestWithParam<bool> {};

// Three groups of 100 parts, each lost its first part; an abort asked for before the
// rebuilding, or a group whose recovery part lies (323): the rows reported are exactly
// the files written, in group order, and the repair does not complete.
TEST_P(RepairInterruptionTest, ReportsExactlyTheGroupsWritten) {
  const bool abort = GetParam();
  TempDir dir;
  const SplitResult split = SplitSet(dir / "set", 300, {0, 10});
  const Snapshot original = Files(dir / "set");
  for (int part : {0, 100, 200}) fs::remove(split.partPaths[part]);
  if (!abort) {
    Forge(dir / "set" / "movie_rec10.png", [](RecoveryHeader&, std::vector<std::uint8_t>& shard) {
      shard = RandomBytes(shard.size(), 4);
    });
  }
  FakePendants pendants;
  AbortOnRow ui;
  ui.trigger = abort ? split.partPaths[0].filename().string() : "-";
  try {
    EXPECT_FALSE(RunRepair(split.definitionPath, false, pendants, ui).completed);
    EXPECT_TRUE(abort);
  } catch (const KivoraError& e) {
    EXPECT_EQ(e.what(), msg::kRepairCheckFailed323);
  }
  std::vector<std::string> reported, written;
  for (const FileRow& row : ui.added) {
    if (row.kind == FileState::Rebuilt) reported.push_back(row.caption);
  }
  for (int part : {0, 100, 200}) {
    const std::string name = split.partPaths[part].filename().string();
    if (!fs::exists(split.partPaths[part])) continue;
    written.push_back(name);
    EXPECT_EQ(ReadBytes(split.partPaths[part]), original.at(name));
  }
  EXPECT_EQ(reported, written);
  EXPECT_EQ(ui.progress.size(), written.size());
  EXPECT_FALSE(fs::exists(split.partPaths[100]));
  EXPECT_TRUE(written.empty() || !abort);
}

INSTANTIATE_TEST_SUITE_P(AbortOrFailure, RepairInterruptionTest, ::testing::Bool());

class LostRecoveryGroupTest : public ::testing::TestWithParam<bool> {};

// Group 2 lost all its recovery parts, group 0 a part: the dry run and the repair both
// say once what stays lost and do not complete; the repair rebuilds the part.
TEST_P(LostRecoveryGroupTest, DryRunAndRepairAgree) {
  const bool dryRun = GetParam();
  TempDir dir;
  const SplitResult split = SplitSet(dir / "set", 300, {0, 10});
  for (int i = 20; i < 30; ++i) fs::remove(kRec(dir / "set", i));
  fs::remove(split.partPaths[0]);
  FakePendants pendants;
  RecordingEvents ui;
  EXPECT_FALSE(RunRepair(split.definitionPath, dryRun, pendants, ui).completed);
  EXPECT_EQ(ui.errors, std::vector<std::string>{std::string(msg::kRepairStaysLost326)});
  EXPECT_EQ(fs::exists(split.partPaths[0]), !dryRun);
}

INSTANTIATE_TEST_SUITE_P(DryOrReal, LostRecoveryGroupTest, ::testing::Bool());

}  // namespace
}  // namespace kivora::test
