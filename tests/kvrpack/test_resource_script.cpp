// The resource script, the picture path filter and the Big5 conversion of the texts.
#include <gtest/gtest.h>

#include "core/format/CodePage.h"
#include "core/text/Utf8.h"
#include "kvrpack/PathFilter.h"
#include "kvrpack/ResourceScript.h"

namespace kvrpack {
namespace {

using kivora::FirstCharacterWithoutBig5;
using kivora::ToBig5;
using kivora::Utf8ToUtf16;

const PluginTexts kSampleTexts = {"Sample", "1.0", "png", "me", "test"};

TEST(ResourceScript, StringTablesThenOnePictureLinePerEntryInListOrder) {
  const std::vector<std::string> paths = {"/pics/b.png", "/pics/a.png", "/pics/b.png"};
  EXPECT_EQ(ResourceScript(kSampleTexts, paths),
            "STRINGTABLE\r\n"
            "{\r\n"
            "511, \t\"Sample\"\r\n"
            "}\r\n"
            "\r\n"
            "STRINGTABLE\r\n"
            "{\r\n"
            "512, \t\"1.0\"\r\n"
            "513, \t\"png\"\r\n"
            "514, \t\"me\"\r\n"
            "515, \t\"test\"\r\n"
            "}\r\n"
            "\r\n"
            "\r\n"
            "101 KVR \"/pics/b.png\"\r\n"
            "102 KVR \"/pics/a.png\"\r\n"
            "103 KVR \"/pics/b.png\"\r\n");
}

TEST(ResourceScript, EmptyListEndsWithTwoEmptyLines) {
  const std::string script = ResourceScript(PluginTexts{}, {});
  EXPECT_TRUE(script.ends_with("515, \t\"\"\r\n}\r\n\r\n\r\n")) << script;
  EXPECT_EQ(script.find("KVR"), std::string::npos);
  // Every line ends in CR LF: no bare LF anywhere.
  for (std::size_t at = script.find('\n'); at != std::string::npos;
       at = script.find('\n', at + 1)) {
    ASSERT_GT(at, 0u);
    EXPECT_EQ(script[at - 1], '\r');
  }
}

TEST(ResourceScript, TextsAreEscapedAsAResourceCompilerReadsThem) {
  EXPECT_EQ(EscapeScriptString("say \"hi\""), "say \"\"hi\"\"");
  EXPECT_EQ(EscapeScriptString("C:\\pics"), "C:\\\\pics");
  EXPECT_EQ(EscapeScriptString("a\tb\r\nc"), "a\\tb\\r\\nc");
  EXPECT_EQ(EscapeScriptString("掛件 1.0"), "掛件 1.0");  // multi-byte text is left alone
  PluginTexts texts = kSampleTexts;
  texts[3] = "\"me\"";
  EXPECT_NE(ResourceScript(texts, {}).find("514, \t\"\"\"me\"\"\"\r\n"), std::string::npos);
}

TEST(PathFilter, TakesEveryPathTheQuotedScriptCanName) {
  for (const char* taken : {"/my pics/a-1.png", "/pics/~(a)[b].png", "/pics/圖 한.png",
                            "/pics/caf\xe9.png", "/pics/a\"1\\b.png", "/pics/a\nb.png"}) {
    EXPECT_TRUE(IsAcceptedPicturePath(taken)) << taken;
  }
  EXPECT_FALSE(IsAcceptedPicturePath(""));
  EXPECT_FALSE(IsAcceptedPicturePath(std::string("/pics/a\0b.png", 14)));
}

TEST(ResourceScript, PathsAreWrittenAsASCIIEscapesOfTheirBytes) {
  EXPECT_EQ(EscapeScriptPath("/my pics/a-1 (2).png"), "/my pics/a-1 (2).png");
  EXPECT_EQ(EscapeScriptPath("/a\"b\\c"), "/a\"\"b\\\\c");
  EXPECT_EQ(EscapeScriptPath("/圖1\n\x7f"), "/\\345\\234\\2261\\012\\177");
  const std::vector<std::string> paths = {"/pics/holiday 2026/圖.png"};
  EXPECT_NE(ResourceScript(kSampleTexts, paths)
                .find("101 KVR \"/pics/holiday 2026/\\345\\234\\226.png\"\r\n"),
            std::string::npos);
}

TEST(Big5Conversion, ConvertsTraditionalChineseAndRefusesWhatBig5Lacks) {
  EXPECT_EQ(ToBig5("掛件 v1"), std::string("\xB1\xBE\xA5\xF3 v1"));
  EXPECT_EQ(ToBig5(""), std::string());
  EXPECT_FALSE(ToBig5("한글"));                    // Hangul
  EXPECT_FALSE(ToBig5("smile \xF0\x9F\x98\x80"));  // an emoji
  EXPECT_FALSE(ToBig5("\xC3\x28"));                // not UTF-8
  EXPECT_EQ(FirstCharacterWithoutBig5("ab掛한c"), "한");
  EXPECT_EQ(FirstCharacterWithoutBig5("掛件"), "");
  EXPECT_EQ(Utf8ToUtf16("掛件\"x"), std::u16string(u"掛件\"x"));
  EXPECT_FALSE(Utf8ToUtf16("\xFF"));
}

}  // namespace
}  // namespace kvrpack
