#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "app/cli/CliMessages.h"
#include "app/cli/Password.h"
#include "app/cli/PasswordEncoding.h"
#include "app/cli/TerminalUi.h"
#include "core/KivoraError.h"
#include "core/text/Messages.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

// `--password-file -` takes the first line of standard input, as of a file, without a
// byte-order mark; standard input that cannot be read is refused.
TEST(CliPassword, StandardInputAsThePasswordFile) {
  cli::PasswordOptions options;
  options.passwordFile = "-";
  for (const std::string input :
       {"secret\nnext\n", "secret\r\n", "secret", "\xEF\xBB\xBFsecret\n"}) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ASSERT_EQ(::write(ends[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
    ::close(ends[1]);
    EXPECT_EQ(options.Resolve(ends[0]), SecretText("secret")) << input;
    ::close(ends[0]);
  }
  const int folder = ::open("/", O_RDONLY);
  EXPECT_THROW(options.Resolve(folder), KivoraError);
  ::close(folder);
}

struct Conversion {
  std::string encoding, bytes;
  std::optional<std::string> utf8;  // none: refused
};
void PrintTo(const Conversion& c, std::ostream* os) {
  *os << c.encoding << ", " << c.bytes.size() << " bytes" << (c.utf8 ? "" : ", refused");
}
class CliPasswordEncoding : public testing::TestWithParam<Conversion> {};

TEST_P(CliPasswordEncoding, ConvertsToUtf8OrRefuses) {
  const Conversion& c = GetParam();
  if (c.utf8) {
    EXPECT_EQ(cli::PasswordInUtf8(c.bytes, c.encoding).View(), *c.utf8);
  } else {
    EXPECT_THROW(cli::PasswordInUtf8(c.bytes, c.encoding), KivoraError);
  }
}

INSTANTIATE_TEST_SUITE_P(Encodings, CliPasswordEncoding,
                         testing::Values(Conversion{"UTF-8", "密碼 pass", "密碼 pass"},
                                         Conversion{"ANSI_X3.4-1968", "密碼", "密碼"},
                                         Conversion{"BIG5", "\xB1\x4B\xBD\x58", "密碼"},
                                         Conversion{"ISO-8859-1", "p\xE4ss", "päss"},
                                         Conversion{"UTF-8", "p\xE4ss", std::nullopt},
                                         Conversion{"BIG5", "\xB1\x4B\xBD", std::nullopt},
                                         Conversion{"BIG5", "\xB1\x0A", std::nullopt},
                                         Conversion{"no-such-encoding", "x", std::nullopt}));

// A new encrypted set's password is typed twice without echo; differing or empty
// entries are refused, and without a terminal nothing is asked.
TEST(CliPassword, NewPasswordIsTypedTwice) {
  const struct {
    bool terminal;
    std::vector<std::string> lines;
    std::optional<SecretText> password;
    MessageText message;
  } cases[] = {
      {true, {"geheim", "geheim"}, "geheim", {}},
      {true, {"geheim", "geheim!"}, std::nullopt, cli::texts::kNewPasswordsDiffer()},
      {true, {"", ""}, std::nullopt, cli::texts::kNewPasswordEmpty()},
      {true, {}, std::nullopt, cli::texts::kNewPasswordEmpty()},
      {false, {"geheim", "geheim"}, std::nullopt, cli::texts::kEncryptNeedsPassword()},
  };
  for (const auto& c : cases) {
    std::ostringstream out, err;
    cli::TerminalUi ui(out, err, c.terminal, false);
    size_t next = 0;
    ui.SetLineReader([&](bool echo) -> std::optional<std::string> {
      EXPECT_FALSE(echo);
      return next < c.lines.size() ? std::optional(c.lines[next++]) : std::nullopt;
    });
    EXPECT_EQ(ui.AskNewPassword(), c.password);
    EXPECT_NE(err.str().find(c.message.Chinese()), std::string::npos) << err.str();
  }
}

// Every command that takes a password names KIVORA_PASSWORD in its help.
TEST(CliPassword, HelpNamesTheEnvironmentVariable) {
  for (const std::string command : {"split", "join", "test", "resplit"}) {
    EXPECT_NE(test::RunCli({command, "--help"}).out.find("KIVORA_PASSWORD"), std::string::npos)
        << command;
  }
}

// What the commands say about a set's protection: a test given the password proves an
// encrypted set or refuses the password; a demand for encryption refuses all but an
// encrypted set; a password given for a set without one is noted.
TEST(CliPassword, CommandsNameTheProtectionTheyFind) {
  test::TempDir dir;
  test::WriteBytes(dir / "s.bin", test::RandomBytes(3000, 4));
  const std::string folder = dir.path().string();
  ASSERT_EQ(test::RunCli({"split", folder + "/s.bin", "-o", folder + "/enc", "--mkdir", "--encrypt",
                          "-p", "pw"})
                .code,
            0);
  ASSERT_EQ(test::RunCli({"split", folder + "/s.bin", "-o", folder + "/plain", "--mkdir"}).code, 0);
  ASSERT_EQ(
      test::RunCli({"split", folder + "/s.bin", "-o", folder + "/pw", "--mkdir", "-p", "pw"}).code,
      0);
  struct Row {
    std::vector<std::string> args;
    bool succeeds;
    std::string said;
  };
  const Row rows[] = {
      {{"test", folder + "/enc/s.kvr", "-p", "pw"},
       true,
       cli::texts::kSetAuthenticated().Chinese()},
      {{"test", folder + "/enc/s.kvr", "-p", "no"}, false, msg::kWrongPassword231().Chinese()},
      {{"join", folder + "/plain/s.kvr", "-o", folder + "/out", "--mkdir", "--require-encryption"},
       false,
       msg::kEncryptionRequired253().Chinese()},
      {{"test", folder + "/plain/s.kvr", "-p", "pw"},
       true,
       cli::texts::kPasswordNotUsed().Chinese()},
  };
  for (const Row& row : rows) {
    const test::CliRun run = test::RunCli(row.args);
    EXPECT_EQ(run.code == 0, row.succeeds) << row.args[0] << ' ' << row.args[1];
    EXPECT_NE(run.err.find(row.said), std::string::npos) << run.err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "out"));
}

}  // namespace
}  // namespace kivora
