#include <gtest/gtest.h>

#include <map>
#include <string>

#include "app/cli/EnglishTexts.h"
#include "core/text/EnglishTexts.h"
#include "core/text/Format.h"
#include "core/text/Language.h"
#include "core/text/Messages.h"
#include "core/text/Translation.h"
#include "filelist/EnglishTexts.h"
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

TEST(Translation, TextsAndTemplatesBecomeEnglish) {
  const Translation english = Translation::For(Language::English, {EngineEnglish()});
  const std::pair<std::string, std::string> cases[] = {
      {std::string(msg::kWrongPassword231),
       "The password does not match, or the file cannot be decrypted. (231)"},
      {Format(msg::kMissingPartQuestion, "/tmp/a%s「b」.png"),
       "/tmp/a%s「b」.png\nThe file above does not exist. Go on joining?"},
      {Format(msg::kUnknownCipher293, 7),
       "KivoRa join definitions of this encryption (CipherKind 7) are not supported. (293)"},
      // A value that names a field is translated; the text itself is not.
      {Format(msg::kNotBig5, msg::kNameOfComment.data(), "密碼 ☃"),
       "Comment has characters that Big5 (code page 950) cannot hold: 密碼 ☃"},
      {Format(msg::kOpenFileFailed, "/x/「y」：z", "No such file or directory"),
       "Cannot open the file \"/x/「y」：z\": No such file or directory"},
      // Not made from a template: "%d" takes digits only, fixed pieces must be there.
      {"不支援這種暗號化方式 (CipherKind x) 的 KivoRa 合併定義檔。(293)",
       "不支援這種暗號化方式 (CipherKind x) 的 KivoRa 合併定義檔。(293)"},
      {"/home/user/movie.avi", "/home/user/movie.avi"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(english(text), expected) << text;
  const Translation chinese = Translation::For(Language::Chinese, {EngineEnglish()});
  EXPECT_EQ(chinese(msg::kWrongPassword231), msg::kWrongPassword231);
}

// Every text of the engines, the file list and the command line has its English, with
// the same values and numbers.
TEST(Translation, EveryTextHasEnglish) {
  const std::vector<EnglishTable> tables = {EngineEnglish(), filelist::FileListEnglish(),
                                            cli::CliEnglish()};
  const std::filesystem::path root(KIVORA_SOURCE_DIR);
  for (const auto& missing : test::TextsWithoutEnglish(
           {root / "core", root / "filelist", root / "app/cli", root / "pendant"}, tables)) {
    ADD_FAILURE() << "no English for " << missing;
  }
  for (const auto& faulty : test::FaultyEntries(tables)) ADD_FAILURE() << faulty;
}

}  // namespace
}  // namespace kivora
