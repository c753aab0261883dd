#include "core/operations/JoinPayload.h"

#include <algorithm>

#include "core/format/CodePage.h"
#include "core/io/Crc32.h"
#include "core/text/Messages.h"

namespace kivora {
namespace {

std::variant<BlockScrambler, GeneratorScrambler> ScramblerOf(std::uint8_t cipherKind,
                                                             const std::string& key,
                                                             std::int64_t size) {
  if (cipherKind == kGeneratorCipher) return GeneratorScrambler(key, size);
  return BlockScrambler(key, static_cast<std::uint64_t>(std::max<std::int64_t>(size, 0)));
}

}  // namespace

ScrambledPayload::ScrambledPayload(std::uint8_t cipherKind, const std::string& key,
                                   std::int64_t payloadSize)
    : size_(payloadSize), scrambler_(ScramblerOf(cipherKind, key, payloadSize)) {}

void ScrambledPayload::Apply(std::span<std::uint8_t> bytes) {
  if (auto* block = std::get_if<BlockScrambler>(&scrambler_)) {
    block->Apply(bytes);
    return;
  }
  std::get<GeneratorScrambler>(scrambler_).Apply(bytes);
  generatorCrc_ = Crc32Update(generatorCrc_, bytes);
}

std::uint32_t ScrambledPayload::PlainCrc(std::uint32_t storedCrc) const {
  const auto* block = std::get_if<BlockScrambler>(&scrambler_);
  if (!block) return generatorCrc_;
  const auto n = static_cast<std::uint64_t>(size_);
  return storedCrc ^ block->KeystreamCrc(n) ^ Crc32OfZeros(n);
}

PartPayload PayloadOfPart(const KvrDefinition& def, int index, const std::string& passwordBig5,
                          const SetCipher* cipher, HelperThread* helper) {
  const PartRecord& rec = def.parts.at(static_cast<size_t>(index));
  if (cipher) {
    return PartPayload(std::in_place_type<SealedPartPayload>, *cipher, index, rec.Size, helper);
  }
  if (!def.header.Disguised) return PlainPayload{};
  const std::string key =
      passwordBig5.empty() ? ToBig5OrThrow(rec.FileName, msg::kNameOfPart) : passwordBig5;
  return PartPayload(std::in_place_type<ScrambledPayload>, def.header.CipherKind, key, rec.Size);
}

}  // namespace kivora
