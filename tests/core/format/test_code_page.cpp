#include <gtest/gtest.h>

#include "core/KivoraError.h"
#include "core/format/CodePage.h"
#include "core/text/Messages.h"

namespace kivora {
namespace {

TEST(CodePage, Big5RoundTripAndRefusal) {
  EXPECT_EQ(ToBig5("乙Ａ.png"), std::optional<std::string>("\xA4\x41\xA2\xCF.png"));
  EXPECT_EQ(FromBig5("\xA4\x41\xA2\xCF.png"), std::optional<std::string>("乙Ａ.png"));
  EXPECT_EQ(ToBig5(""), std::optional<std::string>(""));
  // Characters outside code page 950 are refused, never mangled.
  EXPECT_FALSE(ToBig5("한국어"));
  EXPECT_FALSE(FitsBig5("emoji 😀"));
  EXPECT_THROW(ToBig5OrThrow("😀", msg::kNameOfPart), KivoraError);
  // ... and a password that cannot be held is not repeated in the message.
  try {
    PasswordToBig5OrThrow("secret😀");
    ADD_FAILURE() << "no exception";
  } catch (const KivoraError& e) {
    EXPECT_EQ(std::string(e.what()).find("secret"), std::string::npos) << e.what();
  }
  // Bytes that are not Big5: refused strictly, replaced for display.
  EXPECT_FALSE(FromBig5("\xA4\x20"));
  EXPECT_EQ(FromBig5Lossy("a\xA4\x20"
                          "b")
                .substr(0, 1),
            "a");
}

// ASCII text, which part names mostly are, comes back from the converter as it went in.
TEST(CodePage, AsciiRoundTripsThroughTheConverter) {
  for (int c = 0; c < 0x80; ++c) {
    const std::string text = "part" + std::string(1, static_cast<char>(c)) + ".png";
    const std::optional<std::string> big5 = ToBig5(text);
    ASSERT_TRUE(big5) << c;
    EXPECT_EQ(FromBig5(*big5), text) << c;
  }
}

TEST(CodePage, LowerCaseLeavesTrailBytesAlone) {
  // 乙 is A4 41: its trail byte looks like "A" and must stay.
  EXPECT_EQ(LowerBig5("\xA4\x41MOVIE00.PNG"), "\xA4\x41movie00.png");
  // Full-width Ａ (A2 CF) lower-cases to full-width ａ (A2 E9).
  EXPECT_EQ(LowerBig5("\xA2\xCF"), "\xA2\xE9");
  EXPECT_EQ(LowerBig5("abc123_-."), "abc123_-.");
  // A lone lead byte at the end is kept as it is.
  EXPECT_EQ(LowerBig5("X\xA4"), "x\xA4");
}

}  // namespace
}  // namespace kivora
