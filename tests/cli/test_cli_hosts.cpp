// kivora-cli fetch and check against real hosts of every kind on 127.0.0.1: sshd serving a
// set over sftp, moto_server holding it in an S3 bucket (signatures checked), nginx over
// http. Host keys are checked, credentials come from the environment and show nowhere.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>

#include "tests/cli/CliTestSupport.h"
#include "tests/support/FetchServers.h"
#include "tests/support/S3Server.h"
#include "tests/support/SshServer.h"
#include "tests/support/TestSupport.h"

namespace kivora::host_tests {
namespace {

namespace fs = std::filesystem;
constexpr auto npos = std::string::npos;

enum class Host { Http, Sftp, S3 };

fs::path Made(const fs::path& folder) {
  fs::create_directories(folder);
  return folder;
}

// The servers are slow to start (moto_server takes seconds): one of each for the suite.
struct Servers {
  test::TempDir dir;
  test::SshServer ssh{dir / "ssh"};
  test::S3Server s3{dir / "s3"};
  test::NginxServer nginx{Made(dir / "nginx"), {dir.path()}};
};

class HostsTest : public ::testing::Test {
 protected:
  static inline std::unique_ptr<Servers> servers;
  static void SetUpTestSuite() {
    servers = std::make_unique<Servers>();
    if (servers->s3.Running()) {
      ::setenv("AWS_ACCESS_KEY_ID", servers->s3.KeyId().c_str(), 1);
      ::setenv("AWS_SECRET_ACCESS_KEY", servers->s3.Secret().c_str(), 1);
      servers->s3.CreateBucket("sets");
    }
  }
  static void TearDownTestSuite() { servers.reset(); }

  test::TempDir dir;
  fs::path out = dir / "out";
  std::vector<std::uint8_t> source = test::RandomBytes(600000, 11);
  test::FolderFiles set;
  std::string prefix;  // of this test's objects in the bucket

  void SetUp() override {
    for (const std::string& why : {servers->ssh.Why(), servers->s3.Why(), servers->nginx.Why()}) {
      if (!why.empty()) GTEST_SKIP() << why;
    }
    prefix = dir.path().filename().string();
  }
  void Split(bool implant) {
    test::WriteBytes(dir / "data.bin", source);
    std::vector<std::string> args{"split",   (dir / "data.bin").string(),
                                  "-o",      (dir / "set").string(),
                                  "--mkdir", "-s",
                                  "64",      "--recovery",
                                  "2",       "--seed",
                                  "5"};
    if (implant) args.push_back("--implant");
    ASSERT_EQ(test::RunCli(args).code, 0);
    set = test::FolderContent(dir / "set");
  }
  // The set's copy on `host`, `changed` (name to bytes, empty bytes: absent) as it differs.
  std::string Publish(Host host, const test::FolderFiles& changed = {}) {
    const std::string name = host == Host::Http ? "http" : host == Host::Sftp ? "sftp" : "s3";
    // nginx serves the suite's folder.
    const fs::path folder = host == Host::Http ? servers->dir / prefix : dir / name;
    fs::create_directories(folder);
    for (auto [file, bytes] : set) {
      if (changed.contains(file)) bytes = changed.at(file);
      if (bytes.empty()) continue;
      test::WriteBytes(folder / file, bytes);
      if (host == Host::S3) {
        EXPECT_TRUE(servers->s3.Put("sets", prefix + "/" + file, folder / file, true));
      }
    }
    if (host == Host::Http) return servers->nginx.Url(0) + prefix + "/";
    if (host == Host::Sftp) return servers->ssh.Url(folder);
    return "s3://sets/" + prefix + "/";
  }
  std::string List(const std::vector<std::string>& hosts) const {
    std::ofstream list(dir / "list.txt");
    for (const auto& [name, bytes] : set)
      for (const std::string& host : hosts) list << host << name << "\r\n";
    return (dir / "list.txt").string();
  }
  std::vector<std::string> HostOptions() const {
    return {"--known-hosts", servers->ssh.KnownHosts().string(),
            "--ssh-key",     servers->ssh.UserKey().string(),
            "--s3-endpoint", servers->s3.Endpoint()};
  }
  // `knownHosts` false: without --known-hosts, as a user runs it.
  test::CliRun Run(std::vector<std::string> args, bool knownHosts = true) const {
    // The options the arguments give themselves are not added.
    const std::vector<std::string> options = HostOptions();
    for (size_t i = knownHosts ? 0 : 2; i < options.size(); i += 2) {
      if (std::find(args.begin(), args.end(), options[i]) == args.end())
        args.insert(args.end(), {options[i], options[i + 1]});
    }
    test::CliRun run = test::RunCli(args);
    EXPECT_EQ((run.out + run.err).find(servers->s3.Secret()), npos) << "the secret shows";
    return run;
  }
};

struct FetchCase {
  const char* name;
  Host host;
  bool implant;
};

void PrintTo(const FetchCase& c, std::ostream* os) { *os << c.name; }

class FetchFromHost : public HostsTest, public ::testing::WithParamInterface<FetchCase> {};

TEST_P(FetchFromHost, BringsTheSetBackByteForByte) {
  Split(GetParam().implant);
  const std::string host = Publish(GetParam().host);
  const auto run = Run({"fetch", List({host}), "-o", out.string(), "--join", "--json"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(test::ReadBytes(out / "data.bin"), source);
  for (const auto& [name, bytes] : set) EXPECT_EQ(test::ReadBytes(out / name), bytes) << name;
  EXPECT_NE(run.out.find(host), npos);
}

INSTANTIATE_TEST_SUITE_P(Hosts, FetchFromHost,
                         ::testing::Values(FetchCase{"Sftp", Host::Sftp, false},
                                           FetchCase{"SftpImplanted", Host::Sftp, true},
                                           FetchCase{"S3", Host::S3, false},
                                           FetchCase{"S3Implanted", Host::S3, true}),
                         [](const auto& param_info) { return param_info.param.name; });

struct RefusalCase {
  const char* name;
  Host host;
  // An option given in place of the usual one ("" for none); "other-key": a known_hosts
  // file with another host's key; "HOME": no option, HOME an empty folder.
  std::string option, value;
  const char* says;
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class RefusedHost : public HostsTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusedHost, FailsClearlyAndWritesNothing) {
  const RefusalCase& c = GetParam();
  Split(false);
  const std::string host = Publish(c.host);
  std::vector<std::string> args{"fetch", List({host}), "-o", out.string()};
  std::string value = c.value;
  if (value == "other-key") {
    ASSERT_TRUE(test::MakeSshKey(dir / "other"));
    test::WriteKnownHosts(dir / "other_known_hosts", servers->ssh.Port(), dir / "other.pub");
    value = (dir / "other_known_hosts").string();
  }
  const bool byDefault = c.option == "HOME";
  const std::string home = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
  if (byDefault) ::setenv("HOME", Made(dir / "home").c_str(), 1);
  if (!c.option.empty() && !byDefault) args.insert(args.end(), {c.option, value});
  const char* secret = std::getenv("AWS_SECRET_ACCESS_KEY");
  const std::string kept = secret;
  if (c.host == Host::S3) ::setenv("AWS_SECRET_ACCESS_KEY", "wrong-secret", 1);
  const auto run = Run(args, !byDefault);
  ::setenv("AWS_SECRET_ACCESS_KEY", kept.c_str(), 1);
  ::setenv("HOME", home.c_str(), 1);
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.err.find(c.says), npos) << run.err;
  EXPECT_EQ(run.err.find("wrong-secret"), npos);
  EXPECT_TRUE(!fs::exists(out) || fs::is_empty(out));
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, RefusedHost,
    ::testing::Values(RefusalCase{"KeyOfAnotherHost", Host::Sftp, "--known-hosts", "other-key",
                                  "主機金鑰"},
                      RefusalCase{"WrongFingerprint", Host::Sftp, "--ssh-host-key",
                                  "SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU", "主機金鑰"},
                      RefusalCase{"UnknownHostByDefault", Host::Sftp, "HOME", "", "主機金鑰"},
                      RefusalCase{"WrongSecret", Host::S3, "", "", "HTTP 403"}),
    [](const auto& param_info) { return param_info.param.name; });

struct CheckCase {
  const char* name;
  bool implant;
  int missingOnSftp;  // part indices among the set's files, -1 for none
  int wrongOnS3;
  std::vector<int> lostEverywhere;
  int exit;
  int lost;
  bool sourceRebuildable;
};

void PrintTo(const CheckCase& c, std::ostream* os) { *os << c.name; }

class CheckHosts : public HostsTest, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(CheckHosts, SaysWhatEachHostHoldsAndWhatARepairCouldRebuild) {
  const CheckCase& c = GetParam();
  Split(c.implant);
  const auto nameOf = [&](int index) { return std::next(set.begin(), index)->first; };
  test::FolderFiles everywhere, sftp, s3;
  for (const int index : c.lostEverywhere) everywhere[nameOf(index)] = {};
  sftp = s3 = everywhere;
  if (c.missingOnSftp >= 0) sftp[nameOf(c.missingOnSftp)] = {};
  if (c.wrongOnS3 >= 0) {
    std::vector<std::uint8_t> bad = set.at(nameOf(c.wrongOnS3));
    bad[bad.size() / 3] ^= 1;
    s3[nameOf(c.wrongOnS3)] = bad;
  }
  const std::vector<std::string> hosts{Publish(Host::Http, everywhere), Publish(Host::Sftp, sftp),
                                       Publish(Host::S3, s3)};
  const auto run = Run({"check", List(hosts), "--json"});
  EXPECT_EQ(run.code, c.exit) << run.err;
  const auto document = nlohmann::json::parse(run.out);
  for (const auto& copy : document["copies"]) {
    const std::string name = copy["name"], address = copy["address"];
    const std::string state = copy["state"];
    const bool lost = everywhere.contains(name), onSftp = address.starts_with(hosts[1]),
               onS3 = address.starts_with(hosts[2]);
    const std::string expected = lost || (onSftp && sftp.contains(name)) ? "missing"
                                 : onS3 && s3.contains(name)             ? "wrong"
                                                                         : "proved";
    EXPECT_EQ(state, expected) << name << " at " << address;
    // S3 keeps each object's CRC-32: its copies prove without their bytes coming.
    if (state != "missing") {
      EXPECT_EQ(copy["proof"], onS3 ? "host-checksum" : "streamed") << name;
    }
  }
  EXPECT_EQ(document["copies"].size(), set.size() * hosts.size());
  EXPECT_EQ(document["plan"]["lost"], c.lost);
  EXPECT_EQ(document["plan"]["sourceRebuildable"], c.sourceRebuildable);
  EXPECT_TRUE(document["plan"]["recoveryFound"]);
  EXPECT_FALSE(fs::exists(out));
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, CheckHosts,
    ::testing::Values(CheckCase{"OneMissingOneWrong", false, 3, 5, {}, 0, 0, true},
                      CheckCase{"ImplantedOneMissingOneWrong", true, 2, 4, {}, 0, 0, true},
                      CheckCase{"LostEverywhereRebuildable", false, 3, -1, {2}, 1, 1, true},
                      CheckCase{"TooManyLost", false, -1, -1, {1, 2, 4}, 1, 3, false}),
    [](const auto& param_info) { return param_info.param.name; });

// Serves the set's .kvr as it is and every other file endlessly: under /lie/ with a length
// of 2^62 bytes, under /endless/ with none.
constexpr const char* kHostileServer = R"(import http.server, os, sys
class Hostile(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args): pass
    def answer(self, head):
        kind, name = self.path.strip('/').split('/', 1)
        body = open(os.path.join(sys.argv[2], name), 'rb').read() if name.endswith('.kvr') else b''
        self.send_response(200)
        if body or kind == 'lie': self.send_header('Content-Length', str(len(body) or 1 << 62))
        self.end_headers()
        try:
            while not head:
                self.wfile.write(body or bytes(65536))
                head = bool(body)
        except OSError: pass
    def do_HEAD(self): self.answer(True)
    def do_GET(self): self.answer(False)
http.server.ThreadingHTTPServer(('127.0.0.1', int(sys.argv[1])), Hostile).serve_forever()
)";

TEST_F(HostsTest, CheckRefusesWhatAHostileServerStreamsBeyondTheSet) {
  Split(false);
  std::ofstream(dir / "hostile.py") << kHostileServer;
  const int port = test::FreePort();
  test::ChildProcess server({"/usr/bin/python3", (dir / "hostile.py").string(),
                             std::to_string(port), (dir / "set").string()},
                            false);
  ASSERT_TRUE(test::WaitForPort(port, server, std::chrono::seconds(20))) << server.Error();
  const std::string at = "http://127.0.0.1:" + std::to_string(port);
  const auto run = Run({"check", List({at + "/lie/", at + "/endless/"}), "--json"});
  EXPECT_EQ(run.code, 1) << run.err;
  const nlohmann::json document = nlohmann::json::parse(run.out);
  for (const auto& copy : document["copies"]) {
    const std::string name = copy["name"];
    EXPECT_EQ(copy["state"], name.ends_with(".kvr") ? "proved" : "wrong") << name;
  }
  EXPECT_NE(run.err.find("下載的資料比合併定義所記錄的長"), npos) << run.err;
}

}  // namespace
}  // namespace kivora::host_tests
