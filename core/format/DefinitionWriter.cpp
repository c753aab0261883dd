#include "core/format/DefinitionWriter.h"

#include <cstring>

#include "core/KivoraError.h"
#include "core/format/CodePage.h"
#include "core/format/StoredDefinition.h"
#include "core/io/AtomicFile.h"
#include "core/io/File.h"
#include "core/io/LittleEndian.h"
#include "core/payload/SetCipher.h"
#include "core/text/Messages.h"

namespace kivora {
namespace {

class ByteWriter {
 public:
  void Bytes(std::string_view s) { out_.insert(out_.end(), s.begin(), s.end()); }
  void Byte(std::uint8_t b) { out_.push_back(b); }
  void Text(std::string_view big5) {
    Bytes(big5);
    Byte(0);
  }
  template <typename T>
  void Int(T value) {
    AppendLittleEndian(out_, value);
  }
  std::vector<std::uint8_t> Take() { return std::move(out_); }

 private:
  std::vector<std::uint8_t> out_;
};

}  // namespace

std::string WrittenMagic(const DefinitionHeader& h) {
  const std::optional<MagicLayout> layout = LayoutOf(h.Magic);
  if (layout && !layout->wideSourceSize && NeedsWideSourceSize(h.SourceSize)) {
    return layout->level == 2 ? "KV6" : "KV5";
  }
  return std::string(std::string_view(h.Magic).substr(0, 3));
}

std::vector<std::uint8_t> EncodeDefinition(const DefinitionHeader& h,
                                           std::span<const PartRecord> parts) {
  const std::string magic = WrittenMagic(h);
  const MagicLayout layout = LayoutOf(magic).value_or(MagicLayout{});
  const bool kv4 = layout.level == 2;
  ByteWriter w;
  w.Bytes(magic);
  w.Byte(h.CipherKind);
  w.Bytes(kHomeAddress);
  w.Byte(0);
  w.Byte(h.Disguised ? '1' : '0');
  w.Byte(h.Protected ? '1' : '0');
  if (kv4) w.Byte(h.Reserved);
  w.Byte(0);
  w.Text(ToBig5OrThrow(h.SourceName, msg::kNameOfSource));
  if (layout.wideSourceSize) {
    w.Int<std::int64_t>(h.SourceSize);
  } else {
    w.Int<std::int32_t>(static_cast<std::int32_t>(h.SourceSize));
  }
  w.Int<std::int16_t>(h.PartCount);
  w.Text(ToBig5OrThrow(h.Comment, msg::kNameOfComment));
  if (kv4) w.Int<std::uint32_t>(h.PluginChecksum);
  for (const PartRecord& p : parts) {
    w.Text(ToBig5OrThrow(p.FileName, msg::kNameOfPart));
    w.Int<std::int32_t>(p.Size);
    w.Int<std::uint32_t>(p.Crc);
    if (h.Disguised) {
      w.Int<std::uint32_t>(p.PartCrc);
      w.Byte(static_cast<std::uint8_t>(p.PendantNo & 0xFF));
      if (kv4) w.Int<std::int32_t>(p.PendantSize);
    }
  }
  std::vector<std::uint8_t> bytes = w.Take();
  // An encrypted set's parameters follow the records, where older readers stop.
  if (h.CipherKind == kSealedCipher && h.Encryption) {
    const std::vector<std::uint8_t> block = EncodeEncryptionBlock(*h.Encryption);
    bytes.insert(bytes.end(), block.begin(), block.end());
  }
  return bytes;
}

void SaveDefinitionFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  WithMessage(msg::kCreateDefinitionFailed, [&] { WriteFileAtomically(path, bytes); });
}

void ImplantDefinition(const std::filesystem::path& lastPart, std::vector<std::uint8_t> bytes) {
  AppendImplantedBlock(lastPart, ImplantedBlock(lastPart, std::move(bytes)));
}

void AppendImplantedBlock(const std::filesystem::path& lastPart,
                          std::span<const std::uint8_t> block) {
  File part =
      WithMessage(msg::kImplantDefinitionFailed, [&] { return File::OpenReadWrite(lastPart); });
  const std::int64_t before = part.Size();
  try {
    part.Seek(0, SEEK_END);
    part.Write(block);
    part.Close();
  } catch (const KivoraError& e) {
    // Leave the part as the split wrote it rather than with half a definition.
    std::error_code ec;
    std::filesystem::resize_file(lastPart, static_cast<std::uintmax_t>(before), ec);
    throw KivoraError(msg::kImplantDefinitionFailed, e.what());
  }
}

}  // namespace kivora
