#pragma once
// Checking a part against its record in one streaming pass: the checksum of the whole
// file and of its expected length are taken together, and the payload can be handed
// on (to the join) as it passes, so a part is read once and never held whole.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "core/format/DefinitionRecords.h"
#include "core/io/File.h"
#include "core/io/IoBuffer.h"
#include "core/payload/SetCipher.h"
#include "core/threads/StopCheck.h"

namespace kivora {

enum class PartTestResult { Ok = 0, Missing = 1, Corrupt = 3, Fixable = 5 };

struct PartScan {
  bool exists = false;
  std::int64_t size = 0;
  std::uint32_t wholeCrc = 0;
  std::optional<std::uint32_t> prefixCrc;  // of the expected length, when the file holds it
  std::uint32_t payloadCrc = 0;            // of the payload bytes as stored
  std::int64_t payloadBytes = 0;           // payload bytes the file holds
  bool stopped = false;                    // `stop` ended the read early: no verdict
};

// Receives bytes of the part as they are read: offset counts from the payload's start
// (bytes behind the payload follow on). The bytes may be changed in place.
using PartSink = std::function<void(std::int64_t offset, std::span<std::uint8_t> bytes)>;

// The buffer for the next read, when every read needs one of its own (the bytes are
// handed on to a writer thread).
using NextBuffer = std::function<IoBuffer&()>;

// The expected length of a part: pendant and payload when disguised.
std::int64_t ExpectedPartLength(const PartRecord& record, bool disguised);

inline constexpr size_t kScanChunkBytes = 256 * 1024;

// What a scan does with the bytes it reads besides taking their checksums.
struct ScanReading {
  PartSink sink = {};        // when given, receives the payload
  bool handsOnTail = false;  // the sink receives the bytes behind the payload too
  StopCheck stop = {};       // asked before each chunk
  NextBuffer next = {};      // when given, where each read goes instead of the buffer
  // Bytes a read asks for; larger reads hand the sink more sealed chunks to open on two
  // threads at once.
  size_t readBytes = kScanChunkBytes;
  // When given, where every read goes, whole (for a file open with O_DIRECT: memory, offset
  // and length on its blocks); bytes past the range read are not scanned.
  std::span<std::uint8_t> whole = {};
};

// Reads the file at path once. The payload is the `payloadSize` bytes behind
// `pendantSize` bytes of pendant. A missing file, or anything but a regular file, gives
// exists = false; a file that cannot be read throws KivoraError. Reads go to buffer
// unless `reading` names another place.
PartScan ScanPart(const std::filesystem::path& path, std::int64_t pendantSize,
                  std::int64_t payloadSize, IoBuffer& buffer, const ScanReading& reading = {});

// The part file at path opened for reading; unopened when there is no regular file of that
// name (a missing part). Throws KivoraError (242) when it is there and cannot be opened.
File OpenPartFile(const std::filesystem::path& path);

// ScanPart of the `length` bytes of an open file from `start` (fewer when it ends first),
// read without moving its position: a part's bytes where a join placed them.
PartScan ScanRange(File& file, std::int64_t start, std::int64_t length, std::int64_t pendantSize,
                   std::int64_t payloadSize, IoBuffer& buffer, const ScanReading& reading = {});

// The CRC-32 of the `length` bytes of an open file from `start`, read as ScanRange reads
// them (the one reading of a range for its checksum: parts, recovery parts, fetched files).
// Empty optional when `stop` ended the read; throws KivoraError when the file ends first or
// cannot be read.
std::optional<std::uint32_t> RangeCrc32(File& file, std::int64_t start, std::int64_t length,
                                        IoBuffer& buffer, const StopCheck& stop = {});

// ScanRange of a range without a pendant, read and summed in two halves side by side,
// each by its own thread (the way a set's test reads two parts at once): for a part read
// from the page cache, where reading takes about as long as summing. The halves meet
// inside the payload; a range under 2 MiB is read on the calling thread alone.
// buffers: one for each thread.
PartScan ScanRangeInHalves(File& file, std::int64_t start, std::int64_t length,
                           std::int64_t payloadSize, std::span<IoBuffer, 2> buffers,
                           const StopCheck& stop = {});

// The verdict on a scanned part: OK, corrupt, or fixable (longer than expected and its
// first expected bytes match; OK instead when the definition was implanted, since the
// last part then carries it behind its payload). A plain part of an encrypted set
// (sealed) is checked against the complement of its Crc (SealedRecordCrc).
PartTestResult Verdict(const PartScan& scan, const PartRecord& record, bool disguised,
                       bool implanted, bool sealed = false);

// The CRC-32 a whole part file has when it holds what its record says (its pendant too
// when disguised), as Verdict compares it.
std::uint32_t ExpectedPartCrc(const PartRecord& record, bool disguised, bool sealed = false);

// True when the content's CRC-32 is the record's: PartCrc when disguised, else Crc.
bool PartMatchesCrc(std::span<const std::uint8_t> content, const PartRecord& record,
                    bool disguised);

// Tests part `index` of the definition at path; empty optional when `stop` ended it.
// With the cipher of an encrypted set every sealed chunk is opened in the same pass,
// and a part whose chunks do not all prove authentic is corrupt whatever its checksums.
std::optional<PartTestResult> TestPart(const KvrDefinition& definition, int index,
                                       const std::filesystem::path& path, IoBuffer& buffer,
                                       const StopCheck& stop = {},
                                       const SetCipher* cipher = nullptr);

}  // namespace kivora
