#pragma once
// Asking hosts about files without keeping them: a file's length (HEAD on http and S3,
// SIZE on ftp, stat on sftp) with the CRC-32 an S3 host keeps of it, or its bytes streamed
// through a function and dropped. One request at a time, on one handle a host, so that a
// host's connection (and an SSH session) serves every request to it.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>

#include "core/text/MessageText.h"
#include "net/Address.h"
#include "net/HostAccess.h"

namespace kivora::net {

struct HostAnswer {
  bool ok = false;
  bool missing = false;  // the host answered that it has no such file
  MessageText why;       // when not ok
};

struct LengthAnswer : HostAnswer {
  std::int64_t length = -1;          // -1 when the host did not say
  std::optional<std::uint32_t> crc;  // of the whole file, when the host keeps one
};

struct StreamAnswer : HostAnswer {
  std::int64_t length = 0;  // bytes that came
  std::uint32_t crc = 0;    // of those bytes
  bool tooLong = false;     // more came than were allowed
};

using ByteSink = std::function<void(std::span<const std::uint8_t> bytes)>;
// True when the operation is to stop: a running transfer then ends at once.
using StopCheck = std::function<bool()>;

class HostProbe {
 public:
  explicit HostProbe(const HostAccess& access, StopCheck stop = {})
      : access_(access), stop_(std::move(stop)) {}

  LengthAnswer AskLength(const Address& address);
  // Streams the file (or, with `range`, curl's "FROM-TO" or "-LAST" bytes of it) through
  // `sink`, ending the transfer once more than `maxBytes` came.
  StreamAnswer StreamFile(const Address& address, std::int64_t maxBytes, const ByteSink& sink,
                          const std::string& range = {});

 private:
  struct EasyFree {
    void operator()(CURL* easy) const;
  };
  // The host's handle, its options back to the defaults but for the common ones.
  CURL* HandleFor(const Address& address);
  HostAnswer Ended(CURL* easy, const Address& address, int code) const;

  const HostAccess& access_;
  StopCheck stop_;
  std::map<std::string, std::unique_ptr<CURL, EasyFree>> handles_;
  char errors_[256] = {};  // CURL_ERROR_SIZE
};

// The CRC-32 of an S3 checksum header: the base64 of its four big-endian bytes.
std::optional<std::uint32_t> DecodeS3Crc(std::string_view text);

}  // namespace kivora::net
