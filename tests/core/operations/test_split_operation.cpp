#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <numeric>
#include <set>

#include "core/KivoraError.h"
#include "core/format/DefinitionReader.h"
#include "core/io/Crc32.h"
#include "core/io/File.h"
#include "core/io/SaveFolder.h"
#include "core/operations/SplitOperation.h"
#include "core/parts/PartWriter.h"
#include "core/parts/Rounding.h"
#include "core/payload/Scramblers.h"
#include "core/text/Messages.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

using Bytes = std::vector<std::uint8_t>;

class SplitTest : public ::testing::Test {
 protected:
  test::FakePendants pendants;
  test::TempDir dir;
  test::RecordingEvents ui;
  SplitOutcome result;

  SplitRequest Settings(const Bytes& content, const std::string& name = "movie.avi") {
    const auto source = dir / name;
    test::WriteBytes(source, content);
    SplitRequest s;
    s.source = source;
    s.baseName = "movie";
    return s;
  }
  bool Split(const SplitRequest& s) {
    return (result = RunSplit(test::Seeded(s, 42), pendants, ui)).completed;
  }
  std::vector<std::string> FilesInDir() {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
      names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(SplitTest, FixedSizesAndNames) {
  SplitRequest s = Settings(test::RandomBytes(1024000));
  s.randomSizes = false;
  s.disguise = false;
  ASSERT_TRUE(Split(s));
  ASSERT_EQ(result.parts.size(), 2u);
  EXPECT_EQ(result.parts[0].Size, 512000);
  EXPECT_EQ(result.parts[1].Size, 512000);
  EXPECT_EQ(FilesInDir(),
            (std::vector<std::string>{"movie.avi", "movie.kvr", "movie00.png", "movie01.png"}));
  EXPECT_EQ(ui.infos, std::vector<std::string>{std::string(msg::kSplitCompleted)});
  ASSERT_EQ(ui.files.size(), 3u);
  EXPECT_EQ(ui.files[2].caption, "movie.kvr");  // the definition follows the parts
  EXPECT_EQ(ui.files[2].state, msg::kStateCreated);
  EXPECT_EQ(ui.files[0].state, msg::kStateSplit);
  EXPECT_EQ(ui.progress.back().done, 2);
  EXPECT_EQ(ui.progress.back().total, 2);

  // A plain part is the slice of the source, whatever the password.
  const Bytes source = test::ReadBytes(s.source);
  const Bytes part1 = test::ReadBytes(dir / "movie01.png");
  EXPECT_TRUE(std::equal(part1.begin(), part1.end(), source.begin() + 512000));
  EXPECT_EQ(result.parts[1].Crc, StreamCrc32(part1));
}

TEST_F(SplitTest, OneByteMoreMakesAThirdPart) {
  SplitRequest s = Settings(test::RandomBytes(1024001));
  s.randomSizes = false;
  s.numberFromOne = true;
  ASSERT_TRUE(Split(s));
  ASSERT_EQ(result.parts.size(), 3u);
  EXPECT_EQ(result.parts[2].Size, 1);
  EXPECT_EQ(result.parts[0].FileName, "movie01.png");
  EXPECT_EQ(result.parts[2].FileName, "movie03.png");
}

TEST_F(SplitTest, RandomSizesComeInPairs) {
  for (int kb : {10, 99, 100, 500}) {
    SplitRequest s;
    s.partSizeKb = kb;
    s.randomSizes = true;
    const std::int64_t base = kb * 1024;
    const std::int64_t total = base * 9 + 77;
    Random random(kb);
    const auto sizes = PlanPartSizes(total, s, random);
    ASSERT_EQ(sizes.size(), 10u);
    EXPECT_EQ(std::accumulate(sizes.begin(), sizes.end(), std::int64_t{0}), total);
    for (size_t i = 0; i + 2 < sizes.size(); i += 2) {
      EXPECT_EQ(sizes[i] + sizes[i + 1], 2 * base) << kb << " pair " << i;
      const std::int64_t r = (base - sizes[i]) / 1024;
      EXPECT_EQ((base - sizes[i]) % 1024, 0);
      if (kb < 100) {
        EXPECT_LE(r, 9);
      } else {
        EXPECT_TRUE(r == 0 || (r >= 10 && r <= 99)) << r;  // 1..9 become 10..90
      }
    }
    for (auto size : sizes) EXPECT_GE(size, 1);
  }
}

TEST_F(SplitTest, GuardsRefuseBeforeWriting) {
  // Part size in KB, random sizes, source bytes, and the message of a refusal.
  struct Case {
    int kb;
    bool random;
    std::int64_t total;
    std::string error;
  };
  const std::string tooLarge = msg::kSourceTooLarge157("1,099,444,519,936").Chinese();
  const std::vector<Case> cases = {
      {9, true, 100000, std::string(msg::kRandomSizeTooSmall)},
      {9, false, 100000, ""},
      {1, false, 32767LL * 1024, ""},
      {1, false, 32767LL * 1024 + 1, msg::kTooManyParts(2).Chinese()},  // names the size that fits
      {50, true, 0x93333333LL, msg::kTooManyParts(74).Chinese()},       // 2.3 GiB
      {74, true, 0x93333333LL, ""},
      {32767, false, 0x80000000LL, ""},  // 2 GiB and more are split
      {32767, false, kMaxSourceSize, ""},
      {32767, false, kMaxSourceSize + 1, tooLarge},
      {32768, false, 10, "最大分割檔大小為 32767 KB"},
  };
  for (const Case& c : cases) {
    SplitRequest s;
    s.partSizeKb = c.kb;
    s.randomSizes = c.random;
    Random random(1);
    std::string error;
    try {
      const auto sizes = PlanPartSizes(c.total, s, random);
      EXPECT_EQ(std::accumulate(sizes.begin(), sizes.end(), std::int64_t{0}), c.total);
    } catch (const KivoraError& e) {
      error = e.what();
    }
    EXPECT_EQ(error, c.error) << c.kb << " KB, " << c.total << " bytes";
  }

  // Through the driver: a sparse source beyond the largest set is refused and nothing
  // is written.
  SplitRequest big = Settings({});
  std::filesystem::resize_file(big.source, static_cast<std::uintmax_t>(kMaxSourceSize + 1));
  EXPECT_FALSE(Split(big));
  EXPECT_EQ(ui.errors, std::vector<std::string>{tooLarge});
  EXPECT_EQ(ui.warnings, std::vector<std::string>{std::string(msg::kSplitFailedClosing)});
  EXPECT_EQ(FilesInDir(), std::vector<std::string>{"movie.avi"});
}

TEST_F(SplitTest, NumberWidthFollowsPartCount) {
  SplitRequest s = Settings(test::RandomBytes(100 * 1024 + 5));
  s.partSizeKb = 1;
  s.randomSizes = false;
  s.disguise = false;
  ASSERT_TRUE(Split(s));
  ASSERT_EQ(result.parts.size(), 101u);
  EXPECT_EQ(result.parts.front().FileName, "movie000.png");
  EXPECT_EQ(result.parts.back().FileName, "movie100.png");
  EXPECT_EQ(NumberWidth(99), 2);
  EXPECT_EQ(NumberWidth(100), 3);
  EXPECT_EQ(NumberWidth(0), 2);
}

TEST_F(SplitTest, DisguisedPartsCarryPendantAndScrambledPayload) {
  SplitRequest s = Settings(test::RandomBytes(300000));
  s.partSizeKb = 100;
  ASSERT_TRUE(Split(s));
  const Bytes source = test::ReadBytes(s.source);
  size_t offset = 0;
  std::map<int, int> seen;
  for (const PartRecord& rec : result.parts) {
    const Bytes part = test::ReadBytes(dir / rec.FileName);
    ++seen[rec.PendantNo];
    const Bytes pendant = test::FakePicture(rec.PendantNo);
    ASSERT_EQ(rec.PendantSize, static_cast<std::int32_t>(pendant.size()));
    ASSERT_EQ(part.size(), pendant.size() + static_cast<size_t>(rec.Size));
    EXPECT_TRUE(std::equal(pendant.begin(), pendant.end(), part.begin()));
    EXPECT_EQ(rec.PartCrc, StreamCrc32(part));
    // Without a password the key is the part's own name.
    Bytes payload(part.begin() + rec.PendantSize, part.end());
    ScrambleStream(payload, rec.FileName, 1);
    EXPECT_EQ(StreamCrc32(payload), rec.Crc);
    EXPECT_TRUE(std::equal(payload.begin(), payload.end(),
                           source.begin() + static_cast<std::ptrdiff_t>(offset)));
    offset += payload.size();
  }
  EXPECT_EQ(offset, source.size());
  EXPECT_EQ(ui.files[0].state, msg::kStateDisguised);

  const KvrDefinition def = ReadDefinition(dir / "movie.kvr", pendants);
  EXPECT_EQ(def.header.Magic, "KV3");
  EXPECT_TRUE(def.header.Disguised);
  EXPECT_FALSE(def.header.Protected);
  EXPECT_EQ(def.parts, result.parts);
}

TEST_F(SplitTest, PasswordKeysEveryPart) {
  SplitRequest s = Settings(test::RandomBytes(5000));
  s.partSizeKb = 10;
  s.password = "秘密";
  ASSERT_TRUE(Split(s));
  EXPECT_TRUE(result.header.Protected);
  const PartRecord& rec = result.parts[0];
  const Bytes part = test::ReadBytes(dir / rec.FileName);
  Bytes payload(part.begin() + rec.PendantSize, part.end());
  ScrambleStream(payload, "\xAF\xB5\xB1\x4B", 1);  // 秘密 in Big5
  EXPECT_EQ(StreamCrc32(payload), rec.Crc);
}

TEST_F(SplitTest, ImplantedDefinitionAndNaming) {
  SplitRequest s = Settings(test::RandomBytes(250000), "clip2.avi");
  s.baseName = ProposedBaseName(s.source);
  EXPECT_EQ(s.baseName, "clip2_");
  s.partSizeKb = 100;
  s.implant = true;
  s.comment = "註解";
  ASSERT_TRUE(Split(s));
  EXPECT_EQ(FilesInDir(), (std::vector<std::string>{"clip2.avi", "clip2_00.png", "clip2_01.png",
                                                    "clip2_02.png"}));
  EXPECT_EQ(result.definitionPath.filename(), "clip2.kvr");
  EXPECT_EQ(result.definitionSize, 0);
  EXPECT_EQ(ui.files[3].caption, "clip2.kvr");
  EXPECT_EQ(ui.files[3].state, msg::kStateImplanted);

  const KvrDefinition def = ReadDefinition(dir / "clip2_02.png", pendants);
  EXPECT_TRUE(def.implanted);
  EXPECT_EQ(def.header.Comment, "註解");
  EXPECT_EQ(def.parts, result.parts);
  // The last part's checksum describes it without the definition.
  const Bytes last = test::ReadBytes(dir / "clip2_02.png");
  const auto& rec = result.parts.back();
  const size_t partLength = static_cast<size_t>(rec.PendantSize + rec.Size);
  EXPECT_GT(last.size(), partLength + 4);
  EXPECT_EQ(StreamCrc32(std::span(last).first(partLength)), rec.PartCrc);
}

TEST_F(SplitTest, DefinitionNameForms) {
  SplitRequest s;
  s.source = "/x/movie.avi";
  s.baseName = "movie_";
  EXPECT_EQ(SplitSetNames(s, 12).DefinitionPath(), "/x/movie.kvr");
  s.kvrExtension = true;
  s.extension = "jpg";
  EXPECT_EQ(SplitSetNames(s, 12).DefinitionPath(), "/x/movie_kvr.jpg");
  s.saveFolder = "/out";
  EXPECT_EQ(SplitSetNames(s, 12).DefinitionPath(), "/out/movie_kvr.jpg");
  EXPECT_EQ(SplitSetNames(s, 12).PartName(3), "movie_03.jpg");
  EXPECT_EQ(ProposedBaseName("/a/clip.avi"), "clip");
  EXPECT_EQ(ProposedBaseName("/a/a.tar.gz"), "a.tar");
  EXPECT_EQ(ProposedBaseName("/a/track01.wav"), "track01_");
  EXPECT_EQ(ProposedBaseName("/a/.profile"), "");
}

TEST_F(SplitTest, EmptySourceWritesEmptyDefinition) {
  SplitRequest s = Settings({});
  ASSERT_TRUE(Split(s));
  EXPECT_TRUE(result.parts.empty());
  EXPECT_EQ(ReadDefinition(dir / "movie.kvr", pendants).header.PartCount, 0);
}

TEST_F(SplitTest, AbortDeletesWrittenParts) {
  SplitRequest s = Settings(test::RandomBytes(100000));
  s.partSizeKb = 10;
  s.randomSizes = false;
  ui.abortAfterProgress = 3;
  EXPECT_FALSE(Split(s));
  EXPECT_EQ(ui.progress.size(), 3u);
  EXPECT_EQ(FilesInDir(), std::vector<std::string>{"movie.avi"});
  EXPECT_TRUE(ui.files.empty());
  EXPECT_EQ(ui.warnings, std::vector<std::string>{std::string(msg::kSplitInterrupted)});
}

// A source written to during the split (same size, so only its times tell) leaves no
// part behind, plain or disguised.
TEST_F(SplitTest, SourceChangedDuringTheSplitLeavesNoPart) {
  // Each part begins with a check for an abort; the source grows at every check.
  struct WritingEvents : test::RecordingEvents {
    std::filesystem::path source;
    bool AbortRequested() override {
      File file = File::OpenReadWrite(source);
      file.WriteAt(file.Size(), std::vector<std::uint8_t>{0x55});
      return RecordingEvents::AbortRequested();
    }
  };
  for (const bool disguise : {false, true}) {
    SplitRequest s = Settings(test::RandomBytes(3 * 1024 * 1024));
    s.partSizeKb = 512;
    s.disguise = disguise;
    WritingEvents events;
    events.source = s.source;
    EXPECT_FALSE((result = RunSplit(test::Seeded(s, 42), pendants, events)).completed);
    EXPECT_EQ(FilesInDir(), std::vector<std::string>{"movie.avi"}) << disguise;
    ASSERT_FALSE(events.errors.empty());
    EXPECT_EQ(events.errors.front(), std::string(msg::kSourceChangedDuringSplit133));
  }
}

// A split into a folder that holds a set of the same name leaves that set as it was
// unless the split completes: parts whose names are taken wait beside them and replace
// them together at the end. A failure at part k (a folder of its name) leaves exactly
// the new parts before it, listed after the split's closing, and none after it, whichever
// writer was first.
struct Ending {
  const char* name;
  int partKb;  // 10: two writers; 100: one
  int abortAfterProgress;
  int failAt;
};
class SplitOverSetTest : public SplitTest, public ::testing::WithParamInterface<Ending> {};

TEST_P(SplitOverSetTest, OldSetStaysUnlessTheSplitCompletes) {
  const Ending& e = GetParam();
  const auto base = static_cast<size_t>(e.partKb) * 1024;
  SplitRequest s = Settings(test::RandomBytes(4 * base, 9), "old.avi");
  s.saveFolder = dir / "set";
  s.partSizeKb = e.partKb;
  s.randomSizes = s.disguise = false;
  std::filesystem::create_directory(*s.saveFolder);
  ASSERT_TRUE(Split(s));
  std::map<std::string, Bytes> before;
  for (const auto& f : std::filesystem::directory_iterator(*s.saveFolder))
    before[f.path().filename().string()] = test::ReadBytes(f.path());

  const Bytes content = test::RandomBytes(10 * base, 3);
  s.source = Settings(content, "new.avi").source;
  if (e.failAt >= 0)
    std::filesystem::create_directory(*s.saveFolder / SplitSetNames(s, 10).PartName(e.failAt));
  test::RecordingEvents events;
  events.abortAfterProgress = e.abortAfterProgress;
  const bool completed = (result = RunSplit(test::Seeded(s, 42), pendants, events)).completed;
  ASSERT_EQ(completed, e.abortAfterProgress < 0 && e.failAt < 0);

  for (int i = 0; i < 10; ++i) {
    const std::string name = SplitSetNames(s, 10).PartName(i);
    const Bytes slice(content.begin() + i * base, content.begin() + (i + 1) * base);
    if (completed || (!before.count(name) && i < e.failAt)) {
      EXPECT_EQ(test::ReadBytes(*s.saveFolder / name), slice) << name;
      EXPECT_TRUE(events.files.count(i)) << name;  // still listed after the closing
    } else if (!before.count(name) && i != e.failAt) {
      EXPECT_FALSE(std::filesystem::exists(*s.saveFolder / name)) << name;
    }
  }
  // Nothing left behind under a hidden name, and the old set's files as they were.
  for (const auto& f : std::filesystem::directory_iterator(*s.saveFolder))
    EXPECT_FALSE(f.path().filename().string().starts_with('.')) << f.path();
  for (const auto& [name, bytes] : before)
    EXPECT_TRUE(completed || test::ReadBytes(*s.saveFolder / name) == bytes) << name;
}

INSTANTIATE_TEST_SUITE_P(Endings, SplitOverSetTest,
                         ::testing::Values(Ending{"Completes", 10, -1, -1},
                                           Ending{"Aborted", 10, 6, -1},
                                           Ending{"FailsTwoWriters", 10, -1, 7},
                                           Ending{"FailsOneWriter", 100, -1, 7}),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

TEST_F(SplitTest, PendantSetProblems) {
  SplitRequest s = Settings(test::RandomBytes(1000));
  s.usePlugin = true;
  s.pluginName = "missing.dll";
  s.disguise = false;  // the set is needed even without disguise
  EXPECT_FALSE(Split(s));
  EXPECT_EQ(ui.errors, std::vector<std::string>{std::string(msg::kNoPendants)});

  pendants.plugins["mine.dll"] = {{101, test::FakePicture(101)}};
  s.pluginName = "mine.dll";
  s.disguise = true;
  ASSERT_TRUE(Split(s));
  EXPECT_EQ(result.header.Magic, "KV4");
  EXPECT_EQ(result.header.PluginChecksum, pendants.checksum);
  // A set of one picture gives every part that picture.
  for (const auto& p : result.parts) EXPECT_EQ(p.PendantNo, 101);
}

TEST(RoundHalfAway, HalvesGoAwayFromZero) {
  EXPECT_EQ(RoundHalfAway(0.5L), 1);
  EXPECT_EQ(RoundHalfAway(2.5L), 3);
  EXPECT_EQ(RoundHalfAway(-1.5L), -2);
  EXPECT_EQ(RoundHalfAway(-0.5L), -1);
  EXPECT_EQ(RoundHalfAway(1.49L), 1);
  EXPECT_EQ(RoundHalfAway(0.0L), 0);
}

TEST_F(SplitTest, PendantChoiceFavoursAllButTheLast) {
  Random random(7);
  std::vector<int> counts(4, 0);
  for (int i = 0; i < 70000; ++i) ++counts[static_cast<size_t>(ChoosePendantIndex(4, random))];
  // Entries 1..3 twice as likely as entry 4: 2/7 each, 1/7 for the last.
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(counts[static_cast<size_t>(i)], 20000, 800);
  EXPECT_NEAR(counts[3], 10000, 600);
}

TEST_F(SplitTest, NamesWithoutBig5FormAreRefusedFirst) {
  SplitRequest s = Settings(test::RandomBytes(1000));
  s.baseName = "part😀";
  EXPECT_FALSE(Split(s));
  EXPECT_EQ(ui.errors.size(), 1u);
  EXPECT_EQ(FilesInDir(), std::vector<std::string>{"movie.avi"});
  s.baseName = "../escape";
  EXPECT_FALSE(Split(s));
  EXPECT_EQ(ui.errors.back(), msg::kBadPartName);
}

TEST_F(SplitTest, RefusesWhenATargetIsTheSourceItself) {
  // Each case names the source so that a part or the definition would take its place,
  // directly, through a save folder that leads back to the source's folder, or as a
  // second name (a hard link) of the source in another save folder.
  struct Case {
    const char* source;
    const char* baseName;
    bool throughLink;
    bool secondName = false;
  };
  for (const Case& c : {Case{"v00.png", "v", false}, Case{"d.kvr", "d", false},
                        Case{"v01.png", "v", true}, Case{"src.bin", "v", false, true}}) {
    SCOPED_TRACE(c.source);
    test::TempDir here;
    const Bytes content = test::RandomBytes(3000);
    test::WriteBytes(here / c.source, content);
    SplitRequest s;
    s.source = here / c.source;
    s.baseName = c.baseName;
    s.partSizeKb = 1;
    s.randomSizes = false;
    s.disguise = false;
    if (c.throughLink) {
      std::filesystem::create_directory_symlink(here.path(), here / "link");
      s.saveFolder = here / "link";
    }
    if (c.secondName) {
      std::filesystem::create_directory(here / "out");
      std::filesystem::create_hard_link(s.source, here / "out" / "v02.png");
      s.saveFolder = here / "out";
    }
    test::RecordingEvents refused;
    EXPECT_FALSE((result = RunSplit(test::Seeded(s, 1), pendants, refused)).completed);
    EXPECT_EQ(refused.errors, std::vector<std::string>{std::string(msg::kTargetIsSource)});
    EXPECT_EQ(test::ReadBytes(s.source), content);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(here.path()), {}),
              c.throughLink || c.secondName ? 2 : 1);
  }
}

TEST_F(SplitTest, SourceThatIsNoRegularFileCannotBeOpened) {
  // A folder is no file; a pipe, FIFO or device is read as a stream (test_cli_stream).
  for (const std::filesystem::path& source : {dir.path(), dir / "missing"}) {
    SplitRequest s;
    s.source = source;
    s.baseName = "p";
    s.saveFolder = dir.path();
    ui = test::RecordingEvents();
    EXPECT_FALSE(Split(s));
    EXPECT_EQ(ui.errors, std::vector<std::string>{std::string(msg::kCannotOpenFile)});
  }
  EXPECT_EQ(FilesInDir(), std::vector<std::string>{});
}

TEST_F(SplitTest, SameSeedSameParts) {
  SplitRequest s = Settings(test::RandomBytes(200000));
  s.partSizeKb = 10;
  ASSERT_TRUE(Split(s));
  const auto first = result.parts;
  ASSERT_TRUE(Split(s));
  EXPECT_EQ(result.parts, first);
}

TEST(SaveFolder, ExistsAndCreation) {
  test::TempDir dir;
  test::RecordingEvents ui;
  test::WriteBytes(dir / "file", {1});
  EXPECT_TRUE(FolderExists(dir.path()));
  EXPECT_TRUE(FolderExists(dir.path().string() + "/"));
  EXPECT_FALSE(FolderExists(dir / "file"));
  EXPECT_FALSE(FolderExists(""));

  auto check = EnsureSaveFolder(dir.path(), ui);
  EXPECT_TRUE(check.ok && !check.created);
  EXPECT_TRUE(ui.questions.empty());

  check = EnsureSaveFolder(dir / "new", ui);  // answered No
  EXPECT_FALSE(check.ok);
  EXPECT_FALSE(FolderExists(dir / "new"));

  ui.answers = {Answer::Yes};
  check = EnsureSaveFolder(dir / "new", ui);
  EXPECT_TRUE(check.ok && check.created);
  EXPECT_TRUE(FolderExists(dir / "new"));

  ui.answers = {Answer::Yes};
  check = EnsureSaveFolder(dir / "no" / "parent", ui);
  EXPECT_FALSE(check.ok);
  EXPECT_EQ(ui.errors, std::vector<std::string>{std::string(msg::kCreateFolderFailed)});
}

}  // namespace
}  // namespace kivora

namespace kivora {
namespace {

// Rebuilding parts of a split from its source, as a re-split does: a matching part waits
// under its hidden name, which the test then renames as a commit would.
class RebuildTest : public SplitTest {
 protected:
  void RebuildAll(const SplitRequest& s, const std::string& key, bool expectOk) {
    File source = File::OpenRead(s.source);
    const auto set = pendants.OpenSet(false, "");
    IoBuffer buffer;
    for (const PartRecord& rec : result.parts) {
      const auto path = dir / rec.FileName;
      const std::string hidden = "." + rec.FileName + ".rebuilt";
      const std::string partKey = key.empty() ? rec.FileName : key;
      EXPECT_EQ(RebuildPart(source, buffer, path, hidden, rec, s.disguise, set.get(), partKey),
                expectOk ? RebuildResult::Matched : RebuildResult::Mismatch)
          << rec.FileName;
      EXPECT_EQ(std::filesystem::exists(dir / hidden), expectOk) << rec.FileName;
      if (expectOk) std::filesystem::rename(dir / hidden, path);
    }
  }
};

TEST_F(RebuildTest, RebuildsIdenticalPartsOnlyWithTheRightKey) {
  SplitRequest s = Settings(test::RandomBytes(70000));
  s.partSizeKb = 20;
  s.password = "pw";
  ASSERT_TRUE(Split(s));
  std::vector<std::vector<std::uint8_t>> originals;
  for (const auto& rec : result.parts) originals.push_back(test::ReadBytes(dir / rec.FileName));

  // Lost parts come back byte for byte.
  for (const auto& rec : result.parts) std::filesystem::remove(dir / rec.FileName);
  RebuildAll(s, "pw", true);
  for (size_t i = 0; i < originals.size(); ++i) {
    EXPECT_EQ(test::ReadBytes(dir / result.parts[i].FileName), originals[i]) << i;
  }

  // A wrong password fails the check and leaves the parts there untouched.
  const std::vector<std::uint8_t> marker = {1, 2, 3};
  test::WriteBytes(dir / result.parts[0].FileName, marker);
  RebuildAll(s, "wrong", false);
  EXPECT_EQ(test::ReadBytes(dir / result.parts[0].FileName), marker);
  EXPECT_EQ(test::ReadBytes(dir / result.parts[1].FileName), originals[1]);
}

TEST_F(RebuildTest, PlainPartsAreCheckedAgainstTheirCrc) {
  SplitRequest s = Settings(test::RandomBytes(50000));
  s.partSizeKb = 20;
  s.disguise = false;
  ASSERT_TRUE(Split(s));
  // Another source of the same size is the wrong source.
  test::WriteBytes(s.source, test::RandomBytes(50000, 99));
  RebuildAll(s, "", false);
}

}  // namespace
}  // namespace kivora
