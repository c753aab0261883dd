// Building a plug-in: what is written, and what is refused before anything is written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>

#include "core/format/CodePage.h"
#include "core/text/Utf8.h"
#include "kvrpack/BuilderMessages.h"
#include "kvrpack/OutputFolder.h"
#include "kvrpack/PluginBuilder.h"
#include "pendant/PeResources.h"
#include "tests/kvrpack/KvrpackTestSupport.h"
#include "tests/support/SourceTexts.h"

namespace kvrpack {
namespace {

using kivora::pendant::PeResources;

class PluginBuilderTest : public ::testing::Test {
 protected:
  // Writes `count` pictures of different sizes and returns a request for them.
  PluginRequest RequestWith(std::size_t count) {
    PluginRequest request;
    request.texts = {"測試掛件", "1.0 \"beta\"", "jpg", "作者 me", "第一行\r\nline 2\tC:\\x"};
    for (std::size_t i = 0; i < count; ++i) {
      const auto path = dir / ("p" + std::to_string(i) + ".png");
      test::WriteFile(path, test::PictureBytes(100 + 37 * i, static_cast<std::uint32_t>(i)));
      request.pictures.push_back(path.string());
    }
    return request;
  }
  BuildOutcome Build(const PluginRequest& request) {
    return BuildPlugin(request, {dir / "template.dll", dir / "template.rc"});
  }
  std::vector<std::string> Files() const { return test::FileNames(dir.path()); }

  test::TempFolder dir;
};

TEST_F(PluginBuilderTest, WritesABig5ScriptAndADllWithTheTextsAsTyped) {
  const PluginRequest request = RequestWith(3);
  const BuildOutcome outcome = Build(request);
  ASSERT_TRUE(outcome.ok) << outcome.message.Chinese();
  EXPECT_NE(outcome.message.Chinese().find((dir / "template.dll").string()), std::string::npos);

  const std::string script = test::ReadText(dir / "template.rc");
  EXPECT_NE(script.find(*kivora::ToBig5("511, \t\"測試掛件\"\r\n")), std::string::npos);
  EXPECT_NE(script.find("512, \t\"1.0 \"\"beta\"\"\"\r\n"), std::string::npos);
  EXPECT_NE(script.find(*kivora::ToBig5("515, \t\"第一行\\r\\nline 2\\tC:\\\\x\"\r\n")),
            std::string::npos);
  EXPECT_TRUE(script.ends_with("}\r\n\r\n\r\n101 KVR \"" + request.pictures[0] +
                               "\"\r\n102 KVR \"" + request.pictures[1] + "\"\r\n103 KVR \"" +
                               request.pictures[2] + "\"\r\n"));

  const test::Bytes dll = test::ReadFile(dir / "template.dll");
  const auto parsed = PeResources::Parse(dll);
  ASSERT_TRUE(parsed) << parsed.Error();
  EXPECT_EQ(parsed->KvrIds(), (std::vector<int>{101, 102, 103}));
  for (int i = 0; i < 3; ++i) {
    const auto bytes = parsed->Kvr(101 + i);
    EXPECT_EQ(test::Bytes(bytes->begin(), bytes->end()), test::ReadFile(request.pictures[i]));
  }
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(parsed->String(511 + i), kivora::Utf8ToUtf16(request.texts[i]));
  EXPECT_EQ(Files(), (std::vector<std::string>{"p0.png", "p1.png", "p2.png", "template.dll",
                                               "template.rc"}));
}

TEST_F(PluginBuilderTest, NinetyNinePicturesFillIdsUpTo199AndOneMoreIsRefused) {
  PluginRequest request = RequestWith(99);
  ASSERT_TRUE(Build(request).ok);
  const test::Bytes dll = test::ReadFile(dir / "template.dll");
  const auto parsed = PeResources::Parse(dll);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->KvrIds().size(), 99u);
  EXPECT_EQ(parsed->KvrIds().back(), 199);

  request.pictures.push_back(request.pictures.front());
  const BuildOutcome outcome = Build(request);
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.message.Chinese(), messages::TooManyPictures(100).Chinese());
}

TEST_F(PluginBuilderTest, RefusedRequestsWriteNothingAndKeepTheLastPlugin) {
  ASSERT_TRUE(Build(RequestWith(2)).ok);
  const test::Bytes lastDll = test::ReadFile(dir / "template.dll");
  const test::Bytes lastScript = test::ReadFile(dir / "template.rc");
  test::WriteFile(dir / "empty.png", {});
  std::filesystem::create_directory(dir / "folder.png");
  const std::string missing = (dir / "missing.png").string();
  const std::string empty = (dir / "empty.png").string();
  const std::string folder = (dir / "folder.png").string();
  const std::string withNul("/pics/a\0b.png", 14);

  const std::vector<std::pair<std::function<void(PluginRequest&)>, kivora::MessageText>> cases = {
      {[](PluginRequest& r) { r.pictures.clear(); }, messages::EmptyList()},
      {[&](PluginRequest& r) { r.pictures.push_back(missing); },
       messages::PictureUnreadable(missing, "No such file or directory")},
      {[&](PluginRequest& r) { r.pictures.push_back(folder); }, messages::PictureNotAFile(folder)},
      {[&](PluginRequest& r) { r.pictures[0] = empty; }, messages::PictureEmpty(empty)},
      {[&](PluginRequest& r) { r.pictures[1] = withNul; }, messages::PathRefused(withNul)},
      {[](PluginRequest& r) { r.texts[0] = "掛件 한"; }, messages::TextWithoutBig5(0, "한")},
      {[](PluginRequest& r) { r.texts[3] = std::string("a\0b", 3); },
       messages::TextWithControlCharacter(3)},
      {[](PluginRequest& r) { r.texts[2] = "\xFF"; }, messages::TextNotUtf8(2)},
  };
  for (const auto& [change, message] : cases) {
    PluginRequest request = RequestWith(2);
    change(request);
    const BuildOutcome outcome = Build(request);
    EXPECT_FALSE(outcome.ok) << message.Chinese();
    EXPECT_EQ(outcome.message.Chinese(), message.Chinese());
    EXPECT_EQ(test::ReadFile(dir / "template.dll"), lastDll) << message.Chinese();
    EXPECT_EQ(test::ReadFile(dir / "template.rc"), lastScript) << message.Chinese();
  }
}

TEST_F(PluginBuilderTest, ARebuildKeepsTheModeOfTheFilesItReplaces) {
  using std::filesystem::perms;
  // No umask gives this mode to a new file.
  const perms mode = perms::owner_read | perms::owner_write | perms::others_read;
  const PluginRequest request = RequestWith(1);
  ASSERT_TRUE(Build(request).ok);
  for (const char* name : {"template.dll", "template.rc"}) {
    std::filesystem::permissions(dir / name, mode);
  }
  ASSERT_TRUE(Build(request).ok);
  for (const char* name : {"template.dll", "template.rc"}) {
    EXPECT_EQ(std::filesystem::status(dir / name).permissions(), mode) << name;
  }
}

TEST_F(PluginBuilderTest, AFailedWriteLeavesNoTemporaryFileBehind) {
  const PluginRequest request = RequestWith(1);
  // A folder in the DLL's place: the complete file cannot take that name.
  std::filesystem::create_directory(dir / "template.dll");
  const BuildOutcome outcome = Build(request);
  EXPECT_FALSE(outcome.ok);
  EXPECT_NE(outcome.message.Chinese().find((dir / "template.dll").string()), std::string::npos);
  EXPECT_EQ(Files(), (std::vector<std::string>{"p0.png", "template.dll"}));

  const BuildOutcome noFolder = BuildPlugin(request, {dir / "no" / "x.dll", dir / "no" / "x.rc"});
  EXPECT_FALSE(noFolder.ok);
  EXPECT_NE(noFolder.message.Chinese().find((dir / "no" / "x.rc").string()), std::string::npos);
  EXPECT_NE(noFolder.message.Chinese().find(std::strerror(ENOENT)), std::string::npos);
}

TEST(OutputFolder, ProgramFolderWhenWritableElseTheCurrentFolder) {
  test::TempFolder program;
  test::TempFolder current;
  EXPECT_EQ(ChooseOutputFolder(program.path(), current.path()), program.path());
  EXPECT_EQ(ChooseOutputFolder(program / "missing", current.path()), current.path());
  test::WriteFile(program / "file", {1});
  EXPECT_EQ(ChooseOutputFolder(program / "file", current.path()), current.path());
  if (::geteuid() != 0) {  // root may write anywhere
    std::filesystem::permissions(program.path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    EXPECT_EQ(ChooseOutputFolder(program.path(), current.path()), current.path());
  }
}

// Every message of the builder has its English; a field's name is translated inside it.
TEST(BuilderEnglish, EveryMessageHasEnglish) {
  const std::vector<std::filesystem::path> folders = {std::filesystem::path(KIVORA_SOURCE_DIR) /
                                                      "kvrpack"};
  for (const auto& missing : kivora::test::TextsWithoutEnglish(folders)) {
    ADD_FAILURE() << "no English for " << missing;
  }
  for (const auto& faulty : kivora::test::FaultyEntries(folders)) ADD_FAILURE() << faulty;
  EXPECT_EQ(messages::TextWithoutBig5(0, "한").In(kivora::Language::English),
            "\"Pendant set name\" has a character that Big5 (code page 950) cannot hold: \"한\".");
}

}  // namespace
}  // namespace kvrpack
