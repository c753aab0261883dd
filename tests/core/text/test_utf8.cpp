#include <gtest/gtest.h>

#include <string>

#include "core/text/Utf8.h"

namespace kivora {
namespace {

// Validity and the conversion to UTF-16 take the same bytes: well-formed UTF-8 only.
TEST(Utf8, AcceptsWellFormedUtf8Only) {
  const struct {
    std::string bytes;
    bool valid;
  } cases[] = {
      {"", true},
      {std::string("a\0b", 3), true},
      {"密碼 pass", true},
      {"\xF4\x8F\xBF\xBF", true},   // U+10FFFF
      {"\x80", false},              // a trail byte alone
      {"\xE5\xAF", false},          // cut short
      {"a\xE5", false},             // cut short at the end
      {"\xC0\xAF", false},          // overlong '/'
      {"\xE0\x80\xAF", false},      // overlong '/'
      {"\xED\xA0\x80", false},      // a surrogate
      {"\xF4\x90\x80\x80", false},  // above U+10FFFF
      {"\xF5\x80\x80\x80", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << testing::PrintToString(c.bytes);
    EXPECT_EQ(Utf8ToUtf16(c.bytes).has_value(), c.valid) << testing::PrintToString(c.bytes);
  }
}

}  // namespace
}  // namespace kivora
