#pragma once
// Writing one part: plain (the payload unchanged) or disguised (a pendant picture,
// then the payload scrambled with the part's key).

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/PendantProvider.h"
#include "core/format/DefinitionRecords.h"
#include "core/io/File.h"
#include "core/io/IoBuffer.h"
#include "core/parts/Random.h"
#include "core/payload/Scramblers.h"
#include "core/payload/SealedPayload.h"
#include "core/payload/SetCipher.h"
#include "core/threads/HelperThread.h"
#include "core/threads/StopCheck.h"

namespace kivora {

// Draws a pendant index from 0..count-1: r uniform in 0..2count-1, n = round(r / 2)
// redrawn while 0, entry n (1-based). The last entry is half as likely as the others.
int ChoosePendantIndex(int count, Random& random);

// The message when creating a part fails, up to its taking its name: (121) for a
// disguised part, speaking of encryption only when the part is sealed; (131) otherwise.
MessageText CreatePartFailedText(bool disguised, bool sealed);

// Receives the bytes of a part as they go to disk, in order.
using WrittenBytes = std::function<void(std::span<const std::uint8_t>)>;

// Bytes of a part read, scrambled and written at a time: small enough to stay in the
// processor's cache between the copy in, the checksums, the XOR and the copy out.
inline constexpr size_t kPartChunkBytes = 256 * 1024;

// An encrypted set's part: its payload is sealed (SealedPayload.h) instead of scrambled.
struct Sealing {
  const SetCipher* cipher = nullptr;
  int partIndex = 0;
  HelperThread* helper = nullptr;  // seals half of the chunks when given
  IoBuffer* buffer = nullptr;      // for the sealed bytes, kept between parts
};

struct PartChecksums {
  std::uint32_t crc = 0;      // of the plain payload (sealed: the record's Crc of it)
  std::uint32_t partCrc = 0;  // of the whole part as written (disguised parts)
  bool written = false;       // the part waits under its hidden name (accept agreed)
  bool stopped = false;       // `stop` ended the write: nothing was written
};

// Turns a part's plain payload into the bytes stored, and keeps the part's checksums:
// scrambled in place under key (Big5) when there is a pendant, sealed with `seal`, or
// unchanged. The pendant itself is written by the caller, before the payload.
class PartEncoder {
 public:
  PartEncoder(std::int64_t size, std::optional<std::span<const std::uint8_t>> pendant,
              std::string_view key, const std::optional<Sealing>& seal);
  // Takes the next plain bytes of the payload and returns the bytes to store for them:
  // plain itself, or sealed bytes (in sealedOut when given, else in the seal's buffer)
  // valid until the next call.
  std::span<const std::uint8_t> Encode(std::span<std::uint8_t> plain,
                                       IoBuffer* sealedOut = nullptr);
  // The payload's last bytes to store (a sealed empty payload's tag), valid while this
  // lives; the checksums are complete after it.
  std::span<const std::uint8_t> Finish();
  const PartChecksums& Checksums() const { return sums_; }

 private:
  std::int64_t size_;
  bool pendant_;
  PartChecksums sums_;
  std::optional<BlockScrambler> scrambler_;
  std::optional<PayloadSealer> sealer_;
  std::int64_t stored_ = 0;
};

// Streams `size` bytes from source's current position into a new part file for path:
// plain, or (with a pendant) the pendant followed by the payload scrambled with the block
// scrambler under key (Big5). The file is written without a name or under a temporary
// one, and left synced under hiddenName (a set's, for its commit: core/set/SetCommit.h)
// only when accept (if given) agrees to the checksums, so a failed or refused write
// leaves nothing and never touches the file at path. The trailer (an implanted
// definition) follows the payload and counts in no checksum. `stop` is asked before each
// chunk; when it says so, the temporary file is removed. With `seal` the payload is
// sealed, with or without a pendant, and key is not used. `written` sees every byte
// written, in order. Throws KivoraError:
// (132) reading the source, (121) creating a disguised part, (131) other write errors.
PartChecksums StreamPart(File& source, std::span<std::uint8_t> chunk,
                         const std::filesystem::path& path, std::int64_t size,
                         std::optional<std::span<const std::uint8_t>> pendant, std::string_view key,
                         const std::string& hiddenName,
                         const std::function<bool(const PartChecksums&)>& accept = {},
                         std::span<const std::uint8_t> trailer = {}, const StopCheck& stop = {},
                         std::optional<Sealing> seal = std::nullopt,
                         const WrittenBytes& written = {});

struct SplitPart {
  std::filesystem::path path;
  std::string fileName;         // UTF-8, no folder
  std::string key;              // Big5: the password, or the part's file name
  std::int32_t size = 0;        // source bytes
  std::optional<Sealing> seal;  // encrypted sets
  // The name was free and the set's intent lists it: the part is created under it.
  bool listedAsCreated = false;
};

// The pendants a split draws from: an opened set and its ids.
struct PendantPool {
  // Shared with the writers of the parts, which write its pictures after the pool is gone.
  std::shared_ptr<const PendantSet> set;
  std::vector<int> ids;
};

enum class RebuildResult { Matched, Mismatch, Stopped };

// Verify mode (re-split): rebuilds the part of `record` from the next record.Size bytes
// of source: the pendant record.PendantNo of `pendants` in front when disguised. Only
// when its checksum equals the recorded one (PartCrc of a disguised part, Crc of a plain
// one) is the part left, synced, under hiddenName beside path, for the set's commit
// (core/set/SetCommit.h) to give it path's name; on a mismatch or a stop nothing is left
// and the file at path is untouched. The trailer (the implanted definition of a last
// part) is written behind a matching part. A missing pendant throws KivoraError (112).
// A plain part is cloned from the source where the file system allows it (RangeCopy.h)
// and proved by reading it in its new file.
// A sealed part (record.Size counts sealed bytes) is read and sealed in memory and
// written only when that proves the source: its nonces must never seal other data on
// disk.
RebuildResult RebuildPart(File& source, IoBuffer& buffer, const std::filesystem::path& path,
                          const std::string& hiddenName, const PartRecord& record, bool disguised,
                          const PendantSet* pendants, std::string_view key,
                          std::span<const std::uint8_t> trailer = {}, const StopCheck& stop = {},
                          std::optional<Sealing> seal = std::nullopt);

}  // namespace kivora
