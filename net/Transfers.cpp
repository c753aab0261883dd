#include "net/Transfers.h"

#include <curl/curl.h>

#include <algorithm>
#include <new>
#include <optional>

#include "core/KivoraError.h"
#include "core/io/Crc32.h"
#include "core/io/File.h"
#include "net/FetchMessages.h"

namespace kivora::net {

struct Transfers::Job {
  TransferRequest request;
  File file;
  CURLM* multi = nullptr;
  CURL* easy = nullptr;
  std::int64_t length = 0;  // bytes the file holds
  std::uint32_t crc = 0;    // of those bytes
  std::int64_t* received = nullptr;
  int failedTries = 0;  // tries in a row that brought no byte
  bool progressed = false;
  bool tooLong = false;
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
};

namespace {

void InitCurlOnce() {
  // C++ runs this once, whatever the threads; curl wants it before any handle.
  static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
  if (initialised != CURLE_OK)
    throw KivoraError(texts::kTransferFailed(curl_easy_strerror(initialised)));
}

size_t OnData(char* data, size_t size, size_t count, void* user) {
  auto& job = *static_cast<Transfers::Job*>(user);
  const size_t bytes = size * count;
  if (job.length + static_cast<std::int64_t>(bytes) > job.request.maxBytes) {
    job.tooLong = true;
    return 0;  // curl ends the transfer with a write error
  }
  const std::span received(reinterpret_cast<const std::uint8_t*>(data), bytes);
  try {
    job.file.Write(received);
  } catch (const KivoraError& e) {
    job.writeError = e;
    return 0;
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

}  // namespace

Transfers::Transfers(TransferLimits limits) : limits_(limits) {
  InitCurlOnce();
  multi_ = curl_multi_init();
  if (multi_ == nullptr) throw std::bad_alloc();
  curl_multi_setopt(multi_, CURLMOPT_MAX_HOST_CONNECTIONS, static_cast<long>(limits_.perHost));
  curl_multi_setopt(multi_, CURLMOPT_MAX_TOTAL_CONNECTIONS, static_cast<long>(limits_.total));
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
  job->request = std::move(request);
  job->multi = multi_;
  job->received = &received_;
  Job& started = *job;
  ++perHost_[started.request.address.host];
  jobs_[started.request.id] = std::move(job);
  Launch(started);
}

void Transfers::Launch(Job& job) {
  job.waiting = false;
  job.tooLong = false;
  job.errors[0] = '\0';
  job.length = job.file.Size();
  job.file.Seek(0, SEEK_END);
  job.easy = curl_easy_init();
  if (job.easy == nullptr) throw std::bad_alloc();
  CURL* easy = job.easy;
#if LIBCURL_VERSION_NUM >= 0x075500
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
#else
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS, CURLPROTO_HTTP | CURLPROTO_HTTPS);
#endif
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(easy, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_USERAGENT, "kivora-cli");
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, limits_.connectSeconds);
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, limits_.stallSeconds);
  curl_easy_setopt(easy, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(job.length));
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnData);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &job);
  curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, job.errors);
  curl_easy_setopt(easy, CURLOPT_PRIVATE, &job);
  job.setup = limits_.access.Configure(easy, job.request.address, HostRequest::Get);
  curl_multi_add_handle(multi_, easy);
}

std::optional<TransferEnd> Transfers::Finish(Job& job, int result) {
  const auto code = static_cast<CURLcode>(result);
  long status = 0;
  curl_easy_getinfo(job.easy, CURLINFO_RESPONSE_CODE, &status);
  job.Release();
  if (job.writeError) throw *job.writeError;
  TransferEnd end{job.request.id, false, false, {}, job.length, job.crc};
  if (code == CURLE_OK) {
    end.ok = true;
    return end;
  }
  if (job.tooLong) {
    end.tooLong = true;
    end.why = texts::kTooLong;
    return end;
  }
  // A file as long as the server's: nothing is left to send.
  if (code == CURLE_HTTP_RETURNED_ERROR && status == 416 && job.length > 0) {
    end.ok = true;
    return end;
  }
  // The server cannot resume: the file starts over.
  if ((code == CURLE_RANGE_ERROR || code == CURLE_FTP_COULDNT_USE_REST) && job.length > 0) {
    job.file.Truncate(0);
    job.crc = 0;
    Launch(job);
    return std::nullopt;
  }
  if (Retryable(code, status)) {
    job.failedTries = job.progressed ? 1 : job.failedTries + 1;
    job.progressed = false;
    if (job.failedTries < limits_.attempts) {
      const int doublings = std::min(job.failedTries - 1, 5);
      const auto pause = std::min<std::chrono::milliseconds>(limits_.firstPause * (1 << doublings),
                                                             std::chrono::seconds(30));
      job.waiting = true;
      job.retryAt = std::chrono::steady_clock::now() + pause;
      return std::nullopt;
    }
  }
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

std::vector<TransferEnd> Transfers::Step(std::chrono::milliseconds wait) {
  auto now = std::chrono::steady_clock::now();
  for (auto& [id, job] : jobs_) {
    if (!job->waiting) continue;
    if (job->retryAt <= now) {
      Launch(*job);
    } else {
      wait =
          std::min(wait, std::chrono::duration_cast<std::chrono::milliseconds>(job->retryAt - now));
    }
  }
  int running = 0;
  curl_multi_perform(multi_, &running);
  curl_multi_poll(multi_, nullptr, 0, static_cast<int>(std::max<std::int64_t>(wait.count(), 0)),
                  nullptr);
  curl_multi_perform(multi_, &running);
  std::vector<TransferEnd> ends;
  int left = 0;
  while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
    if (message->msg != CURLMSG_DONE) continue;
    Job* job = nullptr;
    curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &job);
    const CURLcode result = message->data.result;
    std::optional<TransferEnd> end = Finish(*job, result);
    if (!end) continue;
    const std::string host = job->request.address.host;
    if (--perHost_[host] == 0) perHost_.erase(host);
    jobs_.erase(end->id);
    ends.push_back(std::move(*end));
  }
  return ends;
}

}  // namespace kivora::net
