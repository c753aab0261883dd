#pragma once
// Downloads in the transfer loop (net/TransferLoop.h): a bounded number at once and at
// most a few a host, each appended to its file and resumed from the file's length with a range
// request (a server that ignores ranges sends the file again from its start), retried with growing
// pauses after server errors (5xx, 408, 429), time-outs and dropped connections. Connections are
// kept and reused per host; one whose server broke the framing or the rules of a transfer is closed
// so that no other transfer reads what it left. Small pieces of what arrives gather in a buffer of
// each transfer (kept for the next transfer when it ends) and reach the file in large writes; large
// pieces go as they came. The CRC-32 is taken as the bytes arrive. Redirects go to http and https
// only.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/io/IoBuffer.h"
#include "core/text/MessageText.h"
#include "net/Address.h"
#include "net/HostAccess.h"
#include "net/TransferLoop.h"

namespace kivora::net {

struct TransferLimits {
  int total = 4;    // transfers at once
  int perHost = 2;  // of them, to one host
  // Tries of one address in a row that bring no byte before it is given up.
  int attempts = 4;
  std::chrono::milliseconds firstPause{1000};  // doubles with each try, at most 30 s
  long connectSeconds = 30;
  long stallSeconds = 60;  // a transfer that moves no byte for this long is cut
  HostAccess access;       // how each kind of host is reached and signed in to
};

struct TransferRequest {
  int id = 0;
  Address address;
  std::filesystem::path file;  // appended to from its length
  std::int64_t maxBytes = 0;   // the file never grows past this: more ends the transfer
  // The length the file must have at the end, when known: a server that ends the
  // transfer at another length misbehaved.
  std::int64_t exactBytes = -1;
  int attempts = 0;  // tries of this address; 0: as the limits say
};

enum class TransferResult {
  Served,       // the file holds all the server has
  TooLong,      // the server had more than maxBytes
  WrongLength,  // the server ended the transfer at a length other than exactBytes
  NotThere,     // the server has no such file (or refuses it to us)
  HostFailed,   // the server could not be reached or failed to serve
  WriteFailed,  // the file could not be written (a full disk)
};

struct TransferEnd {
  int id = 0;
  TransferResult result = TransferResult::Served;
  MessageText why;  // when not served
  // What the file holds at the end: its length and the CRC-32 of all of it, taken as the
  // bytes went by (and of what it held before, read once when it was started).
  std::int64_t length = 0;
  std::uint32_t crc = 0;

  bool Ok() const { return result == TransferResult::Served; }
};

class Transfers {
 public:
  explicit Transfers(const TransferLimits& limits);
  ~Transfers();
  Transfers(const Transfers&) = delete;
  Transfers& operator=(const Transfers&) = delete;

  // Room for one more transfer to `host` (Address::host).
  bool HasRoom(const std::string& host) const { return loop_.HasRoom(host); }
  bool HasRoom() const { return loop_.HasRoom(); }
  bool Idle() const { return loop_.Idle(); }
  // Throws KivoraError when the file cannot be opened.
  void Start(TransferRequest request);
  // Moves the transfers on, waiting at most about `wait` for something to happen and not
  // at all while curl has work ready; returns those that ended. Throws KivoraError when
  // curl's multi interface fails.
  std::vector<TransferEnd> Step(std::chrono::milliseconds wait);
  // Bytes received since this began, by every transfer.
  std::int64_t BytesReceived() const { return received_; }

  struct Job;

 private:
  void Launch(Job& job);
  // The end of a finished try: done, or going again (at once or after a pause).
  std::optional<TransferEnd> Finish(Job& job, int code);
  void Retire(Job& job);

  TransferLimits limits_;
  // Before the loop, so that the loop lets go of the handles before their jobs end.
  std::map<int, std::unique_ptr<Job>> jobs_;
  TransferLoop loop_;
  std::vector<IoBuffer> spareBatches_;  // write buffers of ended transfers, for the next
  std::int64_t received_ = 0;
};

}  // namespace kivora::net
