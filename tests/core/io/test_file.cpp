#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "core/KivoraError.h"
#include "core/io/File.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

// Positional reads of one open file from two threads at once each get their own bytes,
// and neither moves the file's position.
TEST(File, PositionalReadsShareOneFileAcrossThreads) {
  const test::TempDir dir;
  const auto data = test::RandomBytes(1 << 20);
  test::WriteBytes(dir / "f", data);
  File file = File::OpenRead(dir / "f");
  const auto reader = [&](std::size_t first, bool* same) {
    std::vector<std::uint8_t> piece(4093);
    for (std::size_t at = first * piece.size(); at + piece.size() <= data.size();
         at += 2 * piece.size()) {
      file.ReadExactAt(static_cast<std::int64_t>(at), piece);
      *same = *same && std::equal(piece.begin(), piece.end(), data.begin() + static_cast<long>(at));
    }
  };
  bool same0 = true, same1 = true;
  std::thread other(reader, 1, &same1);
  reader(0, &same0);
  other.join();
  EXPECT_TRUE(same0 && same1);
  EXPECT_EQ(file.Tell(), 0);

  std::vector<std::uint8_t> past(10);
  EXPECT_THROW(file.ReadExactAt(static_cast<std::int64_t>(data.size()) - 5, past), KivoraError);
}

}  // namespace
}  // namespace kivora
