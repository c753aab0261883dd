#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "core/operations/EngineCall.h"
#include "core/text/Messages.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

namespace fs = std::filesystem;

TEST(EngineCall, AnyExceptionBecomesTheFailureWithItsReason) {
  test::RecordingEvents ui;
  const int result = CallEngine(ui, MessageText::Plain("failed"), -1, []() -> int {
    throw fs::filesystem_error("x", "/a/b",
                               std::make_error_code(std::errc::too_many_symbolic_link_levels));
  });
  EXPECT_EQ(result, -1);
  ASSERT_EQ(ui.errors, std::vector<std::string>{"failed"});

  const auto failure = TryEngine(msg::kOutOfMemory,
                                 [] { throw KivoraError(MessageText::Plain("own text"), "why"); });
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->text.Chinese(), "own text");
  EXPECT_EQ(failure->detail.Chinese(), "why");
  const auto reason = TryEngine(msg::kOutOfMemory, [] {
    throw fs::filesystem_error("x", "/a/b", std::make_error_code(std::errc::permission_denied));
  });
  ASSERT_TRUE(reason);
  EXPECT_NE(reason->detail.Chinese().find("/a/b"), std::string::npos);
  EXPECT_NE(reason->detail.Chinese().find(std::strerror(EACCES)), std::string::npos);
  EXPECT_FALSE(TryEngine(msg::kOutOfMemory, [] {}));
}

}  // namespace
}  // namespace kivora
