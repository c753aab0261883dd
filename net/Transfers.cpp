#include "net/Transfers.h"

#include <curl/curl.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>

#include "core/KivoraError.h"
#include "core/io/Crc32.h"
#include "core/io/File.h"
#include "core/io/IoBuffer.h"
#include "net/FetchMessages.h"

namespace kivora::net {
namespace {

// What curl hands over at once, and what gathers before a write to the file: a few large
// reads and writes a part instead of one of each per 16 KiB.
constexpr long kReceiveBuffer = 512 * 1024;
constexpr size_t kWriteBatch = 512 * 1024;
// Bytes wait no longer than this for their write, so that a fetch killed while a server
// is slow loses little of what came.
constexpr auto kLongestWait = std::chrono::milliseconds(500);

}  // namespace

struct Transfers::Job {
  TransferRequest request;
  File file;
  CURLM* multi = nullptr;
  CURL* easy = nullptr;
  std::int64_t length = 0;  // bytes the file holds, with those waiting in `batch`
  std::uint32_t crc = 0;    // of those bytes
  std::int64_t* received = nullptr;
  IoBuffer batch = IoBuffer(kWriteBatch);
  size_t batched = 0;
  std::chrono::steady_clock::time_point flushedAt;
  int failedTries = 0;  // tries in a row that brought no byte
  bool progressed = false;
  bool tooLong = false;
  bool freshConnection = false;  // the next try opens a connection of its own
  bool triedFresh = false;       // a try went again on a connection of its own
  std::optional<KivoraError> writeError;
  bool waiting = false;
  std::chrono::steady_clock::time_point retryAt;
  char errors[CURL_ERROR_SIZE] = {};
  HandleSetup setup;

  ~Job() { Release(); }
  void Release() {
    if (easy == nullptr) return;
    curl_multi_remove_handle(multi, easy);
    curl_easy_cleanup(easy);
    easy = nullptr;
  }
  // Writes what gathered; false (with the error kept) when the file cannot take it.
  bool Flush() {
    flushedAt = std::chrono::steady_clock::now();
    if (batched == 0) return true;
    try {
      file.Write(std::span<const std::uint8_t>(batch).first(batched));
    } catch (const KivoraError& e) {
      writeError = e;
      return false;
    }
    batched = 0;
    return true;
  }
  // Closes the connection of the try that just ended, so that no later transfer reads
  // what this server may still send on it. curl drops a connection it finds closed.
  void CloseConnection() {
    curl_socket_t socket = CURL_SOCKET_BAD;
    if (curl_easy_getinfo(easy, CURLINFO_ACTIVESOCKET, &socket) == CURLE_OK &&
        socket != CURL_SOCKET_BAD) {
      shutdown(socket, SHUT_RDWR);
    }
  }
};

namespace {

void InitCurlOnce() {
  // C++ runs this once, whatever the threads; curl wants it before any handle.
  static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
  if (initialised != CURLE_OK)
    throw KivoraError(texts::kTransferFailed(curl_easy_strerror(initialised)));
}

void Check(CURLMcode code) {
  if (code != CURLM_OK) throw KivoraError(texts::kTransferFailed(curl_multi_strerror(code)));
}

size_t OnData(char* data, size_t size, size_t count, void* user) {
  auto& job = *static_cast<Transfers::Job*>(user);
  const size_t bytes = size * count;
  if (job.writeError) return 0;
  if (job.length + static_cast<std::int64_t>(bytes) > job.request.maxBytes) {
    job.tooLong = true;
    return 0;  // curl ends the transfer with a write error
  }
  const std::span received(reinterpret_cast<const std::uint8_t*>(data), bytes);
  if (job.batched + bytes > job.batch.size() && !job.Flush()) return 0;
  if (bytes >= job.batch.size()) {
    try {
      job.file.Write(received);
    } catch (const KivoraError& e) {
      job.writeError = e;
      return 0;
    }
  } else {
    std::memcpy(job.batch.data() + job.batched, data, bytes);
    job.batched += bytes;
  }
  job.crc = Crc32Update(job.crc, received);
  job.length += static_cast<std::int64_t>(bytes);
  *job.received += static_cast<std::int64_t>(bytes);
  job.progressed = job.progressed || bytes > 0;
  return bytes;
}

bool Retryable(CURLcode code, long status) {
  switch (code) {
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_COULDNT_CONNECT:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
      return true;
    case CURLE_HTTP_RETURNED_ERROR:
      return status >= 500 || status == 408 || status == 429;
    default:
      return false;
  }
}

// What a transfer on a kept connection meets when an earlier response left bytes on it.
bool SpoiltConnection(CURLcode code) {
  switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL:  // "Received HTTP/0.9 when not allowed"
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
      return true;
    default:
      return false;
  }
}

// The options of every transfer whatever its host: where redirects may go, failing on an
// error status. The address, its protocol and the host's sign-in are set by HostAccess.
void ConfigureTransfer(CURL* easy) {
#if LIBCURL_VERSION_NUM >= 0x075500
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
#else
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS, CURLPROTO_HTTP | CURLPROTO_HTTPS);
#endif
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(easy, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(easy, CURLOPT_USERAGENT, "kivora-cli");
}

}  // namespace

Transfers::Transfers(TransferLimits limits) : limits_(limits) {
  InitCurlOnce();
  multi_ = curl_multi_init();
  if (multi_ == nullptr) throw std::bad_alloc();
  // The limits of transfers at once and to one host are kept here, not by curl: a
  // transfer that curl holds back for a connection would wait for one of its time-outs.
  // The cache keeps an idle connection of every host for the next transfer there.
  Check(curl_multi_setopt(multi_, CURLMOPT_MAXCONNECTS, static_cast<long>(4 * limits_.total)));
}

Transfers::~Transfers() {
  jobs_.clear();
  curl_multi_cleanup(multi_);
}

bool Transfers::HasRoom(const std::string& host) const {
  const auto it = perHost_.find(host);
  return HasRoom() && (it == perHost_.end() || it->second < limits_.perHost);
}

void Transfers::Start(TransferRequest request) {
  auto job = std::make_unique<Job>();
  job->file = File::TryOpenRead(request.file).IsOpen() ? File::OpenReadWrite(request.file)
                                                       : File::Create(request.file);
  if (job->file.Size() > 0) job->crc = FileCrc32(request.file);
  if (request.attempts <= 0) request.attempts = limits_.attempts;
  job->request = std::move(request);
  job->multi = multi_;
  job->received = &received_;
  Job& started = *job;
  ++perHost_[started.request.address.host];
  jobs_[started.request.id] = std::move(job);
  try {
    Launch(started);
  } catch (...) {
    Retire(started);
    throw;
  }
}

void Transfers::Launch(Job& job) {
  job.waiting = false;
  job.tooLong = false;
  job.errors[0] = '\0';
  job.batched = 0;
  job.flushedAt = std::chrono::steady_clock::now();
  job.length = job.file.Size();
  job.file.Seek(0, SEEK_END);
  job.easy = curl_easy_init();
  if (job.easy == nullptr) throw std::bad_alloc();
  CURL* easy = job.easy;
  ConfigureTransfer(easy);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, kReceiveBuffer);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, limits_.connectSeconds);
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, limits_.stallSeconds);
  curl_easy_setopt(easy, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(job.length));
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnData);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &job);
  curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, job.errors);
  curl_easy_setopt(easy, CURLOPT_PRIVATE, &job);
  if (std::exchange(job.freshConnection, false)) curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, 1L);
  job.setup = limits_.access.Configure(easy, job.request.address, HostRequest::Get);
  const CURLMcode added = curl_multi_add_handle(multi_, easy);
  if (added != CURLM_OK) {
    curl_easy_cleanup(easy);
    job.easy = nullptr;
    Check(added);
  }
  launched_ = true;
}

std::optional<TransferEnd> Transfers::Finish(Job& job, int result) {
  auto code = static_cast<CURLcode>(result);
  if (!job.Flush() && code == CURLE_OK) code = CURLE_WRITE_ERROR;
  long status = 0;
  curl_easy_getinfo(job.easy, CURLINFO_RESPONSE_CODE, &status);
  long connects = 1;
  curl_easy_getinfo(job.easy, CURLINFO_NUM_CONNECTS, &connects);
  TransferEnd end{job.request.id, TransferResult::Served, {}, job.length, job.crc};
  if (code == CURLE_OK && job.request.exactBytes >= 0 && job.length != job.request.exactBytes) {
    end.result = TransferResult::WrongLength;
  }
  const bool clean = code == CURLE_OK && end.result == TransferResult::Served;
  if (!clean) job.CloseConnection();
  job.Release();
  if (job.writeError) {
    end.result = TransferResult::WriteFailed;
    end.why = job.writeError->Detail().empty() ? job.writeError->Text() : job.writeError->Detail();
    return end;
  }
  if (clean) return end;
  if (job.tooLong) {
    end.result = TransferResult::TooLong;
    end.why = texts::kTooLong;
    return end;
  }
  if (end.result == TransferResult::WrongLength) {
    end.why = texts::kEndedAtWrongLength(job.length, job.request.exactBytes);
    return end;
  }
  // A file as long as the server's: nothing is left to send.
  if (code == CURLE_HTTP_RETURNED_ERROR && status == 416 && job.length > 0) return end;
  // The server cannot resume: the file starts over.
  if ((code == CURLE_RANGE_ERROR || code == CURLE_FTP_COULDNT_USE_REST) && job.length > 0) {
    job.file.Truncate(0);
    job.crc = 0;
    Launch(job);
    return std::nullopt;
  }
  // A kept connection may have been spoilt by the transfer before on it (bytes beyond
  // what that response announced): one more try on a connection of its own.
  if (connects == 0 && !job.triedFresh && SpoiltConnection(code)) {
    job.freshConnection = job.triedFresh = true;
    Launch(job);
    return std::nullopt;
  }
  if (Retryable(code, status)) {
    job.failedTries = job.progressed ? 1 : job.failedTries + 1;
    job.progressed = false;
    if (job.failedTries < job.request.attempts) {
      const int doublings = std::min(job.failedTries - 1, 5);
      const auto pause = std::min<std::chrono::milliseconds>(limits_.firstPause * (1 << doublings),
                                                             std::chrono::seconds(30));
      job.waiting = true;
      job.retryAt = std::chrono::steady_clock::now() + pause;
      return std::nullopt;
    }
  }
  const bool notThere = code == CURLE_HTTP_RETURNED_ERROR && status >= 400 && status < 500 &&
                        status != 408 && status != 429;
  end.result = notThere ? TransferResult::NotThere : TransferResult::HostFailed;
  if (auto refused = HostRefusal(job.request.address, code)) {
    end.why = std::move(*refused);
    return end;
  }
  end.why = code == CURLE_HTTP_RETURNED_ERROR && status > 0
                ? MessageText(texts::kHttpStatus(static_cast<int>(status)))
                : MessageText(texts::kTransferFailed(
                      job.errors[0] != '\0' ? job.errors : curl_easy_strerror(code)));
  return end;
}

void Transfers::Retire(const Job& job) {
  const std::string host = job.request.address.host;
  if (--perHost_[host] == 0) perHost_.erase(host);
  jobs_.erase(job.request.id);
}

void Transfers::Perform() {
  launched_ = false;
  int running = 0;
  Check(curl_multi_perform(multi_, &running));
}

std::vector<TransferEnd> Transfers::Collect() {
  std::vector<TransferEnd> ends;
  int left = 0;
  while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
    if (message->msg != CURLMSG_DONE) continue;
    Job* job = nullptr;
    curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &job);
    std::optional<TransferEnd> end;
    try {
      end = Finish(*job, message->data.result);
    } catch (const std::exception& e) {
      // The try could not go again: the transfer ends here, and its host's count with it.
      end = TransferEnd{job->request.id, TransferResult::HostFailed,
                        texts::kTransferFailed(e.what()), job->length, job->crc};
    }
    if (!end) continue;
    Retire(*job);
    ends.push_back(std::move(*end));
  }
  return ends;
}

std::vector<TransferEnd> Transfers::Step(std::chrono::milliseconds wait) {
  const auto now = std::chrono::steady_clock::now();
  for (auto& [id, job] : jobs_) {
    if (!job->waiting) continue;
    if (job->retryAt <= now) {
      Launch(*job);
    } else {
      wait =
          std::min(wait, std::chrono::duration_cast<std::chrono::milliseconds>(job->retryAt - now));
    }
  }
  Perform();
  std::vector<TransferEnd> ends = Collect();
  // Ended transfers make room for others, and a try launched again starts at once.
  if (!ends.empty() || launched_) return ends;
  long timeout = -1;
  Check(curl_multi_timeout(multi_, &timeout));
  if (timeout >= 0) wait = std::min(wait, std::chrono::milliseconds(timeout));
  if (wait.count() > 0)
    Check(curl_multi_poll(multi_, nullptr, 0, static_cast<int>(wait.count()), nullptr));
  Perform();
  ends = Collect();
  const auto later = std::chrono::steady_clock::now();
  for (auto& [id, job] : jobs_) {
    if (job->batched > 0 && later - job->flushedAt >= kLongestWait) job->Flush();
  }
  return ends;
}

}  // namespace kivora::net
