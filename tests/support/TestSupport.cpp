#include "tests/support/TestSupport.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "core/io/Crc32.h"

namespace kivora::test {

std::vector<std::uint8_t> FakePicture(int id) {
  std::vector<std::uint8_t> bytes = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  bytes.resize(100 + static_cast<size_t>(id) * 3, static_cast<std::uint8_t>(id));
  return bytes;
}

FakePendants::FakePendants() {
  for (int id = 10; id <= 14; ++id) builtin[id] = FakePicture(id);
}

std::unique_ptr<PendantSet> FakePendants::OpenSet(bool usePlugin, std::string_view name) const {
  if (!usePlugin) return std::make_unique<FakePendantSet>(builtin);
  auto it = plugins.find(std::string(name));
  if (it == plugins.end())
    return std::make_unique<FakePendantSet>(std::map<int, std::vector<std::uint8_t>>{});
  return std::make_unique<FakePendantSet>(it->second);
}

std::optional<std::int32_t> FakePendants::BuiltinPendantSize(int id) const {
  auto it = builtin.find(id);
  if (it == builtin.end()) return std::nullopt;
  return static_cast<std::int32_t>(it->second.size());
}

std::uint32_t FakePendants::ComputePluginChecksum(std::string_view) const { return checksum; }

TempDir::TempDir() {
  std::string name = (std::filesystem::temp_directory_path() / "kivora-test-XXXXXX").string();
  if (!::mkdtemp(name.data())) throw std::runtime_error("cannot create a temporary folder");
  path_ = name;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::vector<std::uint8_t> RandomBytes(size_t n, std::uint32_t seed) {
  std::mt19937 gen(seed);
  std::vector<std::uint8_t> out(n);
  for (auto& b : out) b = static_cast<std::uint8_t>(gen());
  return out;
}

void WriteBytes(const std::filesystem::path& p, std::span<const std::uint8_t> bytes) {
  if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) throw std::runtime_error("cannot write " + p.string());
}

FolderFiles FolderContent(const std::filesystem::path& folder) {
  FolderFiles files;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    files[entry.path().filename().string()] = ReadBytes(entry.path());
  return files;
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void ForceCrc32(std::span<std::uint8_t> bytes, size_t at, std::uint32_t crc) {
  const auto flip = [&](int bit) {
    bytes[at + bit / 8] ^= static_cast<std::uint8_t>(1 << (bit % 8));
  };
  const std::uint32_t now = StreamCrc32(bytes);
  // Per bit: the change it makes to the CRC-32 (low half) and the bits that make it (high).
  std::array<std::uint64_t, 32> rows{};
  for (int bit = 0; bit < 32; ++bit) {
    flip(bit);
    rows[bit] = (StreamCrc32(bytes) ^ now) | (std::uint64_t{1} << (32 + bit));
    flip(bit);
  }
  // Elimination until row p changes CRC bit p alone (32 adjacent bits always reach it).
  std::uint64_t bits = 0;
  for (int p = 0; p < 32; ++p) {
    std::swap(rows[p], *std::find_if(rows.begin() + p, rows.end(),
                                     [p](std::uint64_t row) { return (row >> p) & 1; }));
    for (int r = 0; r < 32; ++r) rows[r] ^= r != p && ((rows[r] >> p) & 1) ? rows[p] : 0;
  }
  for (int p = 0; p < 32; ++p) bits ^= (((now ^ crc) >> p) & 1) ? rows[p] >> 32 : 0;
  for (int i = 0; i < 4; ++i) bytes[at + i] ^= static_cast<std::uint8_t>(bits >> (8 * i));
}

std::optional<std::filesystem::path> FindProgram(std::string_view name) {
  const char* path = std::getenv("PATH");
  std::string_view rest = path ? path : "";
  while (!rest.empty()) {
    const auto colon = rest.find(':');
    const std::filesystem::path candidate = std::filesystem::path(rest.substr(0, colon)) / name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
  }
  return std::nullopt;
}

}  // namespace kivora::test
