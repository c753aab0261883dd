// Recovery parts: written by the split, they rebuild lost or damaged parts, recovery
// parts and the definition byte for byte; too many losses in a group change nothing.

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "core/KivoraError.h"
#include "core/format/RecoveryFormat.h"
#include "core/io/Crc32.h"
#include "core/io/Folder.h"
#include "core/operations/RepairOperation.h"
#include "core/operations/SplitOperation.h"
#include "core/recovery/RecoveryCode.h"
#include "core/recovery/RecoveryWriter.h"
#include "core/text/Messages.h"
#include "tests/support/TestSupport.h"

namespace kivora::test {
namespace {

using Snapshot = std::map<std::string, std::vector<std::uint8_t>>;

Snapshot Files(const std::filesystem::path& folder) {
  Snapshot files;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    if (e.path().extension() != ".avi") files[e.path().filename().string()] = ReadBytes(e.path());
  }
  return files;
}

struct RecoveryCase {
  const char* name;
  int parts;
  bool disguise;
  std::string password;
  bool implant;
  RecoveryAmount amount;
  bool loseDefinition;  // the definition file, or the last part that carries it
};

class RecoverySetTest : public ::testing::TestWithParam<RecoveryCase> {
 protected:
  FakePendants pendants;
  TempDir dir;

  // Splits a source of about `parts` KB into 1 KB parts in `folder`.
  SplitOutcome Split(const std::string& folder, const RecoveryAmount& amount) {
    const RecoveryCase& c = GetParam();
    const auto source = dir / "movie.avi";
    if (!std::filesystem::exists(source)) {
      WriteBytes(source, RandomBytes(static_cast<size_t>(c.parts) * 1024 - 100, 5));
    }
    std::filesystem::create_directories(dir / folder);
    SplitRequest s;
    s.source = source;
    s.saveFolder = dir / folder;
    s.baseName = "movie";
    s.partSizeKb = 1;
    s.randomSizes = false;
    s.disguise = c.disguise;
    s.password = c.password;
    s.implant = c.implant;
    s.recovery = amount;
    RecordingEvents ui;
    Random random(11);
    SplitOutcome result;
    EXPECT_TRUE((result = SplitFile(s, pendants, random, ui)).completed)
        << (ui.errors.empty() ? "" : ui.errors[0]);
    return result;
  }
};

TEST_P(RecoverySetTest, RepairRestoresUpToRLossesPerGroupAndRefusesOneMore) {
  const RecoveryCase& c = GetParam();
  const SplitOutcome plain = Split("without", {});
  const SplitOutcome split = Split("with", c.amount);
  const RecoveryPlan plan = PlanRecovery(c.parts, c.amount);
  ASSERT_EQ(static_cast<int>(split.parts.size()), c.parts);
  ASSERT_EQ(static_cast<int>(split.recoveryFiles.size()), plan.RecoveryCount());

  // The parts and the definition are those of a split without recovery parts.
  Snapshot without = Files(dir / "without");
  const Snapshot written = Files(dir / "with");
  for (const auto& [name, bytes] : without) EXPECT_EQ(written.at(name), bytes) << name;
  EXPECT_EQ(written.size(), without.size() + split.recoveryFiles.size());

  // Up to R losses in every group, the parts and recovery parts chosen at random.
  const std::filesystem::path folder = dir / "with";
  const std::filesystem::path definition =
      c.implant ? split.PartPaths().back() : split.definitionPath;
  std::mt19937 random(1234);
  for (size_t g = 0; g < plan.groups.size(); ++g) {
    std::vector<std::filesystem::path> members;
    for (int i = 0; i < plan.groups[g].partCount; ++i) {
      members.push_back(split.PartPath(static_cast<size_t>(plan.groups[g].firstPart + i)));
    }
    for (int j = 0; j < plan.perGroup; ++j) {
      members.push_back(
          split.recoveryFiles[g * static_cast<size_t>(plan.perGroup) + static_cast<size_t>(j)]
              .path);
    }
    // The definition comes back from a recovery part that is left.
    if (c.loseDefinition && g == 0) std::erase(members, split.recoveryFiles.front().path);
    std::shuffle(members.begin(), members.end(), random);
    if (c.loseDefinition && g + 1 == plan.groups.size() && c.implant) {
      std::erase(members, split.PartPaths().back());
      members.insert(members.begin(), split.PartPaths().back());
    }
    for (int n = 0; n < plan.perGroup && n < static_cast<int>(members.size()); ++n) {
      const auto& victim = members[static_cast<size_t>(n)];
      if (random() % 2 == 0) {
        std::filesystem::remove(victim);
      } else {
        auto bytes = ReadBytes(victim);
        bytes[random() % bytes.size()] ^= 0x5A;
        WriteBytes(victim, bytes);
      }
    }
  }
  if (c.loseDefinition && !c.implant) std::filesystem::remove(definition);

  RecordingEvents ui;
  const RepairOutcome outcome = RunRepair({.definition = definition}, pendants, ui);
  EXPECT_TRUE(outcome.completed) << (ui.errors.empty() ? "" : ui.errors[0]);
  EXPECT_EQ(outcome.rebuilt, outcome.damaged);
  EXPECT_EQ(Files(folder), written);

  // One loss more than a group can bear: a clear failure, and nothing changes.
  for (int i = 0; i <= plan.perGroup && i < c.parts; ++i) {
    std::filesystem::remove(split.PartPath(static_cast<size_t>(i)));
  }
  const Snapshot before = Files(folder);
  if (plan.groups[0].partCount > plan.perGroup) {
    RecordingEvents refused;
    EXPECT_FALSE(RunRepair({.definition = definition}, pendants, refused).completed);
    ASSERT_FALSE(refused.errors.empty());
    EXPECT_EQ(refused.errors[0], msg::kRepairTooManyLost321);
    // Offered after a test, it says how far the recovery parts reach instead.
    RecordingEvents offered;
    EXPECT_FALSE(OfferRepair(definition, pendants, offered));
    const RepairOutcome assessed = AssessRecovery(definition, pendants);
    EXPECT_EQ(offered.infos,
              std::vector<std::string>{
                  msg::kRepairPartlyPossible(assessed.damaged, assessed.rebuildable).Chinese()});
    EXPECT_EQ(Files(folder), before);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sets, RecoverySetTest,
    ::testing::Values(
        RecoveryCase{"OnePlain", 1, false, "", false, {1, 0}, true},
        RecoveryCase{"SevenDisguisedImplanted", 7, true, "", true, {2, 0}, true},
        RecoveryCase{"TwoHundredProtected", 200, true, "secret", false, {0, 5}, false},
        RecoveryCase{"TwoHundredImplantedPlain", 200, false, "", true, {0, 3}, true},
        RecoveryCase{"SixHundredDisguised", 600, true, "", false, {3, 0}, true},
        RecoveryCase{"SixHundredProtectedImplanted", 600, true, "pw", true, {0, 2}, false}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

// Any K of the K + R shards give back every other one, data and parity alike.
TEST(RecoveryCode, AnyKShardsGiveBackTheRest) {
  std::mt19937 random(5);
  for (const auto& [k, r] : {std::pair{1, 1}, {5, 3}, {116, 12}, {40, 200}}) {
    const RecoveryCode code(k, r);
    constexpr std::size_t kLength = 100;
    std::vector<std::vector<std::uint8_t>> shards;
    for (int i = 0; i < k; ++i) shards.push_back(RandomBytes(kLength, static_cast<unsigned>(i)));
    std::vector<std::vector<std::uint8_t>> parity(static_cast<size_t>(r),
                                                  std::vector<std::uint8_t>(kLength));
    std::vector<std::uint8_t*> parityPointers;
    for (auto& p : parity) parityPointers.push_back(p.data());
    for (int i = 0; i < k; ++i) code.AddToParity(i, shards[static_cast<size_t>(i)], parityPointers);
    shards.insert(shards.end(), parity.begin(), parity.end());
    for (int round = 0; round < 20; ++round) {
      std::vector<int> order(static_cast<size_t>(k + r));
      for (int i = 0; i < k + r; ++i) order[static_cast<size_t>(i)] = i;
      std::shuffle(order.begin(), order.end(), random);
      const std::vector<int> used(order.begin(), order.begin() + k);
      const std::vector<int> wanted(order.begin() + k, order.end());
      std::vector<std::uint8_t*> inputs;
      for (const int u : used) inputs.push_back(shards[static_cast<size_t>(u)].data());
      std::vector<std::vector<std::uint8_t>> rebuilt(wanted.size(),
                                                     std::vector<std::uint8_t>(kLength));
      std::vector<std::uint8_t*> outputs;
      for (auto& b : rebuilt) outputs.push_back(b.data());
      code.MakeDecoder(used, wanted).Run(kLength, inputs, outputs);
      for (size_t w = 0; w < wanted.size(); ++w) {
        ASSERT_EQ(rebuilt[w], shards[static_cast<size_t>(wanted[w])])
            << k << "+" << r << " shard " << wanted[w];
      }
    }
  }
}

TEST(RecoveryPlan, GroupsStayWithinTheCodeAndShareTheRecoveryParts) {
  struct Row {
    int parts;
    RecoveryAmount amount;
    int groups;
    int perGroup;
  };
  for (const Row& r : {Row{1, {0, 10}, 1, 1}, Row{7, {0, 10}, 1, 1}, Row{600, {3, 0}, 3, 3},
                       Row{600, {0, 10}, 6, 10}, Row{2098, {0, 10}, 19, 12},
                       Row{245, {10, 0}, 1, 10}, Row{246, {10, 0}, 2, 10}, Row{5, {0, 0}, 0, 0}}) {
    const RecoveryPlan plan = PlanRecovery(r.parts, r.amount);
    EXPECT_EQ(static_cast<int>(plan.groups.size()), r.groups) << r.parts;
    EXPECT_EQ(plan.perGroup, r.perGroup) << r.parts;
    int next = 0;
    for (const RecoveryGroup& g : plan.groups) {
      EXPECT_EQ(g.firstPart, next);
      EXPECT_LE(g.partCount + plan.perGroup,
                r.amount.count > 0 ? kMaxGroupShards : kMaxShareGroupShards);
      EXPECT_LE(plan.groups.front().partCount - g.partCount, 1);
      next += g.partCount;
    }
    EXPECT_EQ(next, plan.groups.empty() ? 0 : r.parts);
  }
  EXPECT_THROW(PlanRecovery(10, {255, 0}), KivoraError);
  EXPECT_THROW(PlanRecovery(10, {0, 101}), KivoraError);
}

TEST(RecoveryNames, SortAfterThePartsAndNeverTakeAPartsName) {
  const RecoveryNaming naming = MakeRecoveryNaming("clip2_", "png", 120, false);
  EXPECT_EQ(RecoveryFileName(naming, 7), "clip2__rec007.png");
  EXPECT_GT(RecoveryFileName(naming, 0), std::string("clip2_99999.png"));
  EXPECT_TRUE(LooksLikeRecoveryName(RecoveryFileName(naming, 0)));
  EXPECT_FALSE(LooksLikeRecoveryName("clip2_00.png"));
}

TEST(RecoveryHeader, RoundTripsAndRefusesAnyChangedByte) {
  RecoveryHeader h;
  h.definitionCrc = 0x11223344;
  h.sourceName = "電影.avi";
  h.sourceSize = 5'000'000'000ULL;
  h.definitionName = "電影.kvr";
  h.partCount = 10;
  h.groupCount = 2;
  h.group = 1;
  h.firstPart = 5;
  h.perGroup = 3;
  h.index = 2;
  h.naming = MakeRecoveryNaming("movie", "png", 6, true);
  h.covered = {{100, 1}, {250, 2}, {7, 3}, {250, 4}, {1, 5}};
  h.shardLength = 250;
  h.stripeLength = RecoveryStripeLength(h.shardLength);
  h.coveredStripes = {{11}, {12}, {13}, {14}, {15}};
  h.shardStripes = {16};
  const std::vector<std::uint8_t> bytes = EncodeRecoveryHeader(h);
  EXPECT_EQ(DecodeRecoveryHeader(bytes), h);
  for (size_t i = 0; i < bytes.size(); ++i) {
    auto changed = bytes;
    changed[i] ^= 1;
    EXPECT_FALSE(DecodeRecoveryHeader(changed)) << i;
  }
  EXPECT_FALSE(DecodeRecoveryHeader(std::span(bytes).first(bytes.size() - 1)));
  h.version = 1;  // still read: no pendant CRC, no stripes
  h.stripeLength = 0;
  h.coveredStripes.clear();
  h.shardStripes.clear();
  EXPECT_EQ(DecodeRecoveryHeader(EncodeRecoveryHeader(h)), h);
}

// A group's recovery parts take their names only in the set's commit, once Finish
// completed them; a writer dropped before handing them over leaves nothing behind, not
// even its hidden files.
TEST(RecoveryWriter, NamesOnlyCompleteRecoveryParts) {
  for (int stage : {0, 1, 2}) {  // dropped before Finish, after it, after the commit
    const bool finish = stage > 0, commit = stage > 1;
    TempDir dir;
    SetTransaction change(dir.path(), "m");
    std::optional<RecoveryWriter> writer(
        std::in_place, RecoveryPlan{1, {{0, 2}, {2, 2}}},
        RecoverySetInfo{dir.path(), "m", MakeRecoveryNaming("m", "png", 2, false), "m.avi", 4,
                        false, true, "m.kvr"},
        change);
    const std::vector<std::uint8_t> picture = FakePicture(10);
    writer->SetPendant(picture);
    for (int part = 0; part < 4; ++part) {
      writer->Append(part, RandomBytes(300, 7));
      writer->PartDone(part);
      EXPECT_FALSE(std::filesystem::exists(dir / "m_rec00.png"));
    }
    EXPECT_TRUE(!finish || writer->Finish(RandomBytes(50, 9), {}));
    EXPECT_FALSE(std::filesystem::exists(dir / "m_rec00.png"));
    if (commit) {
      writer->HandOver();
      change.AddMembers(
          {"m.kvr", {"m00.png", "m01.png", "m02.png", "m03.png"}, {"m_rec00.png", "m_rec01.png"}});
      change.Commit(HiddenFileSync::EachFile);
    }
    writer.reset();
    EXPECT_EQ(Files(dir.path()).size(), commit ? 2U : 0U);
    EXPECT_TRUE(!commit ||
                ReadRecoveryInfo(dir / "m_rec01.png")->header.pendantCrc == StreamCrc32(picture));
  }
}

// The parity does not depend on how the bytes were batched: parts of uneven lengths,
// one empty, handed over in uneven pieces, give the same recovery parts for batches that
// hold everything, that end inside columns and parts, and of single bytes.
TEST(RecoveryWriter, BatchingLeavesTheRecoveryPartsAsTheyAre) {
  const std::vector<std::size_t> lengths = {100000, 70001, 0, 130000, 5, 65536};
  std::optional<Snapshot> first;
  for (const std::size_t batch :
       {RecoveryWriter::kDefaultBatchBytes, std::size_t{40000}, std::size_t{1}}) {
    TempDir dir;
    SetTransaction change(dir.path(), "m");
    RecoveryWriter writer(RecoveryPlan{3, {{0, 4}, {4, 2}}},
                          RecoverySetInfo{dir.path(), "m", MakeRecoveryNaming("m", "png", 6, false),
                                          "m.avi", 305542, false, false, "m.kvr"},
                          change, batch);
    for (int part = 0; part < static_cast<int>(lengths.size()); ++part) {
      const auto bytes = RandomBytes(lengths[static_cast<size_t>(part)], part + 20);
      for (std::size_t at = 0; at < bytes.size(); at += 7777) {
        writer.Append(part,
                      std::span(bytes).subspan(at, std::min<std::size_t>(7777, bytes.size() - at)));
      }
      writer.PartDone(part);
    }
    ASSERT_TRUE(writer.Finish(RandomBytes(50, 9), {}));
    const Snapshot files = Files(dir.path());
    ASSERT_EQ(files.size(), 6U);
    EXPECT_EQ(files, first.value_or(files)) << batch;
    first = files;
  }
}

namespace fs = std::filesystem;
using Path = fs::path;
using Shard = std::vector<std::uint8_t>;

// 120 parts in two groups of 60 with 6 recovery parts each; `alter` changes part 2.
SplitOutcome SplitSet(const Path& folder, std::uint8_t alter) {
  fs::create_directories(folder);
  auto source = RandomBytes(120 * 1024 - 100, 1);
  source[2500] ^= alter;
  WriteBytes(folder / "source.avi", source);
  SplitRequest s;
  s.source = folder / "source.avi";
  s.saveFolder = folder;
  s.partSizeKb = 1;
  s.randomSizes = false;
  s.baseName = "movie";
  s.recovery = {0, 10};
  FakePendants pendants;
  RecordingEvents ui;
  Random random(11);
  SplitOutcome result;
  EXPECT_TRUE((result = SplitFile(s, pendants, random, ui)).completed);
  return result;
}

Path Rec(const Path& set, int i) { return set / fmt::format("movie_rec{:02}.png", i); }
Path Part(const Path& set, int i) { return set / fmt::format("movie{:03}.png", i); }

// Rewrites a recovery part's header and shard as a forger would, checksums matching.
template <typename Change>
void Forge(const Path& path, Change change) {
  Shard bytes = ReadBytes(path);
  const RecoveryFileInfo info = *ReadRecoveryInfo(path);
  RecoveryHeader h = info.header;
  Shard shard(bytes.begin() + info.shardOffset, bytes.begin() + info.definitionOffset);
  change(h, shard);
  h.shardCrc = StreamCrc32(shard);
  const Shard header = EncodeRecoveryHeader(h);
  bytes.erase(bytes.begin() + info.headerOffset, bytes.begin() + info.definitionOffset);
  bytes.insert(bytes.begin() + info.headerOffset, shard.begin(), shard.end());
  bytes.insert(bytes.begin() + info.headerOffset, header.begin(), header.end());
  WriteBytes(path, bytes);
}

enum class RepairRun { Real, DryRun, AbortOnFirstPart };

struct RepairCase {
  const char* name;
  void (*tamper)(const Path& a, const Path& b);  // b: a set one byte apart
  RepairRun run;
  bool completed;
  std::vector<std::string_view> errors;
};

class TamperedSetRepairTest : public ::testing::TestWithParam<RepairCase> {};

// A repair believes recovery parts only where they agree with the definition, never
// writes an intact file, reports exactly the files it wrote and says what stays lost.
TEST_P(TamperedSetRepairTest, WritesOnlyWhatItReportsAndOnlyWhatTheDefinitionRecords) {
  const RepairCase& c = GetParam();
  TempDir dir;
  const SplitOutcome a = SplitSet(dir / "a", 0);
  SplitSet(dir / "b", 1);  // differs in part 2 and the definition
  const Snapshot original = Files(dir / "a");
  c.tamper(dir / "a", dir / "b");
  const Snapshot tampered = Files(dir / "a");
  FakePendants pendants;
  RecordingEvents ui;
  if (c.run == RepairRun::AbortOnFirstPart) ui.abortOnRow = "movie000.png";
  bool completed = false;
  try {
    completed = RunRepair({.definition = a.definitionPath, .dryRun = c.run == RepairRun::DryRun},
                          pendants, ui)
                    .completed;
  } catch (const KivoraError& e) {
    ui.errors.push_back(e.what());
  }
  EXPECT_EQ(completed, c.completed);
  EXPECT_EQ(ui.errors, std::vector<std::string>(c.errors.begin(), c.errors.end()));
  // A file reported rebuilt is the original; any other is as the tampering left it.
  Snapshot expected = tampered;
  for (const FileRow& row : ui.added) {
    if (row.kind == FileState::Rebuilt) expected[row.caption] = original.at(row.caption);
  }
  EXPECT_EQ(Files(dir / "a"), expected);
  EXPECT_TRUE(!completed || expected == original);
  EXPECT_EQ(ui.progress.size(), std::ranges::count(ui.added, FileState::Rebuilt, &FileRow::kind));
}

// `foreign` of the 12 recovery parts are those of set b.
template <int foreign, bool loseDefinition>
void ForeignRecoveryParts(const Path& a, const Path& b) {
  if (loseDefinition) fs::remove(a / "movie.kvr");
  for (int i = 0; i < foreign; ++i)
    fs::copy_file(Rec(b, i), Rec(a, i), fs::copy_options::overwrite_existing);
}
// The shard and the record of part 2 agree with each other on other bytes for it (row
// K + 0 of the code is the same whatever R).
void ForgedToReplaceAnIntactPart(const Path& a, const Path&) {
  Shard part = ReadBytes(Part(a, 2));
  const Shard change = RandomBytes(part.size(), 3);
  for (size_t i = 0; i < part.size(); ++i) part[i] ^= change[i];
  Forge(Rec(a, 0), [&](RecoveryHeader& h, Shard& shard) {
    std::uint8_t* parity[] = {shard.data()};
    RecoveryCode(60, 1).AddToParity(2, change, parity);
    h.covered[2].crc = StreamCrc32(part);
  });
}
void ClaimsFortyThousandGroups(const Path& a, const Path&) {
  for (int i = 0; i < 12; ++i) {
    Forge(Rec(a, i), [](RecoveryHeader& h, Shard&) {
      h.partCount = h.groupCount = 40000;
      h.perGroup = 254;
      h.covered = {{h.shardLength, 0}};
      h.coveredStripes = {h.shardStripes};
    });
  }
}
void DamagedPicture(const Path& a, const Path&) {
  Shard bytes = ReadBytes(Rec(a, 2));
  bytes[20] ^= 1;
  WriteBytes(Rec(a, 2), bytes);
}
void LyingShardInTheLastGroup(const Path& a, const Path&) {
  for (int i : {0, 60}) fs::remove(Part(a, i));
  Forge(Rec(a, 6), [](RecoveryHeader&, Shard& shard) { shard = RandomBytes(shard.size(), 4); });
}
void GroupWithoutRecoveryParts(const Path& a, const Path&) {
  for (int i = 6; i < 12; ++i) fs::remove(Rec(a, i));
  fs::remove(Part(a, 0));
}

using enum RepairRun;
INSTANTIATE_TEST_SUITE_P(
    Cases, TamperedSetRepairTest,
    ::testing::Values(
        // clang-format off
        RepairCase{"AnotherSetsRecoveryParts", ForeignRecoveryParts<12, false>, Real, false, {msg::kRepairIgnored325, msg::kRepairNoRecovery322}},
        RepairCase{"OutvotedWithoutDefinition", ForeignRecoveryParts<2, true>, Real, true, {msg::kRepairIgnored325}},
        RepairCase{"TiedWithoutDefinition", ForeignRecoveryParts<6, true>, Real, false, {msg::kRepairIgnored325, msg::kRepairNoRecovery322}},
        RepairCase{"ForgedToReplaceAnIntactPart", ForgedToReplaceAnIntactPart, Real, true, {msg::kRepairIgnored325}},
        RepairCase{"ClaimsFortyThousandGroups", ClaimsFortyThousandGroups, Real, false, {msg::kRepairIgnored325, msg::kRepairNoRecovery322}},
        RepairCase{"DamagedPicture", DamagedPicture, Real, true, {}},
        RepairCase{"AbortBeforeRebuilding", LyingShardInTheLastGroup, AbortOnFirstPart, false, {}},
        RepairCase{"LyingShardInTheLastGroup", LyingShardInTheLastGroup, Real, false, {msg::kRepairCheckFailed323}},
        RepairCase{"GroupWithoutRecoveryPartsDryRun", GroupWithoutRecoveryParts, DryRun, false, {msg::kRepairStaysLost326}},
        RepairCase{"GroupWithoutRecoveryParts", GroupWithoutRecoveryParts, Real, false, {msg::kRepairStaysLost326}}),
    // clang-format on
    [](const auto& param_info) { return std::string(param_info.param.name); });

// Scattered damage: a byte flipped here and there in more files than a group has recovery
// parts comes back as long as no stripe holds more damaged files than that.
struct StripeCase {
  const char* name;
  std::vector<std::pair<int, int>> flips;  // (file: part, or recovery part after them; stripe)
  bool repairs;
};

class StripeRepairTest : public ::testing::TestWithParam<StripeCase> {};

TEST_P(StripeRepairTest, RebuildsDamagedStripesWhenNoStripeHoldsMoreThanR) {
  constexpr int kParts = 12;
  constexpr std::uint64_t kPart = 256 * 1024;  // four stripes of 64 KiB
  FakePendants pendants;
  TempDir dir;
  WriteBytes(dir / "movie.avi", RandomBytes(kParts * kPart - 100, 8));
  SplitRequest s;
  s.source = dir / "movie.avi";
  s.saveFolder = dir.path();
  s.baseName = "movie";
  s.partSizeKb = static_cast<int>(kPart / 1024);
  s.randomSizes = false;
  s.disguise = false;
  s.recovery = {2, 0};
  RecordingEvents splitUi;
  Random random(3);
  SplitOutcome split;
  ASSERT_TRUE((split = SplitFile(s, pendants, random, splitUi)).completed);
  const Snapshot written = Files(dir.path());
  for (const auto& [file, stripe] : GetParam().flips) {
    const auto path = file < kParts ? split.PartPath(static_cast<size_t>(file))
                                    : split.recoveryFiles[static_cast<size_t>(file - kParts)].path;
    auto bytes = ReadBytes(path);
    // A recovery part's shard starts behind its header: the stripe's last byte is in it.
    const auto at = file < kParts ? stripe * (64 << 10) + 1000
                                  : bytes.size() - 16 - split.definitionSize - 1 -
                                        (kPart - (stripe + 1) * (64 << 10));
    bytes[static_cast<size_t>(at)] ^= 0x20;
    WriteBytes(path, bytes);
  }
  const Snapshot damaged = Files(dir.path());
  RecordingEvents ui;
  const RepairOutcome outcome = RunRepair({.definition = split.definitionPath}, pendants, ui);
  EXPECT_EQ(outcome.completed, GetParam().repairs) << (ui.errors.empty() ? "" : ui.errors[0]);
  EXPECT_EQ(Files(dir.path()), GetParam().repairs ? written : damaged);
  // A refusal names the stripe that holds too much damage, and how much.
  if (!GetParam().repairs) {
    ASSERT_EQ(ui.errors.at(0), msg::kRepairTooManyLost321);
    EXPECT_EQ(ui.errorDetails.at(0), msg::kRepairGroupLost(1, "65,536", "131,071", 3, 2).Chinese());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StripeRepairTest,
    ::testing::Values(
        // clang-format off
        StripeCase{"EightPartsTwoPerStripe", {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 0}, {5, 1}, {6, 2}, {7, 3}}, true},
        StripeCase{"RecoveryPartsDamagedToo", {{0, 0}, {12, 0}, {1, 1}, {13, 2}, {2, 3}, {3, 3}}, true},
        StripeCase{"ThreeInOneStripe", {{0, 1}, {5, 1}, {9, 1}, {2, 0}}, false}),
    // clang-format on
    [](const auto& param_info) { return std::string(param_info.param.name); });

}  // namespace
}  // namespace kivora::test
