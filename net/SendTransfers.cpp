#include "net/SendTransfers.h"

#include <curl/curl.h>
#include <openssl/evp.h>
#include <sodium.h>

#include <algorithm>
#include <cctype>
#include <new>

#include "core/KivoraError.h"
#include "core/io/Crc32.h"
#include "core/io/File.h"
#include "net/FetchMessages.h"
#include "net/HostProbe.h"
#include "net/RemoteListing.h"
#include "net/SendMessages.h"

namespace kivora::net {
namespace sending {

struct DigestFree {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using Digest = std::unique_ptr<EVP_MD_CTX, DigestFree>;

struct ListFree {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlList = std::unique_ptr<curl_slist, ListFree>;

Digest NewDigest() {
  Digest digest(EVP_MD_CTX_new());
  if (!digest || EVP_DigestInit_ex(digest.get(), EVP_sha256(), nullptr) != 1)
    throw std::bad_alloc();
  return digest;
}

void Append(CurlList& list, const std::string& line) {
  curl_slist* grown = curl_slist_append(list.get(), line.c_str());
  if (grown == nullptr) throw std::bad_alloc();
  (void)list.release();
  list.reset(grown);
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

}  // namespace sending

using sending::CurlList;
using sending::Digest;

struct SendTransfers::Job {
  RemoteRequest request;
  File file;
  Digest sha;
  Digest prefixSha;  // of the bytes before the offset, for a restart
  std::uint32_t crc = 0, prefixCrc = 0;
  std::int64_t position = 0;
  std::int64_t* sent = nullptr;
  CurlList headers, quote, postQuote;
  std::optional<HandleSetup> access;  // sftp, s3: what HostAccess set on the handle
  std::optional<std::uint32_t> reportedCrc;
  std::string line;     // the server's reply being read, for XCRC
  std::string listing;  // List: the folder's listing as it came
  bool listingTooLong = false;
  int failedTries = 0;
  char errors[CURL_ERROR_SIZE] = {};

  // Back to the offset, the checksums of what lies before it.
  void Rewind() {
    file.Seek(request.offset);
    position = request.offset;
    crc = prefixCrc;
    EVP_MD_CTX_copy_ex(sha.get(), prefixSha.get());
  }
};

namespace {

size_t OnRead(char* buffer, size_t size, size_t count, void* user) {
  auto& job = *static_cast<SendTransfers::Job*>(user);
  const std::int64_t left = job.request.size - job.position;
  const size_t want =
      static_cast<size_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(size * count)));
  if (want == 0) return 0;
  const std::span bytes(reinterpret_cast<std::uint8_t*>(buffer), want);
  size_t got = 0;
  try {
    got = job.file.Read(bytes);
  } catch (const KivoraError&) {
    return CURL_READFUNC_ABORT;
  }
  if (got == 0) return CURL_READFUNC_ABORT;  // the file shrank under us
  const auto read = bytes.first(got);
  job.crc = Crc32Update(job.crc, read);
  if (job.request.sha256) EVP_DigestUpdate(job.sha.get(), read.data(), read.size());
  job.position += static_cast<std::int64_t>(got);
  *job.sent += static_cast<std::int64_t>(got);
  return got;
}

int OnSeek(void* user, curl_off_t offset, int origin) {
  auto& job = *static_cast<SendTransfers::Job*>(user);
  // curl rewinds to send the body again (an authentication, a redirect): only to the
  // start of what it sends, so that the checksums stay those of the file.
  if (origin != SEEK_SET || offset != 0) return CURL_SEEKFUNC_CANTSEEK;
  try {
    job.Rewind();
  } catch (const KivoraError&) {
    return CURL_SEEKFUNC_FAIL;
  }
  return CURL_SEEKFUNC_OK;
}

// FTP replies come here; "250 XXXXXXXX" is the answer to XCRC.
size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto& job = *static_cast<SendTransfers::Job*>(user);
  std::string_view line(data, size * count);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  if (line.size() == 12 && line.starts_with("250 ")) {
    std::uint32_t value = 0;
    bool hex = true;
    for (const char c : line.substr(4)) {
      const int v = sending::HexDigitValue(c);
      hex = hex && v >= 0;
      value = value * 16 + static_cast<std::uint32_t>(std::max(v, 0));
    }
    if (hex) job.reportedCrc = value;
  }
  return size * count;
}

size_t Discard(char*, size_t size, size_t count, void*) { return size * count; }

// A listing longer than this is not a folder of one set: the host is not believed.
constexpr size_t kLongestListing = 16 << 20;

size_t OnListing(char* data, size_t size, size_t count, void* user) {
  auto& job = *static_cast<SendTransfers::Job*>(user);
  const size_t bytes = size * count;
  if (job.listing.size() + bytes > kLongestListing) {
    job.listingTooLong = true;
    return 0;
  }
  job.listing.append(data, bytes);
  return bytes;
}

bool QuotaStatus(long status) {
  return status == 413 || status == 507 || status == 552 || status == 452;
}

}  // namespace

std::string EncodeName(std::string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalnum(byte) || byte == '-' || byte == '_' || byte == '.' || byte == '~') {
      encoded += c;
    } else {
      encoded += '%';
      encoded += kHex[byte >> 4];
      encoded += kHex[byte & 15];
    }
  }
  return encoded;
}

SendTransfers::SendTransfers(SendLimits limits, const HostAccess& access)
    : limits_(limits),
      access_(access),
      loop_(LoopLimits{limits.total, limits.perHost, limits.connectSeconds, limits.stallSeconds}) {}

SendTransfers::~SendTransfers() = default;

void SendTransfers::Start(RemoteRequest request) {
  auto job = std::make_unique<Job>();
  job->sent = &sent_;
  job->request = std::move(request);
  const RemoteRequest& r = job->request;
  if (r.action == RemoteAction::Upload) {
    job->file = File::OpenRead(r.file);
    job->sha = sending::NewDigest();
    job->prefixSha = sending::NewDigest();
    // What the host holds already is read here, for the checksums only: one pass.
    std::vector<std::uint8_t> buffer(
        static_cast<size_t>(std::min<std::int64_t>(r.offset, 1 << 20)));
    for (std::int64_t done = 0; done < r.offset;) {
      const auto n = static_cast<size_t>(
          std::min<std::int64_t>(r.offset - done, static_cast<std::int64_t>(buffer.size())));
      const auto bytes = std::span(buffer).first(n);
      job->file.ReadExact(bytes);
      job->prefixCrc = Crc32Update(job->prefixCrc, bytes);
      EVP_DigestUpdate(job->prefixSha.get(), bytes.data(), bytes.size());
      done += static_cast<std::int64_t>(n);
    }
  }
  Job& started = *job;
  const int id = started.request.id;
  loop_.Open(id, started.request.host->hostKey);
  jobs_[id] = std::move(job);
  try {
    Launch(started);
  } catch (...) {
    loop_.Close(id);
    jobs_.erase(id);
    throw;
  }
}

void SendTransfers::Launch(Job& job) {
  const RemoteRequest& r = job.request;
  const SendHost& host = *r.host;
  const bool ftp = host.kind == HostKind::Ftp;
  job.reportedCrc.reset();
  job.listing.clear();
  job.listingTooLong = false;
  job.headers.reset();
  job.quote.reset();
  job.postQuote.reset();
  if (r.action == RemoteAction::Upload) job.Rewind();
  CURL* easy = loop_.Prepare(r.id, job.errors);
  const bool viaAccess = host.kind == HostKind::Sftp || host.kind == HostKind::S3;
  const bool ftpLike = ftp || host.kind == HostKind::Sftp;
  std::string url = host.url + EncodeName(r.name);
  if (r.action == RemoteAction::MakeFolder) url = host.url + r.name;
  if (r.action == RemoteAction::List) url = host.url;
  if (ftpLike && r.action == RemoteAction::Remove) url = host.url;
  if (ftpLike && r.action == RemoteAction::Rename) url = host.url + EncodeName(r.newName);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, Discard);
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, &job);
  if (viaAccess) {
    Address address;
    address.scheme = host.kind == HostKind::S3 ? Scheme::S3 : Scheme::Sftp;
    address.url = url;
    address.host = host.hostKey;
    const HostRequest kind = r.action == RemoteAction::Upload  ? HostRequest::Put
                             : r.action == RemoteAction::Probe ? HostRequest::Head
                                                               : HostRequest::Get;
    job.access = access_.Configure(easy, address, kind);
    if (host.kind == HostKind::S3 && r.action == RemoteAction::Upload && r.crc) {
      const unsigned char bigEndian[4] = {
          static_cast<unsigned char>(*r.crc >> 24), static_cast<unsigned char>(*r.crc >> 16),
          static_cast<unsigned char>(*r.crc >> 8), static_cast<unsigned char>(*r.crc)};
      char base64[16];
      sodium_bin2base64(base64, sizeof base64, bigEndian, 4, sodium_base64_VARIANT_ORIGINAL);
      // The list Configure set on the handle keeps its head: what is added goes with it.
      job.access->AddHeader(std::string("x-amz-checksum-crc32: ") + base64);
      // The algorithm named as the SDKs name it, so that every S3 keeps the checksum.
      job.access->AddHeader("x-amz-sdk-checksum-algorithm: CRC32");
    }
  } else {
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
#if LIBCURL_VERSION_NUM >= 0x075500
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https,ftp,ftps");
#else
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS,
                     CURLPROTO_HTTP | CURLPROTO_HTTPS | CURLPROTO_FTP | CURLPROTO_FTPS);
#endif
    if (!host.user.empty()) curl_easy_setopt(easy, CURLOPT_USERNAME, host.user.c_str());
    if (host.password) {
      const std::string password(host.password->View());  // curl keeps its own copy
      curl_easy_setopt(easy, CURLOPT_PASSWORD, password.c_str());
    } else {
      curl_easy_setopt(easy, CURLOPT_NETRC, static_cast<long>(CURL_NETRC_OPTIONAL));
    }
    if (!ftp) curl_easy_setopt(easy, CURLOPT_HTTPAUTH, CURLAUTH_BASIC | CURLAUTH_DIGEST);
  }
  // An SFTP command names paths on the server: the folder's, percent-decoded.
  const auto remotePath = [&](const std::string& name) {
    char* decoded = curl_easy_unescape(easy, host.url.c_str(), 0, nullptr);
    std::string path = decoded != nullptr ? decoded : "";
    curl_free(decoded);
    const size_t root = path.find('/', path.find("://") + 3);
    return "\"" + (root == std::string::npos ? "/" : path.substr(root)) + name + "\"";
  };
  switch (r.action) {
    case RemoteAction::Probe:
      curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
      if (ftp && !viaAccess) {
        sending::Append(job.postQuote, "*XCRC " + r.name);
        curl_easy_setopt(easy, CURLOPT_POSTQUOTE, job.postQuote.get());
      }
      break;
    case RemoteAction::Upload:
      curl_easy_setopt(easy, CURLOPT_UPLOAD, 1L);
      curl_easy_setopt(easy, CURLOPT_READFUNCTION, OnRead);
      curl_easy_setopt(easy, CURLOPT_READDATA, &job);
      curl_easy_setopt(easy, CURLOPT_SEEKFUNCTION, OnSeek);
      curl_easy_setopt(easy, CURLOPT_SEEKDATA, &job);
      curl_easy_setopt(easy, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(r.size - r.offset));
      // curl's own 64 KiB keeps each piece in the cache from the file's read through its
      // checksums to the socket; SFTP sends no more at once than the buffer holds, so it
      // takes a larger one.
      if (host.kind == HostKind::Sftp)
        curl_easy_setopt(easy, CURLOPT_UPLOAD_BUFFERSIZE, 512L * 1024);
      if (ftpLike) {
        curl_easy_setopt(easy, CURLOPT_FTP_CREATE_MISSING_DIRS,
                         static_cast<long>(CURLFTP_CREATE_DIR_RETRY));
        curl_easy_setopt(easy, CURLOPT_APPEND, r.offset > 0 ? 1L : 0L);
      }
      break;
    case RemoteAction::Rename:
      if (host.kind == HostKind::Sftp) {
        // The rename, then the new name's length (stat).
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
        sending::Append(job.quote, "rename " + remotePath(r.name) + " " + remotePath(r.newName));
        curl_easy_setopt(easy, CURLOPT_QUOTE, job.quote.get());
      } else if (ftp) {
        // The rename, then the new name's length (SIZE) and CRC-32 where the server has XCRC.
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
        sending::Append(job.quote, "RNFR " + r.name);
        sending::Append(job.quote, "RNTO " + r.newName);
        sending::Append(job.postQuote, "*XCRC " + r.newName);
        curl_easy_setopt(easy, CURLOPT_QUOTE, job.quote.get());
        curl_easy_setopt(easy, CURLOPT_POSTQUOTE, job.postQuote.get());
      } else {
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, "MOVE");
        sending::Append(job.headers, "Destination: " + host.url + EncodeName(r.newName));
        sending::Append(job.headers, "Overwrite: T");
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, job.headers.get());
      }
      break;
    case RemoteAction::Remove:
      if (host.kind == HostKind::Sftp) {
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
        sending::Append(job.quote, "*rm " + remotePath(r.name));
        curl_easy_setopt(easy, CURLOPT_QUOTE, job.quote.get());
      } else if (ftp) {
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
        sending::Append(job.quote, "*DELE " + r.name);
        curl_easy_setopt(easy, CURLOPT_QUOTE, job.quote.get());
      } else {
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, "DELETE");
      }
      break;
    case RemoteAction::MakeFolder:
      curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, "MKCOL");
      break;
    case RemoteAction::List:
      curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnListing);
      curl_easy_setopt(easy, CURLOPT_WRITEDATA, &job);
      if (ftpLike) {
        curl_easy_setopt(easy, CURLOPT_DIRLISTONLY, 1L);
      } else {
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, "PROPFIND");
        sending::Append(job.headers, "Depth: 1");
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, job.headers.get());
      }
      break;
  }
  loop_.Run(r.id);
}

std::optional<RemoteEnd> SendTransfers::Finish(Job& job, int result) {
  const auto code = static_cast<CURLcode>(result);
  const RemoteRequest& r = job.request;
  CURL* easy = loop_.Handle(r.id);
  long status = 0;
  curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
  curl_off_t length = -1;
  curl_easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  curl_header* header = nullptr;
  if (r.host->kind == HostKind::S3 &&
      curl_easy_header(easy, "x-amz-checksum-crc32", 0, CURLH_HEADER, -1, &header) == CURLHE_OK) {
    job.reportedCrc = DecodeS3Crc(header->value);
  }
  loop_.Release(r.id);
  // SFTP answers as FTP does: curl's codes, no HTTP status.
  const bool ftp = r.host->kind == HostKind::Ftp || r.host->kind == HostKind::Sftp;
  RemoteEnd end;
  end.id = r.id;
  if (RetryableFailure(code, ftp ? 0 : status) && ++job.failedTries < limits_.attempts) {
    const int doublings = std::min(job.failedTries - 1, 5);
    loop_.RetryAt(r.id, std::chrono::steady_clock::now() + limits_.firstPause * (1 << doublings));
    return std::nullopt;
  }
  const bool httpOk = ftp || (status >= 200 && status < 300);
  end.ok = code == CURLE_OK && httpOk;
  // A folder that is there already answers MKCOL with 405.
  if (r.action == RemoteAction::MakeFolder && code == CURLE_OK && status == 405) end.ok = true;
  end.missing = (ftp && code == CURLE_REMOTE_FILE_NOT_FOUND) || (!ftp && status == 404);
  end.quota = QuotaStatus(status) || code == CURLE_REMOTE_DISK_FULL;
  end.hostLost = code == CURLE_LOGIN_DENIED || code == CURLE_COULDNT_CONNECT ||
                 code == CURLE_COULDNT_RESOLVE_HOST || (!ftp && (status == 401 || status == 403));
  if (end.ok && (r.action == RemoteAction::Probe || r.action == RemoteAction::Rename)) {
    end.length = length;
    end.crc = job.reportedCrc;
  }
  if (r.action == RemoteAction::Upload) {
    end.sentCrc = job.crc;
    end.sentBytes = job.position;
    unsigned size = 0;
    EVP_DigestFinal_ex(job.sha.get(), end.sha256.data(), &size);
  }
  if (r.action == RemoteAction::List) {
    if (job.listingTooLong) end.ok = false;
    if (end.ok) end.names = NamesInListing(r.host->kind, job.listing);
  }
  if (!end.ok) {
    end.why = code == CURLE_OK || (status >= 400 && !ftp)
                  ? MessageText(texts::kHostStatus(static_cast<int>(status)))
                  : MessageText(texts::kTransferFailed(CurlFailure(code, job.errors)));
  }
  return end;
}

std::vector<RemoteEnd> SendTransfers::Step(std::chrono::milliseconds wait) {
  std::vector<RemoteEnd> ends;
  for (const TransferLoop::Ended& ended :
       loop_.Step(wait, [this](int id) { Launch(*jobs_.at(id)); })) {
    std::optional<RemoteEnd> end = Finish(*jobs_.at(ended.id), ended.code);
    if (!end) continue;
    loop_.Close(ended.id);
    jobs_.erase(ended.id);
    ends.push_back(std::move(*end));
  }
  return ends;
}

}  // namespace kivora::net
