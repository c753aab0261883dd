#pragma once
// The files a send leaves beside its list for other programs: a Metalink 4 document
// (RFC 5854) with each file's size, SHA-256 and every address it is at, for download
// managers; and a SHA256SUMS file in the form `sha256sum -c` checks.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace kivora::net {

struct ListedFile {
  std::string name;
  std::int64_t size = 0;
  std::string sha256;             // 64 lower-case hex digits
  std::vector<std::string> urls;  // every address it is at, percent-encoded
};

// Both are written under a temporary name and renamed. Throw KivoraError when the file
// cannot be written.
void WriteMetalink(std::span<const ListedFile> files, const std::filesystem::path& path);
void WriteSha256Sums(std::span<const ListedFile> files, const std::filesystem::path& path);

}  // namespace kivora::net
