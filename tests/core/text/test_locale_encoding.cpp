#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "core/text/LocaleEncoding.h"

namespace kivora {
namespace {

TEST(LocaleEncoding, NamesOfUtf8AndOfTheCLocalesAscii) {
  for (const char* name : {"UTF-8", "utf-8", "Utf-8", "UTF8", "utf8", "ANSI_X3.4-1968",
                           "ansi_x3.4-1968", "US-ASCII", "us-ascii", "ASCII", ""}) {
    EXPECT_TRUE(IsUtf8Encoding(name)) << name;
  }
  for (const char* name : {"BIG5", "UTF-16", "UTF-8 ", "UTF", "UTF-88", "ISO-8859-1", "CP950"}) {
    EXPECT_FALSE(IsUtf8Encoding(name)) << name;
  }
}

// The C locale's codeset names ASCII; text under it is taken as UTF-8.
TEST(LocaleEncoding, IsUtf8UnderTheCLocale) {
  const std::string before = std::setlocale(LC_CTYPE, nullptr);
  std::setlocale(LC_CTYPE, "C");
  EXPECT_EQ(LocaleEncoding(), "UTF-8");
  std::setlocale(LC_CTYPE, before.c_str());
}

}  // namespace
}  // namespace kivora
