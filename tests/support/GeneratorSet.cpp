#include "tests/support/GeneratorSet.h"

#include "core/format/DefinitionWriter.h"
#include "core/io/Crc32.h"
#include "core/payload/Scramblers.h"
#include "tests/support/TestSupport.h"

namespace kivora::test {

std::filesystem::path WriteGeneratorCipherSet(const std::filesystem::path& folder,
                                              std::span<const std::uint8_t> content,
                                              std::span<const std::uint8_t> pendant,
                                              int pendantNo) {
  using Bytes = std::vector<std::uint8_t>;
  const size_t third = content.size() / 3;
  const Bytes a(content.begin(),
                content.begin() + static_cast<std::ptrdiff_t>(third));  // part 1, joined first
  const Bytes b(content.begin() + static_cast<std::ptrdiff_t>(third),
                content.begin() + static_cast<std::ptrdiff_t>(2 * third));  // part 2
  const Bytes c(content.begin() + static_cast<std::ptrdiff_t>(2 * third),
                content.end());                      // part 0, last
  auto exchange = [](const Bytes& x, size_t keep) {  // x[keep..) then x[..keep)
    Bytes out(x.begin() + static_cast<std::ptrdiff_t>(keep), x.end());
    out.insert(out.end(), x.begin(), x.begin() + static_cast<std::ptrdiff_t>(keep));
    return out;
  };
  // The join appends part 0 as D[h..) + D[..h) and part 1 as D[n-h..) + D[..n-h).
  const std::vector<Bytes> payloads = {exchange(c, c.size() - c.size() / 2),
                                       exchange(a, a.size() / 2), b};

  DefinitionHeader h;
  h.CipherKind = kGeneratorCipher;
  h.Disguised = true;
  h.SourceName = "old.bin";
  h.SourceSize = static_cast<std::int32_t>(content.size());
  h.PartCount = 3;
  std::vector<PartRecord> records;
  for (size_t i = 0; i < 3; ++i) {
    PartRecord rec;
    rec.FileName = "old0" + std::to_string(i) + ".png";
    rec.Size = static_cast<std::int32_t>(payloads[i].size());
    rec.Crc = StreamCrc32(payloads[i]);
    Bytes part(pendant.begin(), pendant.end());
    ScrambleCopy(payloads[i], part, rec.FileName, kGeneratorCipher);
    rec.PartCrc = StreamCrc32(part);
    rec.PendantNo = static_cast<std::int16_t>(pendantNo);
    rec.PendantSize = static_cast<std::int32_t>(pendant.size());
    WriteBytes(folder / rec.FileName, part);
    records.push_back(rec);
  }
  const auto definition = folder / "old.kvr";
  WriteBytes(definition, EncodeDefinition(h, records));
  return definition;
}

}  // namespace kivora::test
