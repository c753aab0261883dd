#include "net/TransferLoop.h"

#include <curl/curl.h>

#include <algorithm>
#include <new>

#include "core/KivoraError.h"
#include "net/FetchMessages.h"
#include "net/HostAccess.h"

namespace kivora::net {
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

}  // namespace

void SetCommonOptions(CURL* easy, const LoopLimits& limits, char* errors) {
  errors[0] = '\0';
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_USERAGENT, "kivora-cli");
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, limits.connectSeconds);
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, limits.stallSeconds);
  curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errors);
  if (limits.receiveBuffer > 0) curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, limits.receiveBuffer);
}

void SetDownloadOptions(CURL* easy) {
#if LIBCURL_VERSION_NUM >= 0x075500
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
#else
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS, CURLPROTO_HTTP | CURLPROTO_HTTPS);
#endif
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(easy, CURLOPT_FAILONERROR, 1L);
}

bool RetryableFailure(int curlCode, long status) {
  switch (static_cast<CURLcode>(curlCode)) {
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_COULDNT_CONNECT:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
      return true;
    case CURLE_OK:  // a request that does not fail on an error status (a send)
    case CURLE_HTTP_RETURNED_ERROR:
      return (status >= 500 && status != 507) || status == 408 || status == 429;
    default:
      return false;
  }
}

std::string CurlFailure(int curlCode, const char* errors) {
  return errors != nullptr && errors[0] != '\0'
             ? std::string(errors)
             : std::string(curl_easy_strerror(static_cast<CURLcode>(curlCode)));
}

MessageText DownloadFailure(const Address& address, int curlCode, long status, const char* errors) {
  if (auto refused = HostRefusal(address, curlCode)) return std::move(*refused);
  if (curlCode == CURLE_HTTP_RETURNED_ERROR && status > 0)
    return texts::kHttpStatus(static_cast<int>(status));
  return texts::kTransferFailed(CurlFailure(curlCode, errors));
}

struct TransferLoop::Request {
  std::string host;
  Easy easy;
  bool running = false;  // in the multi
  std::optional<std::chrono::steady_clock::time_point> retryAt;
  int id = 0;
};

void TransferLoop::EasyFree::operator()(CURL* easy) const { curl_easy_cleanup(easy); }

TransferLoop::TransferLoop(LoopLimits limits) : limits_(limits) {
  InitCurlOnce();
  multi_ = curl_multi_init();
  if (multi_ == nullptr) throw std::bad_alloc();
  // The limits of requests at once and to one host are kept here, not by curl: a request
  // that curl holds back for a connection would wait for one of its time-outs. The cache
  // keeps an idle connection of every host for the next request there.
  const CURLMcode set =
      curl_multi_setopt(multi_, CURLMOPT_MAXCONNECTS, static_cast<long>(4 * limits_.total));
  if (set != CURLM_OK) curl_multi_cleanup(multi_);
  Check(set);
}

TransferLoop::~TransferLoop() {
  for (auto& [id, request] : requests_) {
    if (request->running) curl_multi_remove_handle(multi_, request->easy.get());
  }
  requests_.clear();
  spare_.clear();
  curl_multi_cleanup(multi_);
}

bool TransferLoop::HasRoom(const std::string& host) const {
  const auto it = perHost_.find(host);
  return HasRoom() && (it == perHost_.end() || it->second < limits_.perHost);
}

void TransferLoop::Open(int id, const std::string& host) {
  auto request = std::make_unique<Request>();
  request->host = host;
  request->id = id;
  requests_[id] = std::move(request);
  ++perHost_[host];
}

CURL* TransferLoop::Prepare(int id, char* errors) {
  Request& request = *requests_.at(id);
  Release(id);
  request.retryAt.reset();
  if (!request.easy && !spare_.empty()) {
    request.easy = std::move(spare_.back());
    spare_.pop_back();
  }
  if (request.easy) {
    // Options go back to their defaults; the buffers curl allocated stay.
    curl_easy_reset(request.easy.get());
  } else {
    request.easy.reset(curl_easy_init());
    if (!request.easy) throw std::bad_alloc();
  }
  CURL* easy = request.easy.get();
  SetCommonOptions(easy, limits_, errors);
  curl_easy_setopt(easy, CURLOPT_PRIVATE, &request);
  return easy;
}

void TransferLoop::Run(int id) {
  Request& request = *requests_.at(id);
  Check(curl_multi_add_handle(multi_, request.easy.get()));
  request.running = true;
  launched_ = true;
}

CURL* TransferLoop::Handle(int id) const { return requests_.at(id)->easy.get(); }

void TransferLoop::Release(int id) {
  Request& request = *requests_.at(id);
  if (request.running) {
    curl_multi_remove_handle(multi_, request.easy.get());
    request.running = false;
  }
}

void TransferLoop::RetryAt(int id, std::chrono::steady_clock::time_point when) {
  Release(id);
  requests_.at(id)->retryAt = when;
}

void TransferLoop::Close(int id) {
  const auto it = requests_.find(id);
  if (it == requests_.end()) return;
  Release(id);
  if (it->second->easy) {
    // Nothing of the request it served stays pointed at: its error buffer and callbacks'
    // data end with it.
    curl_easy_reset(it->second->easy.get());
    spare_.push_back(std::move(it->second->easy));
  }
  const std::string host = it->second->host;
  if (--perHost_[host] == 0) perHost_.erase(host);
  requests_.erase(it);
}

void TransferLoop::Perform() {
  launched_ = false;
  int running = 0;
  Check(curl_multi_perform(multi_, &running));
}

std::vector<TransferLoop::Ended> TransferLoop::Collect() {
  std::vector<Ended> ended;
  int left = 0;
  while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
    if (message->msg != CURLMSG_DONE) continue;
    Request* request = nullptr;
    curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &request);
    ended.push_back({request->id, static_cast<int>(message->data.result)});
  }
  return ended;
}

std::vector<TransferLoop::Ended> TransferLoop::Step(std::chrono::milliseconds wait,
                                                    const std::function<void(int id)>& relaunch) {
  const auto now = std::chrono::steady_clock::now();
  std::vector<int> due;
  for (const auto& [id, request] : requests_) {
    if (!request->retryAt) continue;
    if (*request->retryAt <= now) {
      due.push_back(id);
    } else {
      wait = std::min(
          wait, std::chrono::duration_cast<std::chrono::milliseconds>(*request->retryAt - now));
    }
  }
  for (const int id : due) relaunch(id);
  Perform();
  std::vector<Ended> ended = Collect();
  // Ended requests make room for others, and a try launched again starts at once.
  if (!ended.empty() || launched_) return ended;
  long timeout = -1;
  Check(curl_multi_timeout(multi_, &timeout));
  if (timeout >= 0) wait = std::min(wait, std::chrono::milliseconds(timeout));
  if (wait.count() > 0)
    Check(curl_multi_poll(multi_, nullptr, 0, static_cast<int>(wait.count()), nullptr));
  Perform();
  return Collect();
}

}  // namespace kivora::net
