#include "core/format/DefinitionReader.h"

#include <algorithm>
#include <cstring>

#include "core/KivoraError.h"
#include "core/format/CodePage.h"
#include "core/io/Crc32.h"
#include "core/io/LittleEndian.h"
#include "core/payload/SealedPayload.h"
#include "core/payload/SetCipher.h"
#include "core/text/GroupThousands.h"
#include "core/text/Messages.h"

namespace kivora {
namespace {

// Reads fields from definition bytes; running off the end means the data is not a
// (complete) definition.
class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}

  std::uint8_t Byte() {
    Need(1);
    return data_[pos_++];
  }
  template <typename T>
  T Int() {
    Need(sizeof(T));
    const T v = LoadLittleEndian<T>(data_, pos_);
    pos_ += sizeof(T);
    return v;
  }
  // Bytes up to the next 0x00, which is consumed.
  std::string_view Text() {
    const auto begin = data_.begin() + static_cast<std::ptrdiff_t>(pos_);
    const auto end = std::find(begin, data_.end(), std::uint8_t{0});
    if (end == data_.end()) Truncated();
    std::string_view text(reinterpret_cast<const char*>(&*begin), static_cast<size_t>(end - begin));
    pos_ += text.size() + 1;
    return text;
  }
  size_t Remaining() const { return data_.size() - pos_; }

 private:
  void Need(size_t n) {
    if (Remaining() < n) Truncated();
  }
  [[noreturn]] static void Truncated() { throw KivoraError(msg::kNotDefinition211); }

  std::span<const std::uint8_t> data_;
  size_t pos_ = 0;
};

bool DigitFlag(std::uint8_t byte, const MessageText& error) {
  if (byte < '0' || byte > '9') throw KivoraError(error);
  return byte != '0';
}

std::string NameFromDefinition(std::string_view big5) {
  auto utf8 = FromBig5(big5);
  if (!utf8 || !IsPlainFileName(*utf8)) throw KivoraError(msg::kBadNameInDefinition);
  return *utf8;
}

}  // namespace

bool IsPlainFileName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("/\\") == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

KvrDefinition DecodeDefinition(std::span<const std::uint8_t> bytes,
                               const PendantProvider& provider) {
  KvrDefinition def;
  DefinitionHeader& h = def.header;
  ByteReader r(bytes);

  std::string magic;
  for (int i = 0; i < 3 && r.Remaining() > 0; ++i) magic += static_cast<char>(r.Byte());
  const std::optional<MagicLayout> layout = LayoutOf(magic);
  if (!layout) throw KivoraError(msg::kNotDefinition211);
  h.Magic = magic;
  def.level = layout->level;
  h.CipherKind = r.Byte();
  r.Text();  // home address, length not fixed for readers
  h.Disguised = DigitFlag(r.Byte(), msg::kNotDefinition212);
  h.Protected = DigitFlag(r.Byte(), msg::kNotDefinition214);
  if (def.level == 2) h.Reserved = r.Byte();
  r.Byte();  // separator
  h.SourceName = NameFromDefinition(r.Text());
  h.SourceSize = layout->wideSourceSize ? r.Int<std::int64_t>() : r.Int<std::int32_t>();
  h.PartCount = r.Int<std::int16_t>();
  h.Comment = FromBig5Lossy(r.Text());
  if (def.level == 2) h.PluginChecksum = r.Int<std::uint32_t>();

  if (h.PartCount < 0) throw KivoraError(msg::kOutOfMemory222);
  // Every record takes at least 9 bytes: a count the data cannot hold is cut off.
  if (static_cast<size_t>(h.PartCount) * 9 > r.Remaining()) {
    throw KivoraError(msg::kNotDefinition211);
  }
  def.parts.resize(static_cast<size_t>(h.PartCount));
  for (PartRecord& p : def.parts) {
    p.FileName = NameFromDefinition(r.Text());
    p.Size = r.Int<std::int32_t>();
    p.Crc = r.Int<std::uint32_t>();
    if (!h.Disguised) continue;
    p.PartCrc = r.Int<std::uint32_t>();
    p.PendantNo = r.Byte();
    if (def.level == 2) {
      p.PendantSize = r.Int<std::int32_t>();
    } else {
      const auto size = provider.BuiltinPendantSize(p.PendantNo);
      if (!size) throw KivoraError(msg::kNoBuiltinPendant);
      p.PendantSize = *size;
    }
  }
  // Bytes after the last record are not read but count in the checksum; an encrypted
  // set keeps its key parameters there.
  if (h.CipherKind == kSealedCipher) {
    h.Encryption = DecodeEncryptionBlock(bytes.subspan(bytes.size() - r.Remaining()));
    if (!h.Encryption) throw KivoraError(msg::kBadEncryptionBlock217);
    // Every encrypted set is written protected: a cleared flag is a changed definition.
    if (!h.Protected) throw KivoraError(msg::kDefinitionNotAuthentic252);
    if (h.Encryption->version >= 2) def.signedBytes.assign(bytes.begin(), bytes.end());
  }
  // The wide size field is ours alone: its parts must add up to it, so a damaged size
  // cannot pass for a file of another length. An encrypted part records its sealed
  // length, which holds a tag per chunk beyond its share of the source.
  if (layout->wideSourceSize) {
    std::int64_t sum = 0;
    for (const PartRecord& p : def.parts) {
      const std::optional<std::int64_t> plain =
          h.Encryption ? PlainSize(p.Size, h.Encryption->chunkSize) : p.Size;
      if (!plain) throw KivoraError(msg::kSizesDisagree216);
      sum += *plain;
    }
    if (sum != h.SourceSize) throw KivoraError(msg::kSizesDisagree216);
  }
  def.checksum = StreamCrc32(bytes);
  return def;
}

KvrDefinition ReadDefinition(const std::filesystem::path& path, const PendantProvider& provider) {
  return DecodeStoredDefinition(ReadStoredDefinition(path), path, provider);
}

KvrDefinition DecodeStoredDefinition(const StoredDefinitionBytes& stored,
                                     const std::filesystem::path& path,
                                     const PendantProvider& provider) {
  if (!stored.implanted) {
    KvrDefinition def = DecodeDefinition(stored.bytes, provider);
    def.fileSize = static_cast<std::int64_t>(stored.bytes.size());
    return def;
  }
  std::vector<std::uint8_t> bytes = UnwrapImplantedBlock(stored.bytes, path);
  KvrDefinition def = DecodeDefinition(bytes, provider);
  def.implanted = true;
  def.implantedBytes = std::move(bytes);
  return def;
}

MessageText ProtectionText(const DefinitionHeader& h) {
  if (h.CipherKind == kSealedCipher && h.Encryption) {
    return h.Encryption->version >= 2 ? msg::kPasswordEncrypts : msg::kPasswordEncryptsUnsigned;
  }
  return h.Protected ? msg::kPasswordScrambles : msg::kPasswordNotRequired;
}

std::vector<std::pair<MessageText, MessageText>> SummaryRows(const KvrDefinition& def) {
  const DefinitionHeader& h = def.header;
  MessageText disguise = msg::kDisguiseNone;
  if (h.Disguised) disguise = def.level == 2 ? msg::kDisguisePlugin : msg::kDisguiseYes;
  return {
      {msg::kRowFileName, MessageText::Plain(h.SourceName)},
      {msg::kRowFileSize, msg::kBytes(GroupThousands(h.SourceSize))},
      {msg::kRowPartCount, MessageText::Plain(std::to_string(h.PartCount))},
      {msg::kRowDisguise, disguise},
      {msg::kRowPassword, ProtectionText(h)},
      {msg::kRowComment, MessageText::Plain(h.Comment)},
  };
}

}  // namespace kivora
