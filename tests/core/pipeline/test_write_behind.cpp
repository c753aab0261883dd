#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <set>

#include "core/KivoraError.h"
#include "core/io/AtomicFile.h"
#include "core/operations/JoinOperation.h"
#include "core/operations/ResplitOperation.h"
#include "core/pipeline/WriteBehind.h"
#include "core/text/Messages.h"
#include "tests/support/SetFixture.h"

namespace kivora {
namespace {

namespace fs = std::filesystem;

// Splits, whose parts are written by writer threads from blocks read ahead, must give
// the very bytes a re-split writes one part at a time, whatever the shape: parts that
// end on a block's edge or inside one, many small parts shared by two writers, a short
// last part, an empty or one-byte source, an implanted definition, a sealed set.
struct Shape {
  const char* name;
  size_t size;
  int partKb;
  bool disguise;
  bool implant;
  bool encrypt;
};

class SplitBytesTest : public test::SetFixture, public ::testing::WithParamInterface<Shape> {};

TEST_P(SplitBytesTest, MatchThePartsRebuiltOneByOne) {
  const Shape& shape = GetParam();
  const fs::path definition = MakeSet(shape.size, [&](SplitRequest& s) {
    s.partSizeKb = shape.partKb;
    s.randomSizes = false;
    s.disguise = shape.disguise;
    s.implant = shape.implant;
    s.encrypt = shape.encrypt;
    if (shape.encrypt) s.password = "pw";
  });
  const fs::path again = dir / "again";
  fs::create_directory(again);
  ResplitRequest request;
  request.definitionPath = definition;
  request.source = dir / "movie.avi";
  request.outputFolder = again;
  if (shape.encrypt) request.password = "pw";
  ASSERT_TRUE(RunResplit(test::With(request, loaded), pendants, ui).completed)
      << (ui.errors.empty() ? "" : ui.errors[0]);
  ASSERT_EQ(split.PartPaths().size(), loaded.parts.size());
  for (const fs::path& part : split.PartPaths()) {
    SCOPED_TRACE(part.filename().string());
    EXPECT_EQ(test::ReadBytes(again / part.filename()), test::ReadBytes(part));
  }
}

constexpr size_t kBlock = 256 * 1024;

INSTANTIATE_TEST_SUITE_P(
    Shapes, SplitBytesTest,
    ::testing::Values(Shape{"Empty", 0, 10, true, false, false},
                      Shape{"OneByte", 1, 10, false, false, false},
                      Shape{"PartsOnBlockEdges", 3 * kBlock, 256, true, false, false},
                      Shape{"PartsAcrossBlocksShortLast", 2 * kBlock + 5000, 300, true, false,
                            false},
                      Shape{"PlainCopiedShortLast", 3 * kBlock + 5000, 256, false, false, false},
                      Shape{"PlainCopiedImplanted", 2 * kBlock + 9, 100, false, true, false},
                      Shape{"ManySmallParts", 300 * 1024 + 7, 1, false, false, false},
                      Shape{"ManySmallDisguised", 100 * 1024 + 3, 1, true, false, false},
                      Shape{"Implanted", kBlock + 1, 100, true, true, false},
                      Shape{"Sealed", 2 * kBlock + 77, 300, true, false, true},
                      Shape{"SealedPlain", kBlock, 64, false, true, true}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

// A write the system refuses (here: beyond the process's file size limit) fails the
// split or join with its own message, and leaves no file behind.
class WriteFailureTest : public test::SetFixture {
 protected:
  void SetUp() override {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = std::signal(SIGXFSZ, SIG_IGN);
  }
  void TearDown() override {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previous_);
  }
  void LimitFileSize(rlim_t bytes) {
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
  }
  size_t FilesIn(const fs::path& folder) const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
  }

 private:
  rlimit saved_{};
  void (*previous_)(int) = nullptr;
};

TEST_F(WriteFailureTest, SplitFailsWithTheWriteMessage) {
  const fs::path source = dir / "movie.avi";
  test::WriteBytes(source, test::RandomBytes(600 * 1024));
  const fs::path out = dir / "out";
  fs::create_directory(out);
  SplitRequest s;
  s.source = source;
  s.saveFolder = out;
  s.baseName = "movie";
  s.partSizeKb = 200;
  s.randomSizes = false;
  s.disguise = false;
  LimitFileSize(100 * 1024);
  SplitOutcome result;
  EXPECT_FALSE((result = RunSplit(test::Seeded(s, 1), pendants, ui)).completed);
  ASSERT_FALSE(ui.errors.empty());
  EXPECT_EQ(ui.errors[0], msg::kWritePartFailed);
  EXPECT_EQ(FilesIn(out), 0u);
}

TEST_F(WriteFailureTest, JoinFailsWithTheWriteMessage) {
  const fs::path definition = MakeSet(300 * 1024, [](SplitRequest& s) {
    s.partSizeKb = 100;
    s.randomSizes = false;
  });
  const fs::path out = dir / "out";
  fs::create_directory(out);
  JoinRequest request;
  request.definitionPath = definition;
  request.outputFolder = out;
  LimitFileSize(150 * 1024);
  EXPECT_FALSE(RunJoin(test::With(request, loaded), pendants, ui).completed);
  ASSERT_FALSE(ui.errors.empty());
  EXPECT_EQ(ui.errors[0], msg::kWriteJoinedFailed243);
  EXPECT_EQ(FilesIn(out), 0u);
}

// A writer that fails while the other goes on committing: every file begun before the
// one that failed is written, and none after it stays, whichever writer was first.
TEST(WriteBehindFailure, KeepsExactlyTheFilesBeforeTheOneThatFailed) {
  test::TempDir dir;
  fs::create_directory(dir / "f20");  // a folder cannot be replaced by a file
  const std::vector<std::uint8_t> bytes = test::RandomBytes(3000);
  WriteBehind writer(2, 4, 4096, AtomicFile::Durability::SyncLater, true);
  EXPECT_THROW(
      for (int i = 0; i < 40; ++i) {
        writer.BeginFile(dir / ("f" + std::to_string(i)),
                         {msg::kWritePartFailed, msg::kWritePartFailed});
        writer.WriteCopy(bytes);
        writer.EndFile();
      } writer.Finish(),
      KivoraError);
  std::set<int> kept;
  for (const auto& f : writer.Settle(40)) kept.insert(f.index);
  EXPECT_EQ(kept.size(), 20u);
  EXPECT_EQ(kept.empty() ? -1 : *kept.rbegin(), 19);
  for (int i = 0; i < 40; ++i)
    EXPECT_EQ(fs::is_regular_file(dir / ("f" + std::to_string(i))), i < 20) << i;
}

// Bytes outside the block ring are refused unless pinned by an owner kept until written.
TEST(WriteBehindPinning, KeepsTheOwnerOfBytesOutsideTheRing) {
  test::TempDir dir;
  WriteBehind writer(1, 2, 4096);
  writer.BeginFile(dir / "f", {msg::kWritePartFailed, msg::kWritePartFailed});
  auto owner = std::make_shared<const std::vector<std::uint8_t>>(test::RandomBytes(5000));
  const std::span<const std::uint8_t> bytes = *owner;
  EXPECT_THROW(writer.Write(bytes), std::logic_error);
  writer.Write(bytes, std::move(owner));  // the only owner left is the pipeline
  writer.EndFile();
  writer.Finish();
  EXPECT_EQ(test::ReadBytes(dir / "f"), test::RandomBytes(5000));
}

}  // namespace
}  // namespace kivora
