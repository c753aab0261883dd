#pragma once
// How the join turns the payload of a part into the source's bytes: one reader per kind
// of payload, chosen once for each part from the set's definition.

#include <cstdint>
#include <span>
#include <string>
#include <variant>

#include "core/format/DefinitionRecords.h"
#include "core/payload/GeneratorScrambler.h"
#include "core/payload/Scramblers.h"
#include "core/payload/SealedPayload.h"
#include "core/payload/SetCipher.h"
#include "core/threads/HelperThread.h"

namespace kivora {

// A plain part: its payload is the source's bytes as they are.
struct PlainPayload {};

// A disguised part's payload, scrambled with the password or the part's name: by the
// block scrambler (cipher kind 1), or by the generator of older sets (cipher kind 0).
class ScrambledPayload {
 public:
  ScrambledPayload(std::uint8_t cipherKind, const std::string& key, std::int64_t payloadSize);
  // Unscrambles the next bytes of the payload in place.
  void Apply(std::span<std::uint8_t> bytes);
  // The CRC-32 of the whole plain payload, from that of the payload as stored.
  std::uint32_t PlainCrc(std::uint32_t storedCrc) const;

 private:
  std::int64_t size_;
  std::variant<BlockScrambler, GeneratorScrambler> scrambler_;
  std::uint32_t generatorCrc_ = 0;  // the generator's CRC is taken of the bytes it gives
};

// A sealed part of an encrypted set (cipher kind 2): its chunks are opened and proved
// as they pass.
struct SealedPartPayload {
  SealedPartPayload(const SetCipher& cipher, int index, std::int64_t sealedSize,
                    HelperThread* helper)
      : opener(cipher, index, sealedSize, helper) {}
  PayloadOpener opener;
  std::int64_t opened = 0;  // plain bytes the chunks opened to so far
};

using PartPayload = std::variant<PlainPayload, ScrambledPayload, SealedPartPayload>;

// The reader of part `index`'s payload: sealed when cipher is given, scrambled when the
// set is disguised (with the password in Big5, or the part's name when it is empty),
// plain otherwise.
PartPayload PayloadOfPart(const KvrDefinition& definition, int index,
                          const std::string& passwordBig5, const SetCipher* cipher,
                          HelperThread* helper);

}  // namespace kivora
