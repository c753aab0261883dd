#include <gtest/gtest.h>

#include <filesystem>

#include "core/io/Crc32.h"
#include "pendant/PendantLibrary.h"
#include "pendant/PluginInfo.h"
#include "platform/InstallDirs.h"
#include "tests/support/PeTestFiles.h"
#include "tests/support/TestSupport.h"

namespace kivora::pendant {
namespace {

namespace fs = std::filesystem;
using test::AsBytes;
using test::Bytes;
using test::PatternBytes;
using test::ToBytes;

// Pictures 101, 105 and 150, and 100, 200 and 250 outside the plug-in range.
Bytes SamplePlugin(std::u16string name = u"測試掛件") {
  return test::PeImageBuilder()
      .AddKvr(150, PatternBytes(700, 150))
      .AddKvr(101, PatternBytes(1200, 101))
      .AddKvr(105, PatternBytes(64, 105))
      .AddKvr(100, ToBytes("below the range"))
      .AddKvr(200, ToBytes("above the range"))
      .AddKvr(250, ToBytes("far above"))
      .AddString(511, std::move(name))
      .AddString(512, u"2.0")
      .AddString(513, u"gif")
      .AddString(514, u"作者")
      .AddString(515, u"註解")
      .Build()
      .bytes;
}

// Every field of a plug-in's description, to compare them all at once.
auto Fields(const PluginInfo& info) {
  return std::tie(info.fileName, info.name, info.version, info.extension, info.author, info.comment,
                  info.pictureIds);
}

Bytes PluginWithout101To199() {
  return test::PeImageBuilder().AddKvr(100, ToBytes("x")).AddKvr(200, ToBytes("y")).Build().bytes;
}

TEST(PluginText, ShownAsItsBig5FormWithinTheBufferLimit) {
  EXPECT_EQ(ShownPluginText(u"Sample 1.0", 255), "Sample 1.0");
  EXPECT_EQ(ShownPluginText(u"ab\0cd", 255), "ab");  // read as a C string
  EXPECT_EQ(ShownPluginText(u"A한B", 255), "A?B");   // Hangul has no Big5 form
  EXPECT_EQ(ShownPluginText(std::u16string(300, u'x'), 255), std::string(255, 'x'));

  // Two Big5 bytes per Chinese character: cut before a character that would not fit.
  std::u16string chinese(600, u'掛');
  std::string expected;
  for (int i = 0; i < 127; ++i) expected += "掛";
  EXPECT_EQ(ShownPluginText(chinese, 255), expected);
  EXPECT_EQ(ShownPluginText(u"a" + chinese, 255), "a" + expected);
  for (int i = 127; i < 511; ++i) expected += "掛";
  EXPECT_EQ(ShownPluginText(chinese, 1023), expected);
}

TEST(PluginInfo, DescribesPicturesAndStrings) {
  const test::TempDir folder;
  test::WriteBytes(folder.path() / "sample.dll", SamplePlugin());
  const auto info = ReadPluginInfo(folder.path() / "sample.dll");
  ASSERT_TRUE(info);
  EXPECT_EQ(Fields(*info),
            Fields({"sample.dll", "測試掛件", "2.0", "gif", "作者", "註解", {101, 105, 150}}));
  // Missing strings read as empty.
  test::WriteBytes(folder.path() / "bare.dll",
                   test::PeImageBuilder().AddKvr(101, {}).Build().bytes);
  const auto bare = ReadPluginInfo(folder.path() / "bare.dll");
  ASSERT_TRUE(bare);
  EXPECT_EQ(Fields(*bare), Fields({"bare.dll", "", "", "", "", "", {101}}));

  test::WriteBytes(folder.path() / "junk.dll", ToBytes("MZ not really"));
  EXPECT_FALSE(ReadPluginInfo(folder.path() / "junk.dll"));
  EXPECT_FALSE(ReadPluginInfo(folder.path() / "missing.dll"));
}

TEST(PluginInfo, ListsPluginsWithPicturesSortedAndFirstFolderWins) {
  const test::TempDir first, second;
  test::WriteBytes(first.path() / "b.dll", SamplePlugin(u"b from first"));
  test::WriteBytes(first.path() / "C.DLL", SamplePlugin(u"upper-case extension"));
  test::WriteBytes(first.path() / "empty.dll", PluginWithout101To199());
  test::WriteBytes(first.path() / "junk.dll", ToBytes("not a PE file"));
  test::WriteBytes(first.path() / "notes.txt", SamplePlugin());
  fs::create_directory(first.path() / "folder.dll");
  test::WriteBytes(second.path() / "b.dll", SamplePlugin(u"b from second"));
  test::WriteBytes(second.path() / "a.dll", SamplePlugin(u"a"));

  const std::vector<fs::path> folders = {first.path(), second.path(), first.path() / "none"};
  const auto plugins = ListPlugins(folders);
  std::vector<std::string> names, files;
  for (const auto& p : plugins) {
    names.push_back(p.name);
    files.push_back(p.fileName);
  }
  EXPECT_EQ(files, (std::vector<std::string>{"C.DLL", "a.dll", "b.dll"}));
  EXPECT_EQ(names, (std::vector<std::string>{"upper-case extension", "a", "b from first"}));
}

class PendantLibraryTest : public ::testing::Test {
 protected:
  PendantLibraryTest() {
    fs::create_directories(Program() / "plugin");
    fs::create_directories(User());
  }
  fs::path Program() const { return root_.path() / "program"; }
  fs::path User() const { return root_.path() / "user"; }
  PendantLibrary Library(std::span<const BuiltinPendant> builtins = {}) const {
    return PendantLibrary({Program(), {Program() / "plugin", User()}}, builtins);
  }

  test::TempDir root_;
};

TEST_F(PendantLibraryTest, PluginSetServesPictures101To199ReadOnce) {
  test::WriteBytes(User() / "p.dll", SamplePlugin());
  auto set = Library().OpenSet(true, "p.dll");
  fs::remove(User() / "p.dll");  // the set holds what it read

  EXPECT_EQ(set->Ids(), (std::vector<int>{101, 105, 150}));
  EXPECT_EQ(AsBytes(set->Pendant(101)), PatternBytes(1200, 101));
  EXPECT_EQ(AsBytes(set->Pendant(150)), PatternBytes(700, 150));
  EXPECT_FALSE(set->Pendant(100));
  EXPECT_FALSE(set->Pendant(200));
}

TEST_F(PendantLibraryTest, PluginIsLookedUpInFolderOrderOrByPath) {
  test::WriteBytes(Program() / "plugin" / "p.dll",
                   test::PeImageBuilder().AddKvr(110, {}).Build().bytes);
  test::WriteBytes(User() / "p.dll", SamplePlugin());
  test::WriteBytes(User() / "q.dll", test::PeImageBuilder().AddKvr(120, {}).Build().bytes);
  const auto library = Library();
  EXPECT_EQ(library.OpenSet(true, "p.dll")->Ids(), std::vector<int>{110});
  EXPECT_EQ(library.OpenSet(true, "q.dll")->Ids(), std::vector<int>{120});
  EXPECT_EQ(library.OpenSet(true, (User() / "p.dll").string())->Ids(),
            (std::vector<int>{101, 105, 150}));
}

TEST_F(PendantLibraryTest, UnusablePluginGivesAnEmptySet) {
  test::WriteBytes(User() / "junk.dll", ToBytes("MZ"));
  const auto library = Library();
  for (const char* name : {"missing.dll", "junk.dll", "", ".."}) {
    SCOPED_TRACE(name);
    const auto set = library.OpenSet(true, name);
    ASSERT_TRUE(set);
    EXPECT_TRUE(set->Ids().empty());
  }
}

TEST_F(PendantLibraryTest, ChecksumReadsThePluginFromTheProgramFolderOnly) {
  const Bytes plugin = SamplePlugin();
  test::WriteBytes(Program() / "plugin" / "p.dll", plugin);
  test::WriteBytes(User() / "p.dll", plugin);
  const auto library = Library();
  EXPECT_EQ(library.ComputePluginChecksum("p.dll"), 0u);

  test::WriteBytes(Program() / "p.dll", plugin);
  Bytes pictures;
  for (const auto& part :
       {PatternBytes(1200, 101), PatternBytes(64, 105), PatternBytes(700, 150)}) {
    pictures.insert(pictures.end(), part.begin(), part.end());
  }
  EXPECT_EQ(library.ComputePluginChecksum("p.dll"), StreamCrc32(pictures));

  test::WriteBytes(Program() / "none.dll", PluginWithout101To199());
  EXPECT_EQ(library.ComputePluginChecksum("none.dll"), 0u);
  EXPECT_EQ(library.ComputePluginChecksum(""), 0u);
}

TEST_F(PendantLibraryTest, BuiltinSetKeepsIds1To99) {
  const Bytes a = ToBytes("ten"), b = ToBytes("ninety-nine"), c = ToBytes("x");
  const BuiltinPendant builtins[] = {{0, c}, {10, a}, {12, c}, {99, b}, {100, c}, {150, c}};
  const auto library = Library(builtins);
  const auto set = library.OpenSet(false, "ignored.dll");
  EXPECT_EQ(set->Ids(), (std::vector<int>{10, 12, 99}));
  EXPECT_EQ(AsBytes(set->Pendant(99)), b);
  EXPECT_FALSE(set->Pendant(100));
  EXPECT_EQ(library.BuiltinPendantSize(10), 3);
  EXPECT_EQ(library.BuiltinPendantSize(99), 11);
  EXPECT_FALSE(library.BuiltinPendantSize(100));
  EXPECT_FALSE(library.BuiltinPendantSize(0));
  EXPECT_FALSE(library.BuiltinPendantSize(11));
}

TEST(PendantLibrary, BuiltinSetIsTheFortyEmbeddedPictures) {
  const PendantLibrary library(PendantLocations{});
  const auto set = library.OpenSet(false, "");
  std::vector<int> expected;
  for (int tens = 10; tens <= 80; tens += 10) {
    for (int id = tens; id <= tens + 4; ++id) expected.push_back(id);
  }
  EXPECT_EQ(set->Ids(), expected);
  for (int id : expected) {
    const auto bytes = AsBytes(set->Pendant(id));
    ASSERT_GE(bytes.size(), 8u) << id;
    EXPECT_EQ(bytes[1], 'P') << id;  // a PNG file
    EXPECT_EQ(library.BuiltinPendantSize(id), static_cast<std::int32_t>(bytes.size())) << id;
  }
  EXPECT_FALSE(library.BuiltinPendantSize(15));
}

TEST(PendantLibrary, UserPluginFolderFollowsTheXdgRules) {
  EXPECT_EQ(UserPluginFolder("/data", "/home/u"), fs::path("/data/kivora/plugin"));
  EXPECT_EQ(UserPluginFolder("relative", "/home/u"),
            fs::path("/home/u/.local/share/kivora/plugin"));
  EXPECT_EQ(UserPluginFolder(nullptr, "/home/u"), fs::path("/home/u/.local/share/kivora/plugin"));
  EXPECT_FALSE(UserPluginFolder(nullptr, nullptr));
}

TEST(PendantLibrary, PluginFoldersAreBesideTheProgramThenTheUsersThenTheInstallTrees) {
  kivora::test::TempDir dir;
  const fs::path user = "/home/u/.local/share/kivora/plugin";
  const fs::path bin = dir / "usr/bin";
  const fs::path installed = (bin / platform::kDataFolderFromProgram).lexically_normal();
  fs::create_directories(bin);
  fs::create_directories(installed / "kivora");
  const fs::path portable = dir / "portable";
  fs::create_directories(portable / "plugin");
  const fs::path configured = fs::path(platform::kInstallDataFolder) / "kivora/plugin";

  struct Case {
    fs::path program;
    std::optional<fs::path> user;
    std::vector<fs::path> expected;
  };
  const Case cases[] = {
      // An install tree: its own data folder, wherever the tree was unpacked; a plugin
      // folder beside the program, which it does not have yet, first.
      {bin, user, {bin / "plugin", user, installed / "kivora/plugin"}},
      {bin, std::nullopt, {bin / "plugin", installed / "kivora/plugin"}},
      // A portable copy: its plugin folder first, then the folder this build installs to.
      {portable, user, {portable / "plugin", user, configured}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PluginFolders(platform::PlaceOf(c.program), c.user), c.expected) << c.program;
  }
  // A folder made after the folders were computed is searched, and what it holds found.
  const PendantLocations locations{bin, PluginFolders(platform::PlaceOf(bin), user)};
  test::WriteBytes(bin / "plugin" / "p.dll", SamplePlugin());
  EXPECT_EQ(ListPlugins(locations.pluginFolders).size(), 1u);
  EXPECT_EQ(PendantLibrary(locations, {}).FindPlugin("p.dll"), bin / "plugin" / "p.dll");
}

}  // namespace
}  // namespace kivora::pendant
