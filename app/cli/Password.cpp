#include "app/cli/Password.h"

#include <fcntl.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "app/cli/CliMessages.h"
#include "app/cli/PasswordEncoding.h"
#include "core/KivoraError.h"
#include "core/text/LocaleEncoding.h"

namespace kivora::cli {
namespace {

// A file opened for reading, closed when it goes.
class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(const std::string& path)
      : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~ReadOnlyFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

// Read in steps of this size; a password shorter than that is never copied by a
// reallocation, which would leave a copy behind unwiped.
constexpr size_t kReadStep = 4096;

// The first line of what `fd` holds, without its line end ("\n" or "\r\n") and without a
// UTF-8 byte-order mark that an editor put before it; an empty optional when it cannot be read.
// Read straight from the descriptor, so no stream buffer keeps a copy.
std::optional<std::string> ReadFirstLine(int fd) {
  if (fd < 0) return std::nullopt;
  std::string text;
  text.reserve(kReadStep);
  for (;;) {
    const size_t before = text.size();
    text.resize(before + kReadStep);
    const ssize_t got = ::read(fd, text.data() + before, kReadStep);
    const int error = errno;
    text.resize(before + static_cast<size_t>(std::max<ssize_t>(got, 0)));
    if (got < 0 && error == EINTR) continue;
    if (got < 0) {
      WipeText(text);
      return std::nullopt;
    }
    if (got == 0 || text.find('\n', before) != std::string::npos) break;
  }
  size_t end = std::min(text.find('\n'), text.size());
  if (end > 0 && text[end - 1] == '\r') --end;
  std::fill(text.begin() + static_cast<std::ptrdiff_t>(end), text.end(), '\0');
  text.resize(end);
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (text.starts_with(kByteOrderMark)) {
    // Moved within the same buffer, and the freed tail wiped, so no copy is left behind.
    std::copy(text.begin() + kByteOrderMark.size(), text.end(), text.begin());
    std::fill(text.end() - kByteOrderMark.size(), text.end(), '\0');
    text.resize(text.size() - kByteOrderMark.size());
  }
  return text;
}

std::string ReadPasswordFile(const std::string& path, int standardInput) {
  std::optional<std::string> line =
      path == "-" ? ReadFirstLine(standardInput) : ReadFirstLine(ReadOnlyFile(path).fd());
  if (!line) throw KivoraError(texts::kPasswordFileUnreadable(path));
  return std::move(*line);
}

}  // namespace

void PasswordOptions::Register(CLI::App& command, bool demandEncryption) {
  auto* direct = command.add_option(
      "-p,--password", password,
      "Password (visible in the process list; the environment variable KIVORA_PASSWORD is not)");
  auto* file = command.add_option("--password-file", passwordFile,
                                  "Read the password from the first line of FILE (- for "
                                  "standard input)");
  direct->excludes(file);
  if (demandEncryption) {
    command.add_flag("--require-encryption", requireEncryption,
                     "Refuse a set that is not encrypted with an authenticated definition");
  }
}

std::optional<SecretText> PasswordOptions::Resolve(int standardInput) {
  const std::string encoding = LocaleEncoding();
  if (!password.empty()) {
    const WipedOnExit wipe(password);
    return PasswordInUtf8(password, encoding);
  }
  if (!passwordFile.empty()) {
    std::string line = ReadPasswordFile(passwordFile, standardInput);
    const WipedOnExit wipe(line);
    return PasswordInUtf8(line, encoding);
  }
  if (const char* env = std::getenv("KIVORA_PASSWORD"); env && *env) {
    return PasswordInUtf8(env, encoding);
  }
  return std::nullopt;
}

}  // namespace kivora::cli
