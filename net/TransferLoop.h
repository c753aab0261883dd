#pragma once
// The loop every fetch and send runs its requests in: curl's multi interface with a
// bounded number of requests at once and at most a few a host, tries put off until their
// pause is over, and easy handles kept for the next request once one ends, so that their
// buffers (a receive buffer of half a mebibyte is a hundred fresh pages to fault in) serve
// every request instead of one. What a request sends or keeps and what its end means are
// its owner's; the loop only says which ended, with curl's result. Every CURLMcode is
// checked. Beside it, the options and the failure texts every request of ours shares.

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/text/MessageText.h"
#include "net/Address.h"

// As curl.h declares them, so that this header does not need it.
typedef void CURL;  // NOLINT(modernize-use-using): the same declaration as curl.h's

namespace kivora::net {

struct LoopLimits {
  int total = 4;    // requests at once
  int perHost = 2;  // of them, to one host
  long connectSeconds = 30;
  long stallSeconds = 60;  // a request that moves no byte for this long is cut
  long receiveBuffer = 0;  // what curl hands over at once; 0: curl's own
};

// The options of every request whatever its kind: no signals, our name, the time-outs,
// the buffer that takes curl's failure texts.
void SetCommonOptions(CURL* easy, const LoopLimits& limits, char* errors);
// The options of a download: redirects to http and https only, an error status fails.
void SetDownloadOptions(CURL* easy);
// Whether a request that ended so is worth another try: the connection failed or was cut,
// or the server said it could not answer now (5xx but 507, 408, 429); `status` is the
// http status, 0 for other protocols.
bool RetryableFailure(int curlCode, long status);
// curl's words for a failed request: what it wrote in `errors`, else its code's text.
std::string CurlFailure(int curlCode, const char* errors);
// Why a download from `address` failed: the host's refusal of who we are, the http
// status, or curl's words.
MessageText DownloadFailure(const Address& address, int curlCode, long status, const char* errors);

class TransferLoop {
 public:
  struct Ended {
    int id = 0;
    int code = 0;  // curl's result
  };

  explicit TransferLoop(LoopLimits limits);
  ~TransferLoop();
  TransferLoop(const TransferLoop&) = delete;
  TransferLoop& operator=(const TransferLoop&) = delete;

  const LoopLimits& Limits() const { return limits_; }
  bool HasRoom() const { return static_cast<int>(requests_.size()) < limits_.total; }
  bool HasRoom(const std::string& host) const;
  bool Idle() const { return requests_.empty(); }

  // Counts request `id` to `host` until Close.
  void Open(int id, const std::string& host);
  // The request's handle for its next try, its options back to the defaults but the common
  // ones (and `errors` as its error buffer); its previous try's handle is left behind.
  CURL* Prepare(int id, char* errors);
  // Starts the try Prepare set up; an error from curl (KivoraError) leaves it not started.
  void Run(int id);
  // The handle of the request's current or last try, for its results.
  CURL* Handle(int id) const;
  // The request's try is over: its handle leaves the multi and waits for another request.
  void Release(int id);
  // The request goes again at `when`: `relaunch` of Step is then called for it.
  void RetryAt(int id, std::chrono::steady_clock::time_point when);
  // The request is over and no longer counted.
  void Close(int id);

  // Relaunches the tries whose pause is over, moves the requests on, waiting at most about
  // `wait` for something to happen and not at all while curl has work ready, and returns
  // those whose try ended (still holding their handles). Throws KivoraError when curl's
  // multi interface fails.
  std::vector<Ended> Step(std::chrono::milliseconds wait,
                          const std::function<void(int id)>& relaunch);

 private:
  struct Request;
  struct EasyFree {
    void operator()(CURL* easy) const;
  };
  using Easy = std::unique_ptr<CURL, EasyFree>;

  void Perform();
  std::vector<Ended> Collect();

  LoopLimits limits_;
  void* multi_ = nullptr;
  std::map<int, std::unique_ptr<Request>> requests_;
  std::map<std::string, int> perHost_;
  std::vector<Easy> spare_;  // handles of ended tries, for the next
  bool launched_ = false;    // a handle was added since the last perform
};

}  // namespace kivora::net
