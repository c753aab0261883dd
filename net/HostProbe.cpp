#include "net/HostProbe.h"

#include <curl/curl.h>
#include <sodium.h>

#include <memory>
#include <new>

#include "core/io/Crc32.h"
#include "net/FetchMessages.h"
#include "net/TransferLoop.h"

namespace kivora::net {
namespace {

struct Stream {
  std::int64_t maxBytes = 0;
  const ByteSink* sink = nullptr;
  std::int64_t length = 0;
  std::uint32_t crc = 0;
  bool tooLong = false;
};

size_t OnData(char* data, size_t size, size_t count, void* user) {
  auto& stream = *static_cast<Stream*>(user);
  const size_t bytes = size * count;
  if (stream.length + static_cast<std::int64_t>(bytes) > stream.maxBytes) {
    stream.tooLong = true;
    return 0;
  }
  const std::span received(reinterpret_cast<const std::uint8_t*>(data), bytes);
  stream.crc = Crc32Update(stream.crc, received);
  stream.length += static_cast<std::int64_t>(bytes);
  if (*stream.sink) (*stream.sink)(received);
  return bytes;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto& stop = *static_cast<const StopCheck*>(user);
  return stop && stop() ? 1 : 0;
}

static_assert(CURL_ERROR_SIZE == 256);

}  // namespace

std::optional<std::uint32_t> DecodeS3Crc(std::string_view text) {
  unsigned char bytes[4];
  size_t length = 0;
  if (text.size() != 8 ||
      sodium_base642bin(bytes, sizeof bytes, text.data(), text.size(), nullptr, &length, nullptr,
                        sodium_base64_VARIANT_ORIGINAL) != 0 ||
      length != 4) {
    return std::nullopt;
  }
  return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
         std::uint32_t{bytes[2]} << 8 | std::uint32_t{bytes[3]};
}

void HostProbe::EasyFree::operator()(CURL* easy) const { curl_easy_cleanup(easy); }

CURL* HostProbe::HandleFor(const Address& address) {
  static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
  auto& handle = handles_[address.host];
  if (!handle) handle.reset(initialised == CURLE_OK ? curl_easy_init() : nullptr);
  if (!handle) throw std::bad_alloc();
  CURL* e = handle.get();
  // Options go back to their defaults; the host's connection stays open.
  curl_easy_reset(e);
  SetCommonOptions(e, LoopLimits{}, errors_);
  SetDownloadOptions(e);
  curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, OnProgress);
  curl_easy_setopt(e, CURLOPT_XFERINFODATA, &stop_);
  curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
  return e;
}

HostAnswer HostProbe::Ended(CURL* easy, const Address& address, int result) const {
  const auto code = static_cast<CURLcode>(result);
  HostAnswer answer;
  if (code == CURLE_OK) {
    answer.ok = true;
    return answer;
  }
  long status = 0;
  curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
  answer.missing = code == CURLE_REMOTE_FILE_NOT_FOUND ||
                   (code == CURLE_HTTP_RETURNED_ERROR && (status == 404 || status == 410));
  answer.why = DownloadFailure(address, code, status, errors_);
  return answer;
}

LengthAnswer HostProbe::AskLength(const Address& address) {
  CURL* easy = HandleFor(address);
  const HandleSetup setup = access_.Configure(easy, address, HostRequest::Head);
  LengthAnswer answer;
  static_cast<HostAnswer&>(answer) = Ended(easy, address, curl_easy_perform(easy));
  if (!answer.ok) return answer;
  curl_off_t length = -1;
  curl_easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  answer.length = length;
  curl_header* header = nullptr;
  if (address.scheme == Scheme::S3 &&
      curl_easy_header(easy, "x-amz-checksum-crc32", 0, CURLH_HEADER, -1, &header) == CURLHE_OK) {
    answer.crc = DecodeS3Crc(header->value);
  }
  return answer;
}

StreamAnswer HostProbe::StreamFile(const Address& address, std::int64_t maxBytes,
                                   const ByteSink& sink, const std::string& range) {
  CURL* easy = HandleFor(address);
  Stream stream{maxBytes, &sink};
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnData);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &stream);
  curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, 256L * 1024);
  if (!range.empty()) curl_easy_setopt(easy, CURLOPT_RANGE, range.c_str());
  const HandleSetup setup = access_.Configure(easy, address, HostRequest::Get);
  StreamAnswer answer;
  static_cast<HostAnswer&>(answer) = Ended(easy, address, curl_easy_perform(easy));
  answer.length = stream.length;
  answer.crc = stream.crc;
  answer.tooLong = stream.tooLong;
  if (stream.tooLong) {
    answer.ok = false;
    answer.why = texts::kTooLong;
  }
  return answer;
}

}  // namespace kivora::net
