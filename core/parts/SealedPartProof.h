#pragma once
// Proving the sealed chunks of a part of an encrypted set while the part file's bytes
// pass by for another purpose (a scan, a rebuild), so no second read is needed: the
// pendant of a disguised part and anything behind the payload are passed over.

#include <cstdint>
#include <span>
#include <vector>

#include "core/format/DefinitionRecords.h"
#include "core/payload/SealedPayload.h"
#include "core/payload/SetCipher.h"

namespace kivora {

class SealedPartProof {
 public:
  // Part `index` of `definition`, whose chunks `cipher` opens; both outlive this.
  SealedPartProof(const SetCipher& cipher, const KvrDefinition& definition, int index);
  SealedPartProof(const SealedPartProof&) = delete;
  SealedPartProof& operator=(const SealedPartProof&) = delete;

  // The next bytes of the part file, in order from its first byte.
  void Add(std::span<const std::uint8_t> bytes);
  // Every chunk of the payload arrived and proved authentic.
  bool Authentic() const { return opener_.Authentic(); }

 private:
  std::int64_t begin_;  // where the payload starts in the file
  std::int64_t end_;    // and where it ends
  std::int64_t at_ = 0;
  IoBuffer opened_;  // what the chunks open to, not kept
  PayloadOpener opener_;
};

}  // namespace kivora
