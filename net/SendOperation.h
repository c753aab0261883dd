#pragma once
// Sending a set to the hosts its list will name. The definition is read first; its parts,
// its recovery parts and the definition file are planned onto the hosts (net/SendPlan.h)
// and the plan is shown before any byte goes. Then each copy: the host is asked what it
// holds under the file's name, and a copy that proves there (its length, and its CRC-32
// where the host tells it) is not sent again; otherwise the file is uploaded under a
// hidden name (an FTP or SFTP upload goes on from what that name holds), proved there, and
// only then renamed to its name; an S3 PUT takes its name whole or not at all, and carries
// the file's CRC-32 for the host to check and keep. A host that refuses a file as too large or over
// its quota is named with the file, and with Spread the file goes to another host where the spread
// allows it.
//
// RunSend is an operation like the others: its work is reported (WorkStarted, each file's
// state as its copies end, Progress in bytes sent, the closing and Finished), it stops when
// the events ask it to, and whatever escapes it becomes "Send failed." with its reason.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/OperationEvents.h"
#include "core/PendantProvider.h"
#include "net/SendHosts.h"
#include "net/SendPlan.h"
#include "net/SendTransfers.h"

namespace kivora::net {

enum class SendState {
  Planned,
  Running,
  Present,  // on the host already, proved
  Sent,     // uploaded, proved and renamed
  Refused,  // the host refused it as too large or over its quota
  Failed,
};

struct FileCopy {
  size_t host = 0;
  SendState state = SendState::Planned;
  bool lengthProved = false;
  bool crcProved = false;  // the host reported the CRC-32 and it matched
  MessageText why;
};

struct SentFile {
  PlannedFile planned;
  std::filesystem::path path;
  std::vector<FileCopy> copies;
  std::optional<std::uint32_t> crc;
  std::optional<std::array<std::uint8_t, 32>> sha256;
  bool hashing = false;  // an upload under way takes the SHA-256

  std::string Sha256Hex() const;
};

struct SendRequest {
  std::filesystem::path definition;  // the definition file, or the last part carrying it
  std::vector<SendHost> hosts;
  Placement placement = Placement::AllCopies;
  SendLimits limits;
  HostAccess access;  // how sftp and s3 hosts are signed in to
  // The plan, before anything is sent; a refused plan is not shown.
  std::function<void(const std::vector<SentFile>&, const std::vector<SendHost>&)> onPlan;
  // A copy that ended (proved, refused or failed).
  std::function<void(const SentFile&, const FileCopy&)> onCopy;
};

// A proved copy as a row of the file list: the folder it is in and its name.
struct SentRow {
  std::string address;
  std::string name;
};

struct SendOutcome {
  std::vector<SentFile> files;  // the definition file, the parts, then the recovery parts
  std::vector<SendHost> hosts;
  std::optional<MessageText> refusal;  // the plan was refused: nothing was sent
  std::optional<MessageText> refusalHint;
  bool stopped = false;
  bool failed = false;  // an error ended it (said so)
  std::int64_t bytes = 0;
  OperationResult result;  // how it ended and each file's last state

  int Count(SendState state) const;
  int Copies() const;
  bool AllProved() const;
};

// Hidden name a file is uploaded under until it proves on the host.
std::string HiddenSendName(std::string_view name);

// The rows of the file list the outcome gives: every proved copy, host by host (so that
// a distributed list switches host with every line), with the host's folder as address.
std::vector<SentRow> SentRows(const SendOutcome& outcome);

// The file's state in the state list, from its copies that ended.
FileState SentFileState(const SentFile& file);

// Reports what it does through `events`; throws nothing. A plan that is refused is said
// (with a hint) before any work, and nothing is sent.
SendOutcome RunSend(const SendRequest& request, const PendantProvider& pendants,
                    OperationEvents& events);

}  // namespace kivora::net
