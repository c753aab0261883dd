#include <gtest/gtest.h>

#include <filesystem>

#include "core/io/FreeNames.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

namespace fs = std::filesystem;

// Looked up one by one or read from the folder at once, an entry of any kind takes its
// name.
TEST(FreeNames, AnEntryOfAnyKindTakesItsName) {
  for (const int asked : {1, 1000}) {
    test::TempDir dir;
    test::WriteBytes(dir / "file", std::vector<std::uint8_t>{1});
    fs::create_symlink(dir / "nowhere", dir / "link");
    fs::create_directory(dir / "folder");
    const FreeNames free(dir.path(), asked);
    for (const char* name : {"file", "link", "folder"}) EXPECT_FALSE(free.Holds(name)) << asked;
    EXPECT_TRUE(free.Holds("other")) << asked;
  }
}

}  // namespace
}  // namespace kivora
