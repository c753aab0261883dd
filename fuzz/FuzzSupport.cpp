#include "fuzz/FuzzSupport.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <system_error>

namespace kivora::fuzz {
namespace {

// Removes the scratch folder when the process ends.
class ScratchRoot {
 public:
  ScratchRoot() {
    std::error_code ec;
    const std::filesystem::path shm = "/dev/shm";
    const auto base = std::filesystem::is_directory(shm, ec) && access("/dev/shm", W_OK) == 0
                          ? shm
                          : std::filesystem::temp_directory_path();
    path_ = base / ("kivora-fuzz-" + std::to_string(getpid()));
  }
  ~ScratchRoot() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace

std::filesystem::path FreshScratchFolder() {
  static const ScratchRoot root;
  std::error_code ec;
  std::filesystem::remove_all(root.Path(), ec);
  std::filesystem::create_directories(root.Path());
  return root.Path();
}

bool WriteFile(const std::filesystem::path& path, Bytes bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}

void Check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "fuzz invariant failed: %s\n", what);
  std::abort();
}

std::vector<Bytes> SplitFiles(Bytes input) {
  const auto* sep = reinterpret_cast<const std::uint8_t*>(kSeparator.data());
  std::vector<Bytes> files;
  while (true) {
    const auto at = std::search(input.begin(), input.end(), sep, sep + kSeparator.size());
    files.push_back(input.first(static_cast<std::size_t>(at - input.begin())));
    if (at == input.end()) return files;
    input = input.subspan(files.back().size() + kSeparator.size());
  }
}

}  // namespace kivora::fuzz
