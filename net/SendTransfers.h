#pragma once
// The requests of a send over curl's multi interface, a bounded number at once and a
// few a host: asking a host what it holds under a name (length, and CRC-32 where it says),
// uploading a file under a name (streamed from disk through CRC-32 and SHA-256 as curl
// reads it, never held whole), renaming, removing and making folders. WebDAV (http,
// https: HEAD, PUT, MOVE, DELETE, MKCOL), FTP (ftp, ftps: SIZE, STOR or APPE, RNFR and
// RNTO, DELE, XCRC where the server has it), SFTP (stat, write or append, rename, rm) and S3
// (HEAD with the checksum the host keeps, PUT with x-amz-checksum-crc32), the last two
// signed in through net/HostAccess.h. Dropped connections, time-outs and server
// errors are tried again with growing pauses; an upload starts again where it started.

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/text/MessageText.h"
#include "net/HostAccess.h"
#include "net/SendHosts.h"
#include "net/TransferLoop.h"

namespace kivora::net {

// List: the names in the host's folder (PROPFIND, NLST, the SFTP name list).
enum class RemoteAction { Probe, Upload, Rename, Remove, MakeFolder, List };

struct SendLimits {
  int total = 4;    // requests at once
  int perHost = 2;  // of them, to one host
  int attempts = 3;
  std::chrono::milliseconds firstPause{500};
  long connectSeconds = 30;
  long stallSeconds = 60;
};

struct RemoteRequest {
  int id = 0;
  const SendHost* host = nullptr;
  RemoteAction action = RemoteAction::Probe;
  std::string name;     // in the host's folder; MakeFolder: a folder path below the host
  std::string newName;  // Rename: the name it takes (a name there is replaced)
  // Upload: the local file, sent from `offset` (appended to what the host holds, FTP
  // only) to `size`; the bytes before `offset` are read for the checksums only.
  std::filesystem::path file;
  std::int64_t offset = 0;
  std::int64_t size = 0;
  // S3: the file's CRC-32, sent with it so that the host refuses other bytes and keeps it.
  std::optional<std::uint32_t> crc;
  // Upload: take the SHA-256 too (the first copy of a file does; the others need not).
  bool sha256 = true;
};

struct RemoteEnd {
  int id = 0;
  bool ok = false;
  bool missing = false;              // the host has no file of that name
  bool quota = false;                // the host refused it as too large or over its quota
  bool hostLost = false;             // the host refused the credentials, or cannot be reached
  std::int64_t length = -1;          // Probe, Rename: the length the host reports
  std::optional<std::uint32_t> crc;  // Probe, Rename: the CRC-32 the host reports
  // Upload: the CRC-32 and SHA-256 of the whole file, taken as it was read.
  std::uint32_t sentCrc = 0;
  std::array<std::uint8_t, 32> sha256{};  // when the request asked for it
  std::int64_t sentBytes = 0;
  std::vector<std::string> names;  // List: the files in the folder
  MessageText why;                 // when not ok
};

class SendTransfers {
 public:
  // `access` signs in to sftp and s3 hosts (and outlives this).
  SendTransfers(SendLimits limits, const HostAccess& access);
  ~SendTransfers();
  SendTransfers(const SendTransfers&) = delete;
  SendTransfers& operator=(const SendTransfers&) = delete;

  bool HasRoom() const { return loop_.HasRoom(); }
  bool HasRoom(const std::string& hostKey) const { return loop_.HasRoom(hostKey); }
  bool Idle() const { return loop_.Idle(); }
  // Throws KivoraError when the local file cannot be read.
  void Start(RemoteRequest request);
  // Moves the requests on for at most about `wait`; returns those that ended.
  std::vector<RemoteEnd> Step(std::chrono::milliseconds wait);
  // Bytes uploaded by this run, by every request; and of those running, by file id.
  std::int64_t BytesSent() const { return sent_; }

  struct Job;

 private:
  void Launch(Job& job);
  std::optional<RemoteEnd> Finish(Job& job, int code);

  SendLimits limits_;
  const HostAccess& access_;
  // Before the loop, so that the loop lets go of the handles before their jobs end.
  std::map<int, std::unique_ptr<Job>> jobs_;
  TransferLoop loop_;
  std::int64_t sent_ = 0;
};

// The name in a folder address: every byte but the unreserved ones percent-encoded.
std::string EncodeName(std::string_view name);

}  // namespace kivora::net
