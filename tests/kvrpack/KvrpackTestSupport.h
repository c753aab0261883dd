#pragma once
// Helpers of the kvrpack tests: temporary folders whose paths the picture list takes,
// files, picture-like bytes, and running external programs.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/TestSupport.h"

namespace kvrpack::test {

using Bytes = std::vector<std::uint8_t>;

// A fresh folder, removed with its content. Its path holds only characters that the
// picture list takes, so pictures inside it can be listed.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Bytes that start like a PNG file, then differ per seed.
Bytes PictureBytes(std::size_t size, std::uint32_t seed);

void WriteFile(const std::filesystem::path& path, const Bytes& bytes);
Bytes ReadFile(const std::filesystem::path& path);
std::string ReadText(const std::filesystem::path& path);
// The files in `folder`, by name.
std::vector<std::string> FileNames(const std::filesystem::path& folder);

using kivora::test::FindProgram;

struct ProgramRun {
  int code = -1;
  std::string out;  // standard output; standard error goes to the test's log
};
// Runs `command` with /bin/sh.
ProgramRun RunShell(const std::string& command);
// `text` quoted for /bin/sh.
std::string ShellQuote(std::string_view text);

}  // namespace kvrpack::test
