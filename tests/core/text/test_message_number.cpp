#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/text/MessageText.h"
#include "core/text/Messages.h"
#include "filelist/FileListMessages.h"

namespace kivora {
namespace {

static_assert(NumberInWording("a (12) b (123)") == 123);
static_assert(NumberInWording("((4567))") == 4567);
static_assert(!NumberInWording("(123456) (12) (123 (123x)"));

// A text carries the number its template shows in both languages; the values that fill
// it, "(123)" in a file name, never give it one.
TEST(MessageNumber, IsTheNumberTheTemplateShowsInBothLanguages) {
  const struct {
    MessageText text;
    std::optional<int> number;
  } cases[] = {
      {msg::kSetInUse163, 163},
      {msg::kTargetStreamReadError1011, 1011},
      {msg::kSourceTooLarge157("1 (234)"), 157},  // "(32767 ..." comes first
      {msg::kPartNotAuthentic251("part (123).bin"), 251},
      {filelist::msg::kListNotWritten422, 422},
      {msg::kNotBig5(msg::kNameOfComment, "file (123).txt"), std::nullopt},
      {msg::kLineThenLine(msg::kAddRecoveryDamaged327("a (123)"), msg::kAddRecoveryRepairFirst),
       327},
      {msg::kLineThenLine(msg::kAddRecoveryRepairFirst, msg::kSetInUse163), 163},
  };
  for (const auto& c : cases) {
    const std::string chinese = c.text.In(Language::Chinese);
    EXPECT_EQ(c.text.Number(), c.number) << chinese;
    if (!c.number) continue;
    const std::string shown = "(" + std::to_string(*c.number) + ")";
    EXPECT_NE(chinese.find(shown), std::string::npos) << chinese;
    EXPECT_NE(c.text.In(Language::English).find(shown), std::string::npos) << chinese;
  }
}

}  // namespace
}  // namespace kivora
