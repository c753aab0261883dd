#include "core/parts/SealedPartProof.h"

#include <algorithm>

namespace kivora {

SealedPartProof::SealedPartProof(const SetCipher& cipher, const KvrDefinition& definition,
                                 int index)
    : begin_(definition.header.Disguised
                 ? std::max<std::int64_t>(
                       definition.parts.at(static_cast<size_t>(index)).PendantSize, 0)
                 : 0),
      end_(begin_ + definition.parts.at(static_cast<size_t>(index)).Size),
      opener_(cipher, index, definition.parts.at(static_cast<size_t>(index)).Size, nullptr,
              &opened_) {}

void SealedPartProof::Add(std::span<const std::uint8_t> bytes) {
  const std::int64_t from = std::clamp(begin_ - at_, std::int64_t{0}, std::ssize(bytes));
  const std::int64_t to = std::clamp(end_ - at_, from, std::ssize(bytes));
  at_ += std::ssize(bytes);
  if (to > from) {
    opener_.Open(bytes.subspan(static_cast<size_t>(from), static_cast<size_t>(to - from)));
  }
}

}  // namespace kivora
