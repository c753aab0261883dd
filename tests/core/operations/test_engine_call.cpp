#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "core/operations/EngineCall.h"
#include "core/operations/SplitOperation.h"
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

// An escaped exception is one failure message in its engine's words, then the closing.
struct Escape {
  OperationFailure (*failure)();
  void (*raise)();
  std::string_view error, warning;
};
const SplitOutcome kNothingLeft;
class EscapeTest : public ::testing::TestWithParam<Escape> {};
TEST_P(EscapeTest, BecomesOneFailureMessageThenTheClosing) {
  test::RecordingEvents ui;
  CallEngine(ui, GetParam().failure(), 0, [&] { return GetParam().raise(), 0; });
  EXPECT_EQ(ui.errors, std::vector<std::string>{std::string(GetParam().error)});
  EXPECT_EQ(ui.warnings,
            std::vector<std::string>(!GetParam().warning.empty(), std::string(GetParam().warning)));
}
INSTANTIATE_TEST_SUITE_P(
    Operations, EscapeTest,
    ::testing::Values(Escape{[] { return SplitFailure(kNothingLeft); },
                             [] { throw std::bad_alloc(); }, msg::kOutOfMemory111,
                             msg::kSplitFailedClosing},
                      Escape{[] { return SplitFailure(kNothingLeft); },
                             [] { throw std::length_error("own"); }, "own",
                             msg::kSplitFailedClosing},
                      Escape{JoinFailure, [] { throw std::bad_alloc(); }, msg::kOutOfMemory222, ""},
                      Escape{TestFailure, [] { throw 1; }, msg::kTestFailedClosing, ""}));

}  // namespace
}  // namespace kivora
