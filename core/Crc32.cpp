#include "Crc32.h"

#include <libdeflate.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "FileIo.h"

namespace kivora {

std::uint32_t Crc32Update(std::uint32_t crc, std::span<const std::uint8_t> data) {
  if (data.empty()) return crc;
  return libdeflate_crc32(crc, data.data(), data.size());
}

std::uint32_t StreamCrc32(std::span<const std::uint8_t> data) { return Crc32Update(0, data); }

std::uint32_t FileCrc32(const std::filesystem::path& path) {
  File file = File::OpenRead(path);  // throws when it cannot be opened
  std::vector<std::uint8_t> buffer(1 << 20);
  std::uint32_t crc = 0;
  try {
    for (;;) {
      const size_t n = file.Read(buffer);
      if (n == 0) break;
      crc = Crc32Update(crc, std::span(buffer.data(), n));
    }
  } catch (const KivoraError&) {
    return 0;  // content that cannot be read counts as empty
  }
  return crc;
}

std::int32_t RoundHalfAway(long double x) {
  return static_cast<std::int32_t>(x >= 0 ? std::trunc(x + 0.5L) : std::trunc(x - 0.5L));
}

}  // namespace kivora
