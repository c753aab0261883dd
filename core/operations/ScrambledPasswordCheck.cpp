#include "core/operations/ScrambledPasswordCheck.h"

#include "core/KivoraError.h"
#include "core/format/CodePage.h"
#include "core/io/IoBuffer.h"
#include "core/operations/JoinPayload.h"
#include "core/parts/PartScan.h"

namespace kivora {
namespace {

// Parts read at most for one password: a set whose first parts are all damaged is not
// read through; the operation itself then tells.
constexpr int kMostPartsRead = 3;

}  // namespace

PasswordCheck ScrambledPasswordCheck(const KvrDefinition& def, std::filesystem::path folder) {
  return [&def, folder = std::move(folder)](const SecretText& password) {
    if (!def.header.Disguised || def.header.CipherKind != kBlockCipher) return true;
    const std::string key = PasswordToBig5OrThrow(password.View());
    IoBuffer buffer;
    int read = 0;
    for (const PartRecord& rec : def.parts) {
      if (read == kMostPartsRead) break;
      PartScan scan;
      try {
        scan = ScanPart(folder / rec.FileName, rec.PendantSize, rec.Size, buffer);
      } catch (const KivoraError&) {
        continue;  // a part that cannot be read tells nothing
      }
      if (!scan.exists) continue;
      ++read;
      // Only a part as the split wrote it unscrambles to its record.
      if (Verdict(scan, rec, true, def.implanted) != PartTestResult::Ok) continue;
      return ScrambledPayload(kBlockCipher, key, rec.Size).PlainCrc(scan.payloadCrc) == rec.Crc;
    }
    return true;
  };
}

}  // namespace kivora
