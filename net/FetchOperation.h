#pragma once
// Fetching a set from the addresses its files were put at. The definition comes first (a
// definition file, or the last part when it carries the definition); then every part it
// names and every recovery part of the set that an address ends in. Every file proves
// against the definition before it takes its name: a part by its length and CRC-32 (and,
// given the password of an encrypted set, by every sealed chunk), a recovery part by its
// header and CRC-32s. A file that fails is fetched again from its next address, and a
// mirror that served bad bytes is tried last from then on. A file of the folder that
// proves is not fetched again; a download waits under PartialName (net/FetchProof.h)
// across runs and is resumed. Proven files are published by the set's commit
// (core/set/SetCommit.h) under its lock, the definition last. File names come from the
// definition only; an address's own path only matches it to one of them.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/OperationEvents.h"
#include "core/PendantProvider.h"
#include "core/payload/SecretText.h"
#include "net/Address.h"
#include "net/Transfers.h"

namespace kivora::net {

struct FetchProgress {
  int filesDone = 0;
  int filesTotal = 0;
  std::int64_t bytes = 0;  // received by this run
};

struct FetchRequest {
  std::vector<Address> addresses;
  std::filesystem::path folder;  // created when missing
  TransferLimits limits;
  std::optional<SecretText> password;
  std::function<void(const FetchProgress&)> onProgress;  // now and then while it runs
};

enum class FetchState {
  Waiting,
  Running,
  Present,  // in the folder already, proved
  Fetched,  // downloaded and proved (`from` is empty for a download of an earlier run)
  Lost,     // no address served it whole
};

struct FetchedFile {
  std::string name;
  FileRole role;
  std::vector<Address> addresses;
  std::int64_t length = -1;  // exact length when the definition gives it
  std::int64_t maxBytes = 0;
  FetchState state = FetchState::Waiting;
  std::string from;  // the address it came from
  MessageText why;   // why it is lost
  bool servedBadBytes = false;
  std::set<size_t> tried;  // indices in addresses
  size_t current = 0;      // the address being tried

  // In the folder and proved, whether this run downloaded it or found it there.
  bool Here() const { return state == FetchState::Present || state == FetchState::Fetched; }
};

struct FetchOutcome {
  // The definition file, or the part that carries it; empty when no definition was had.
  std::filesystem::path definitionPath;
  std::vector<FetchedFile> files;  // parts, recovery parts, then the definition file
  bool stopped = false;
  bool refused = false;  // the password did not open the set (said so)
  std::int64_t bytes = 0;

  int Count(FetchState state) const;
};

// Throws KivoraError when no address names a definition, when none serves one, when the
// set's lock is held or when the folder cannot be written.
FetchOutcome RunFetch(const FetchRequest& request, const PendantProvider& pendants,
                      OperationEvents& events);

}  // namespace kivora::net
