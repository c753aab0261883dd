#include <gtest/gtest.h>

#include <map>
#include <string>

#include "core/text/Language.h"
#include "core/text/MessageText.h"
#include "core/text/Messages.h"
#include "tests/support/SourceTexts.h"

namespace kivora {
namespace {

struct LanguageCase {
  std::map<std::string, std::string> env;
  Language expected;
};

TEST(Language, FollowsTheLocaleRules) {
  const LanguageCase cases[] = {
      {{}, Language::Chinese},
      {{{"LANG", "C"}}, Language::Chinese},
      {{{"LANG", "C.UTF-8"}, {"LANGUAGE", "en"}}, Language::Chinese},  // C ignores LANGUAGE
      {{{"LC_ALL", "POSIX"}, {"LANG", "en_US.UTF-8"}}, Language::Chinese},
      {{{"LANG", "en_US.UTF-8"}}, Language::English},
      {{{"LANG", "en"}}, Language::English},
      {{{"LANG", "zh_TW.UTF-8"}}, Language::Chinese},
      {{{"LANG", "zh_TW.UTF-8"}, {"LC_MESSAGES", "en_GB.UTF-8"}}, Language::English},
      {{{"LANG", "en_US.UTF-8"}, {"LC_MESSAGES", "zh_TW.UTF-8"}}, Language::Chinese},
      {{{"LC_ALL", "en_US.UTF-8"}, {"LC_MESSAGES", "zh_TW.UTF-8"}}, Language::English},
      {{{"LC_ALL", ""}, {"LANG", "en_US.UTF-8"}}, Language::English},
      {{{"LANG", "zh_TW.UTF-8"}, {"LANGUAGE", "en_US:zh_TW"}}, Language::English},
      {{{"LANG", "en_US.UTF-8"}, {"LANGUAGE", "fr:zh_TW:en"}}, Language::Chinese},
      {{{"LANG", "de_DE.UTF-8"}}, Language::Chinese},
      {{{"LANG", "de_DE.UTF-8"}, {"LANGUAGE", "de:en"}}, Language::English},
      {{{"LANG", "eo.UTF-8"}, {"LANGUAGE", "eng:zhx"}}, Language::Chinese},
  };
  for (const auto& c : cases) {
    const Language got = ChooseLanguage([&](const char* name) -> const char* {
      const auto it = c.env.find(name);
      return it == c.env.end() ? nullptr : it->second.c_str();
    });
    std::string env;
    for (const auto& [k, v] : c.env) env += k + "=" + v + " ";
    EXPECT_EQ(got, c.expected) << env;
  }
}

struct RenderCase {
  MessageText message;
  std::string chinese;
  std::string english;
};

// A message is put into words in each language; values (a path holding "%" and "{")
// stay as they are, and a value that is itself a text is put into the same language.
TEST(MessageText, RendersInEachLanguage) {
  const RenderCase cases[] = {
      {msg::kWrongPassword231, "所輸入的密碼並不一致，或是無法復號化。(231)",
       "The password does not match, or the file cannot be decrypted. (231)"},
      {msg::kUnknownCipher293(7), "不支援這種暗號化方式 (CipherKind 7) 的 KivoRa 合併定義檔。(293)",
       "KivoRa join definitions of this encryption (CipherKind 7) are not supported. (293)"},
      {msg::kMissingPartQuestion("/tmp/a%s{}「b」.png"),
       "/tmp/a%s{}「b」.png\n上面的檔案並不存在。是否要繼續進行合併？",
       "/tmp/a%s{}「b」.png\nThe file above does not exist. Go on joining?"},
      {msg::kNotBig5(msg::kNameOfComment, "密碼 ☃"),
       "註解含有無法以 Big5 (code page 950) 表示的字元：密碼 ☃",
       "Comment has characters that Big5 (code page 950) cannot hold: 密碼 ☃"},
      {MessageText::Plain("/home/user/{0}%d.avi"), "/home/user/{0}%d.avi", "/home/user/{0}%d.avi"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.message.In(Language::Chinese), c.chinese);
    EXPECT_EQ(c.message.In(Language::English), c.english);
  }
}

// Every text of the engines, the file list and the command line has its English, with
// the same values and numbers.
TEST(Translation, EveryTextHasEnglish) {
  const std::filesystem::path root(KIVORA_SOURCE_DIR);
  const std::vector<std::filesystem::path> folders = {root / "core", root / "filelist",
                                                      root / "app/cli", root / "pendant"};
  for (const auto& missing : test::TextsWithoutEnglish(folders)) {
    ADD_FAILURE() << "no English for " << missing;
  }
  for (const auto& faulty : test::FaultyEntries(folders)) ADD_FAILURE() << faulty;
}

}  // namespace
}  // namespace kivora
