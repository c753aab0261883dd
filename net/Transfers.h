#pragma once
// Downloads over curl's multi interface: a bounded number at once and at most a few a
// host, each appended to its file and resumed from the file's length with a range request
// (a server that ignores ranges sends the file again from its start), retried with
// growing pauses after server errors (5xx, 408, 429), time-outs and dropped connections.
// Redirects go to http and https only.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/text/MessageText.h"
#include "net/Address.h"
#include "net/HostAccess.h"

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
};

struct TransferEnd {
  int id = 0;
  bool ok = false;       // the file holds all the server has
  bool tooLong = false;  // the server had more than maxBytes
  MessageText why;       // when not ok
  // What the file holds at the end: its length and the CRC-32 of all of it, taken as the
  // bytes went by (and of what it held before, read once when it was started).
  std::int64_t length = 0;
  std::uint32_t crc = 0;
};

class Transfers {
 public:
  explicit Transfers(TransferLimits limits);
  ~Transfers();
  Transfers(const Transfers&) = delete;
  Transfers& operator=(const Transfers&) = delete;

  // Room for one more transfer to `host` (Address::host).
  bool HasRoom(const std::string& host) const;
  bool HasRoom() const { return static_cast<int>(jobs_.size()) < limits_.total; }
  bool Idle() const { return jobs_.empty(); }
  // Throws KivoraError when the file cannot be opened.
  void Start(TransferRequest request);
  // Moves the transfers on for at most about `wait`; returns those that ended.
  std::vector<TransferEnd> Step(std::chrono::milliseconds wait);
  // Bytes received since this began, by every transfer.
  std::int64_t BytesReceived() const { return received_; }

  struct Job;

 private:
  void Launch(Job& job);
  // The end of a finished try: done, or waiting for another.
  std::optional<TransferEnd> Finish(Job& job, int code);

  TransferLimits limits_;
  void* multi_ = nullptr;
  std::map<int, std::unique_ptr<Job>> jobs_;
  std::map<std::string, int> perHost_;
  std::int64_t received_ = 0;
};

}  // namespace kivora::net
