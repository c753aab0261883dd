#pragma once
// Proving the copies of a set on its hosts without writing anything here. The definition
// is read into memory from the first address that serves one (a definition file, or the
// block at the end of the last part, read by ranges). Then every copy of every file at
// every address is asked for: its length (HEAD, SIZE or stat) must be the definition's;
// where the host keeps a CRC-32 of the file (S3's checksum) that must be the
// definition's; elsewhere the bytes are streamed through the CRC-32 and dropped. A
// recovery part proves by its header, whose pieces' CRC-32s must combine into the whole
// file's. Then the repair plan, as a dry run over those verdicts: which files prove
// nowhere and whether the recovery parts that prove can rebuild them.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/OperationEvents.h"
#include "core/PendantProvider.h"
#include "core/text/MessageText.h"
#include "net/Address.h"
#include "net/HostAccess.h"

namespace kivora::net {

enum class CopyState {
  Proved,
  Wrong,    // the host has other bytes (or another length) under the name
  Missing,  // the host answered that it has no such file
  Failed,   // the host could not be asked (refused, unreachable, signed in wrongly)
};

enum class CopyProof {
  None,
  HostChecksum,  // the length and the CRC-32 the host keeps of the file
  Streamed,      // the bytes streamed through the CRC-32
};

struct CheckedCopy {
  Address address;
  CopyState state = CopyState::Failed;
  CopyProof proof = CopyProof::None;
  std::int64_t length = -1;  // as the host gave it or as it streamed; -1 when unknown
  MessageText why;           // when not proved
};

struct CheckedFile {
  std::string name;
  FileRole role;
  std::vector<CheckedCopy> copies;

  bool Proved() const;
  FileState State() const;  // Ok when a copy proves, Corrupt when one is wrong, else Missing
};

struct RepairPlan {
  bool recoveryFound = false;  // a recovery part proved somewhere, and its header the groups
  int lost = 0;                // files of the set that prove nowhere (unlisted recovery parts too)
  int rebuildable = 0;         // of them, those the recovery parts that prove can rebuild
  bool sourceRebuildable = false;  // every part proves somewhere or can be rebuilt
};

struct CheckOutcome {
  std::string definitionName;      // the definition file, or the part that carries it
  std::vector<CheckedFile> files;  // parts, recovery parts, then the definition file
  RepairPlan plan;
  bool stopped = false;

  bool AllProved() const;
};

struct CheckRequest {
  std::vector<Address> addresses;
  HostAccess access;
  // After each copy: copies asked so far and in all.
  std::function<void(int done, int total)> onProgress;
};

// Throws KivoraError when no address names a definition or none serves one that reads.
CheckOutcome RunCheck(const CheckRequest& request, const PendantProvider& pendants,
                      OperationEvents& events);

}  // namespace kivora::net
