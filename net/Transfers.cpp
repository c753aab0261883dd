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
constexpr long kReceiveBuffer = 512L * 1024;
constexpr size_t kWriteBatch = size_t{512} * 1024;
constexpr size_t kDirectWrite = size_t{128} * 1024;
// Bytes wait no longer than this for their write, so that a fetch killed while a server
// is slow loses little of what came.
constexpr auto kLongestWait = std::chrono::milliseconds(500);

}  // namespace

struct Transfers::Job {
  TransferRequest request;
  File file;
  TransferLoop* loop = nullptr;
  std::int64_t length = 0;  // bytes the file holds, with those waiting in `batch`
  std::uint32_t crc = 0;    // of those bytes
  std::int64_t* received = nullptr;
  IoBuffer batch;
  size_t batched = 0;
  std::chrono::steady_clock::time_point flushedAt;
  int failedTries = 0;  // tries in a row that brought no byte
  bool progressed = false;
  bool tooLong = false;
  bool freshConnection = false;  // the next try opens a connection of its own
  bool triedFresh = false;       // a try went again on a connection of its own
  std::optional<KivoraError> writeError;
  char errors[CURL_ERROR_SIZE] = {};
  HandleSetup setup;

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
    if (curl_easy_getinfo(loop->Handle(request.id), CURLINFO_ACTIVESOCKET, &socket) == CURLE_OK &&
        socket != CURL_SOCKET_BAD) {
      shutdown(socket, SHUT_RDWR);
    }
  }
};

namespace {

size_t OnData(char* data, size_t size, size_t count, void* user) {
  auto& job = *static_cast<Transfers::Job*>(user);
  const size_t bytes = size * count;
  if (job.writeError) return 0;
  if (job.length + static_cast<std::int64_t>(bytes) > job.request.maxBytes) {
    job.tooLong = true;
    return 0;  // curl ends the transfer with a write error
  }
  const std::span received(reinterpret_cast<const std::uint8_t*>(data), bytes);
  // A large piece goes to the file as it is, after what gathered before it: copying it
  // into the batch first would only cost a pass over its bytes.
  const bool large = bytes >= kDirectWrite;
  if ((large || job.batched + bytes > job.batch.size()) && !job.Flush()) return 0;
  if (large) {
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

}  // namespace

Transfers::Transfers(const TransferLimits& limits)
    : limits_(limits),
      loop_(LoopLimits{limits.total, limits.perHost, limits.connectSeconds, limits.stallSeconds,
                       kReceiveBuffer}) {}

Transfers::~Transfers() = default;

void Transfers::Start(TransferRequest request) {
  auto job = std::make_unique<Job>();
  job->file = File::TryOpenRead(request.file).IsOpen() ? File::OpenReadWrite(request.file)
                                                       : File::Create(request.file);
  if (job->file.Size() > 0) job->crc = FileCrc32(request.file);
  if (request.attempts <= 0) request.attempts = limits_.attempts;
  job->request = std::move(request);
  job->loop = &loop_;
  job->received = &received_;
  if (spareBatches_.empty()) {
    job->batch.resize(kWriteBatch);
  } else {
    job->batch = std::move(spareBatches_.back());
    spareBatches_.pop_back();
  }
  Job& started = *job;
  loop_.Open(started.request.id, started.request.address.host);
  jobs_[started.request.id] = std::move(job);
  try {
    Launch(started);
  } catch (...) {
    Retire(started);
    throw;
  }
}

void Transfers::Launch(Job& job) {
  job.tooLong = false;
  job.batched = 0;
  job.flushedAt = std::chrono::steady_clock::now();
  job.length = job.file.Size();
  job.file.Seek(0, SEEK_END);
  CURL* easy = loop_.Prepare(job.request.id, job.errors);
  SetDownloadOptions(easy);
  curl_easy_setopt(easy, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(job.length));
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnData);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &job);
  if (std::exchange(job.freshConnection, false)) curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, 1L);
  job.setup = limits_.access.Configure(easy, job.request.address, HostRequest::Get);
  loop_.Run(job.request.id);
}

std::optional<TransferEnd> Transfers::Finish(Job& job, int result) {
  auto code = static_cast<CURLcode>(result);
  if (!job.Flush() && code == CURLE_OK) code = CURLE_WRITE_ERROR;
  CURL* easy = loop_.Handle(job.request.id);
  long status = 0;
  curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
  long connects = 1;
  curl_easy_getinfo(easy, CURLINFO_NUM_CONNECTS, &connects);
  TransferEnd end{job.request.id, TransferResult::Served, {}, job.length, job.crc};
  if (code == CURLE_OK && job.request.exactBytes >= 0 && job.length != job.request.exactBytes) {
    end.result = TransferResult::WrongLength;
  }
  const bool clean = code == CURLE_OK && end.result == TransferResult::Served;
  if (!clean) job.CloseConnection();
  loop_.Release(job.request.id);
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
  if (RetryableFailure(code, status)) {
    job.failedTries = job.progressed ? 1 : job.failedTries + 1;
    job.progressed = false;
    if (job.failedTries < job.request.attempts) {
      const int doublings = std::min(job.failedTries - 1, 5);
      const auto pause = std::min<std::chrono::milliseconds>(limits_.firstPause * (1 << doublings),
                                                             std::chrono::seconds(30));
      loop_.RetryAt(job.request.id, std::chrono::steady_clock::now() + pause);
      return std::nullopt;
    }
  }
  const bool notThere = code == CURLE_HTTP_RETURNED_ERROR && status >= 400 && status < 500 &&
                        status != 408 && status != 429;
  end.result = notThere ? TransferResult::NotThere : TransferResult::HostFailed;
  end.why = DownloadFailure(job.request.address, code, status, job.errors);
  return end;
}

void Transfers::Retire(Job& job) {
  const int id = job.request.id;
  loop_.Close(id);
  spareBatches_.push_back(std::move(job.batch));
  jobs_.erase(id);
}

std::vector<TransferEnd> Transfers::Step(std::chrono::milliseconds wait) {
  std::vector<TransferEnd> ends;
  for (const TransferLoop::Ended& ended :
       loop_.Step(wait, [this](int id) { Launch(*jobs_.at(id)); })) {
    Job& job = *jobs_.at(ended.id);
    std::optional<TransferEnd> end;
    try {
      end = Finish(job, ended.code);
    } catch (const std::exception& e) {
      // The try could not go again: the transfer ends here, and its host's count with it.
      end = TransferEnd{job.request.id, TransferResult::HostFailed,
                        texts::kTransferFailed(e.what()), job.length, job.crc};
    }
    if (!end) continue;
    Retire(job);
    ends.push_back(std::move(*end));
  }
  const auto later = std::chrono::steady_clock::now();
  for (auto& [id, job] : jobs_) {
    if (job->batched > 0 && later - job->flushedAt >= kLongestWait) job->Flush();
  }
  return ends;
}

}  // namespace kivora::net
