#include "core/format/StoredDefinition.h"

#include <cerrno>
#include <optional>

#include "core/KivoraError.h"
#include "core/format/CodePage.h"
#include "core/io/File.h"
#include "core/io/LittleEndian.h"
#include "core/payload/Scramblers.h"
#include "core/text/Messages.h"

namespace kivora {
namespace {

constexpr std::int64_t kLengthFieldBytes = 4;

// The length an implanted block's last four bytes give to the definition before them,
// when it fits a file (or block) of `size` bytes and the bound of a definition.
std::optional<std::int64_t> ImplantedLength(std::span<const std::uint8_t> field,
                                            std::int64_t size) {
  const std::int64_t length = LoadLittleEndian<std::int32_t>(field, 0);
  if (length <= 0 || length > size - kLengthFieldBytes || length > kMaxDefinitionBytes) {
    return std::nullopt;
  }
  return length;
}

std::vector<std::uint8_t> ReadRange(File& file, std::int64_t from, std::int64_t length) {
  std::vector<std::uint8_t> bytes(static_cast<size_t>(length));
  file.Seek(from);
  file.ReadExact(bytes);
  return bytes;
}

// The implanted block at the end of the file; empty optional when there is none.
std::optional<std::vector<std::uint8_t>> ReadImplantedBlock(File& file) {
  try {
    const std::int64_t size = file.Size();
    if (size < kLengthFieldBytes) return std::nullopt;
    const std::vector<std::uint8_t> field =
        ReadRange(file, size - kLengthFieldBytes, kLengthFieldBytes);
    const std::optional<std::int64_t> length = ImplantedLength(field, size);
    if (!length) return std::nullopt;
    const std::int64_t block = *length + kLengthFieldBytes;
    return ReadRange(file, size - block, block);
  } catch (const KivoraError&) {
    return std::nullopt;
  }
}

}  // namespace

StoredDefinitionBytes ReadStoredDefinition(const std::filesystem::path& path) {
  File file = File::TryOpenRead(path);
  if (!file.IsOpen()) {
    // errno 0: the name is no regular file (a folder, a device, a pipe).
    const int err = errno;
    throw KivoraError(msg::kCannotOpen202, err == 0
                                               ? msg::kNotRegularFile(path)
                                               : DescribeIoError(path, msg::kOpenFileFailed, err));
  }
  std::uint8_t head[2] = {0, 0};
  size_t got = 0;
  try {
    got = file.Read(head);
  } catch (const KivoraError&) {
    got = 0;
  }
  StoredDefinitionBytes stored;
  if (got == 2 && head[0] == 'K' && head[1] == 'V') {
    stored.bytes = WithMessage(msg::kCannotOpenKvr, [&] {
      const std::int64_t size = file.Size();
      if (size > kMaxDefinitionBytes) throw KivoraError(msg::kDefinitionTooLarge(path));
      return ReadRange(file, 0, size);
    });
    return stored;
  }
  std::optional<std::vector<std::uint8_t>> block = ReadImplantedBlock(file);
  if (!block) throw KivoraError(msg::kNotImplanted);
  stored.bytes = std::move(*block);
  stored.implanted = true;
  return stored;
}

std::vector<std::uint8_t> UnwrapImplantedBlock(std::vector<std::uint8_t> block,
                                               const std::filesystem::path& partPath) {
  const auto size = static_cast<std::int64_t>(block.size());
  const std::optional<std::string> name = ToBig5(partPath.filename().string());
  if (size < kLengthFieldBytes || !name ||
      ImplantedLength(std::span(block).last(kLengthFieldBytes), size) != size - kLengthFieldBytes) {
    throw KivoraError(msg::kNotImplanted);
  }
  block.resize(block.size() - kLengthFieldBytes);
  ScrambleStream(block, LowerBig5(*name), kBlockCipherVersion);
  return block;
}

std::string ImplantKey(const std::filesystem::path& partPath) {
  return LowerBig5(ToBig5OrThrow(partPath.filename().string(), msg::kNameOfPart));
}

std::vector<std::uint8_t> ImplantedBlock(const std::filesystem::path& lastPart,
                                         std::vector<std::uint8_t> bytes) {
  ScrambleStream(bytes, ImplantKey(lastPart), kBlockCipherVersion);
  AppendLittleEndian(bytes, static_cast<std::int32_t>(bytes.size()));
  return bytes;
}

}  // namespace kivora
