// kivora-cli in the user's language: messages and states follow the locale variables,
// the files it writes do not.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

struct Output {
  int code = -1;
  std::string text;  // stdout and stderr
};

// Runs kivora-cli in `folder` with the locale variables cleared but for `locale`
// ("LANG=en_US.UTF-8"); no locale needs to be installed for the language to follow.
Output RunIn(const std::filesystem::path& folder, const std::string& locale,
             const std::string& args) {
  const std::string command = "cd '" + folder.string() +
                              "' && env -u LC_ALL -u LC_MESSAGES -u LANGUAGE -u LANG " + locale +
                              " '" KIVORA_CLI_PATH "' " + args + " 2>&1";
  Output out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  while (const size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.text.append(buffer, n);
  const int status = ::pclose(pipe);
  out.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

std::vector<std::string> FileNames(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

struct LanguageCase {
  std::string locale;
  std::string missingState, summary, notADefinition;
};

// A test and a repair of a set with a missing part, and a file that is not a definition.
TEST(CliLanguage, MessagesAndStatesFollowTheLocale) {
  test::TempDir dir;
  test::WriteBytes(dir.path() / "clip.bin", test::RandomBytes(40 * 1024, 3));
  ASSERT_EQ(RunIn(dir.path(), "LANG=C", "split clip.bin -s 10 --no-random --recovery 1").code, 0);
  std::filesystem::remove(dir.path() / "clip01.png");
  std::vector<std::uint8_t> other(40, 'x');
  other[0] = 'K';
  other[1] = 'V';  // a definition's magic, and nothing after it
  test::WriteBytes(dir.path() / "other.kvr", other);

  const LanguageCase cases[] = {
      {"LANG=en_US.UTF-8", "clip01.png\tMissing", "Errors were found.",
       "This is not a KivoRa join definition. (211)"},
      {"LANG=zh_TW.UTF-8", "clip01.png\t不存在", "已發現到錯誤了。",
       "並非是 KivoRa 合併定義檔。(211)"},
      {"LANG=C.UTF-8", "clip01.png\t不存在", "已發現到錯誤了。", "並非是 KivoRa 合併定義檔。(211)"},
      {"LANG=zh_TW.UTF-8 LANGUAGE=en_US:zh_TW", "clip01.png\tMissing", "Errors were found.",
       "This is not a KivoRa join definition. (211)"},
  };
  for (const auto& c : cases) {
    const Output tested = RunIn(dir.path(), c.locale, "test clip.kvr");
    EXPECT_EQ(tested.code, 1) << c.locale;
    EXPECT_NE(tested.text.find(c.missingState + "\n"), std::string::npos) << tested.text;
    EXPECT_NE(tested.text.find(c.summary + "\n"), std::string::npos) << tested.text;
    const Output dryRun = RunIn(dir.path(), c.locale, "repair clip.kvr --dry-run");
    EXPECT_NE(dryRun.text.find(c.missingState + "\n"), std::string::npos) << dryRun.text;
    const Output refused = RunIn(dir.path(), c.locale, "info other.kvr");
    EXPECT_EQ(refused.text, c.notADefinition + "\n") << c.locale;
  }
}

// Names, comment and pictures are the user's: a set written in English is the set
// written in Chinese, byte for byte.
TEST(CliLanguage, SetsAreTheSameInEveryLanguage) {
  test::TempDir dir;
  const auto source = dir.path() / "旅行 2026.avi";
  test::WriteBytes(source, test::RandomBytes(300 * 1024, 5));
  const std::string args = "split '" + source.string() +
                           "' -s 50 --seed 7 -c '夏天的旅行' --password-file pw --mkdir -o ";
  test::WriteBytes(dir.path() / "pw", std::vector<std::uint8_t>{'p', 'w', '\n'});
  ASSERT_EQ(RunIn(dir.path(), "LANG=en_US.UTF-8", args + "en").code, 0);
  ASSERT_EQ(RunIn(dir.path(), "LANG=zh_TW.UTF-8", args + "zh").code, 0);
  const auto en = FileNames(dir.path() / "en");
  ASSERT_EQ(en, FileNames(dir.path() / "zh"));
  ASSERT_GT(en.size(), 5u);
  for (const auto& name : en) {
    EXPECT_EQ(test::ReadBytes(dir.path() / "en" / name), test::ReadBytes(dir.path() / "zh" / name))
        << name;
  }
}

}  // namespace
}  // namespace kivora
