#pragma once
// Fetching a set from the addresses its files were put at. The definition comes first (a
// definition file, or the last part when it carries the definition); then every part it
// names and every recovery part of the set that an address ends in. Every file proves
// against the definition before it takes its name: a part by its length and CRC-32 (and,
// given the password of an encrypted set, by every sealed chunk), a recovery part by its
// header and CRC-32s. A file that fails is fetched again from its next address; a server
// that refused, failed or served bad bytes is tried last from then on, and after
// kFailuresToDrop failures not at all. A definition file that the mirrors serve in
// different copies is taken as FetchDefinitionCopies says (FetchOperation.cpp). A file of
// the folder that proves is not fetched again; a download waits under PartialName
// (net/FetchProof.h) across runs and is resumed. Proven files are published by the set's
// transaction (core/set/SetTransaction.h) under its lock, the definition last. File names
// come from the definition only; an address's own path only matches it to one of them.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
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

// Failures of a server (refused, failed or wrong bytes) after which it is used no more in
// a run; after the first it is tried after every other.
inline constexpr int kFailuresToDrop = 3;

struct FetchRequest {
  std::vector<Address> addresses;
  std::filesystem::path folder;  // created when missing
  TransferLimits limits;
  std::optional<SecretText> password;
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
  std::int64_t exactBytes = -1;  // the length a download must end at, when known
  FetchState state = FetchState::Waiting;
  std::string from;  // the address it came from
  MessageText why;   // why it is lost
  bool servedBadBytes = false;
  std::string partialName;  // the download's name when not PartialName(name)
  int attempts = 0;         // tries of one address; 0: as the limits say
  std::set<size_t> tried;   // indices in addresses
  size_t current = 0;       // the address being tried

  // In the folder and proved, whether this run downloaded it or found it there.
  bool Here() const { return state == FetchState::Present || state == FetchState::Fetched; }
};

struct FetchOutcome {
  // The definition file, or the part that carries it; empty when no definition was had.
  std::filesystem::path definitionPath;
  std::vector<FetchedFile> files;  // parts, recovery parts, then the definition file
  bool stopped = false;
  bool refused = false;  // the password did not open the set (said so)
  bool failed = false;   // an error ended the fetch (said so)
  std::int64_t bytes = 0;
  // Servers that failed (refused, failed or served wrong bytes) and how often: they were
  // tried after the others, and after kFailuresToDrop not at all.
  std::map<std::string, int> failedHosts;
  // Addresses that served another join definition than the one taken.
  std::vector<std::string> foreignMirrors;
  // The folder could not be written (a full disk): why; the fetch stopped starting files.
  MessageText writeError;

  int Count(FetchState state) const;
  // Every file of the set is in the folder, proved.
  bool Whole() const;
};

// "N files: F fetched, P already in the folder", with how many could not be had.
MessageText FetchSummary(const FetchOutcome& outcome);

// Reports WorkStarted, the files' states, Progress (files through and bytes received,
// OperationKind::Fetch), and at the end the servers that failed, the files not had and
// the summary (FetchSummary) as its closing: completed when the set is whole, incomplete
// when files are missing, failed when an error ended it (no address names a definition,
// none serves one, the set's lock is held, the folder cannot be written), interrupted on a
// stop. Throws nothing of its own.
FetchOutcome RunFetch(const FetchRequest& request, const PendantProvider& pendants,
                      OperationEvents& events);

}  // namespace kivora::net
