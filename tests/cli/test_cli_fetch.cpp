// kivora-cli fetch against nginx serving a set from two mirrors, with faults: files
// missing, corrupted bytes, dropped connections, a kill in the middle, refused addresses;
// and against a server that misbehaves on purpose.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <memory>

#include "core/io/FileSystemCalls.h"
#include "core/set/CommitNames.h"
#include "core/set/SetLock.h"
#include "net/AddressList.h"
#include "net/FetchOperation.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/FaultSeam.h"
#include "tests/support/FetchServers.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
constexpr auto npos = std::string::npos;

enum class Fault { MissingOnA, MissingOnB, MissingOnBoth, CorruptOnA, CorruptOnBoth };

class FetchTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  fs::path a = dir / "a", b = dir / "b", out = dir / "out";
  std::vector<std::uint8_t> source = test::RandomBytes(700000, 7);
  test::FolderFiles set;  // the set as split
  std::unique_ptr<test::NginxServer> nginx;

  void SetUp() override {
    fs::create_directories(a);
    fs::create_directories(b);
    fs::create_directories(dir / "nginx");
    nginx = std::make_unique<test::NginxServer>(dir / "nginx", std::vector<fs::path>{a, b},
                                                "location / { return 302 file:///etc/passwd; }");
    if (!nginx->Running()) GTEST_SKIP() << nginx->Why();
  }
  void Split(std::vector<std::string> options) {
    test::WriteBytes(dir / "data.bin", source);
    std::vector<std::string> args{"split",      (dir / "data.bin").string(),
                                  "-o",         a.string(),
                                  "-s",         "64",
                                  "--recovery", "2",
                                  "--seed",     "3"};
    args.insert(args.end(), options.begin(), options.end());
    ASSERT_EQ(test::RunCli(args).code, 0);
    set = test::FolderContent(a);
    for (const auto& [name, bytes] : set) test::WriteBytes(b / name, bytes);
  }
  std::string Name(int part) const { return std::next(set.begin(), part)->first; }
  // One line per file and mirror, the mirrors' lines of a file together, after `first`.
  std::string List(const std::vector<std::string>& mirrors, const std::string& first = {}) const {
    std::ofstream list(dir / "list.txt");
    list << first;
    for (const auto& [name, bytes] : set)
      for (const std::string& mirror : mirrors) list << mirror << name << "\r\n";
    return (dir / "list.txt").string();
  }
  // Every file of `out` is the set's own (or the source), never other bytes.
  void ExpectOnlyTheSetsBytes() {
    for (const auto& [name, bytes] : test::FolderContent(out)) {
      if (name == "data.bin") {
        EXPECT_EQ(bytes, source);
      } else if (!name.starts_with(".kvfetch.")) {
        ASSERT_TRUE(set.contains(name)) << name;
        EXPECT_EQ(bytes, set.at(name)) << name;
      }
    }
  }
};

struct MirrorCase {
  const char* name;
  std::vector<std::string> splitOptions;
  std::vector<std::pair<int, Fault>> faults;  // by index among the set's files, sorted
  int cuts = 0;                               // mirror A cuts its first connections
  bool onlyA = false;                         // the list names mirror A alone
  bool join = true;
  int exit = 0;
};

void PrintTo(const MirrorCase& c, std::ostream* os) { *os << c.name; }

class FetchMirrors : public FetchTest, public ::testing::WithParamInterface<MirrorCase> {};

TEST_P(FetchMirrors, BringsTheSetBackByteForByte) {
  const MirrorCase& c = GetParam();
  Split(c.splitOptions);
  for (const auto& [index, fault] : c.faults) {
    const std::string name = Name(index);
    std::vector<std::uint8_t> bad = set.at(name);
    bad[bad.size() / 2] ^= 0x40;
    if (fault == Fault::MissingOnA || fault == Fault::MissingOnBoth) fs::remove(a / name);
    if (fault == Fault::MissingOnB || fault == Fault::MissingOnBoth) fs::remove(b / name);
    if (fault == Fault::CorruptOnA || fault == Fault::CorruptOnBoth)
      test::WriteBytes(a / name, bad);
    if (fault == Fault::CorruptOnBoth) test::WriteBytes(b / name, bad);
  }
  const test::CuttingProxy proxy(nginx->Port(0), c.cuts, 30000);
  std::vector<std::string> mirrors{proxy.Url()};
  if (!c.onlyA) mirrors.push_back(nginx->Url(1));
  std::vector<std::string> args{"fetch",  List(mirrors), "-o",    out.string(),
                                "--jobs", "1",           "--json"};
  if (c.join) args.push_back("--join");
  const auto run = test::RunCli(args);
  EXPECT_EQ(run.code, c.exit) << run.err;
  ExpectOnlyTheSetsBytes();
  EXPECT_EQ(fs::exists(out / "data.bin"), c.exit == 0 && c.join);
  // The document names every file, and the addresses they came from.
  for (const auto& [name, bytes] : set) EXPECT_NE(run.out.find("\"" + name + "\""), npos) << name;
  for (const std::string& mirror : mirrors) EXPECT_NE(run.out.find(mirror), npos) << mirror;
  EXPECT_GE(proxy.Connections(), c.cuts);
  for (const auto& [index, fault] : c.faults) {
    if (fault != Fault::CorruptOnA) continue;
    // A mirror that served bad bytes comes last: the other serves every file after it.
    for (auto it = std::next(set.begin(), index + 1); it != set.end(); ++it)
      EXPECT_TRUE(nginx->Requests(0, it->first).empty()) << it->first;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FetchMirrors,
    ::testing::Values(
        MirrorCase{"MissingOnEachMirror", {}, {{3, Fault::MissingOnB}, {4, Fault::MissingOnA}}},
        MirrorCase{"CorruptOnOneMirror", {}, {{1, Fault::CorruptOnA}}},
        MirrorCase{"DroppedConnections", {}, {}, 3, true, false},
        MirrorCase{"CorruptEverywhere", {}, {{2, Fault::CorruptOnBoth}}, 0, false, false, 1},
        MirrorCase{"LostEverywhereRebuilt", {}, {{4, Fault::MissingOnBoth}}},
        MirrorCase{"ImplantedDefinition", {"--implant"}, {{2, Fault::MissingOnA}}}),
    [](const auto& param_info) { return param_info.param.name; });

struct HostileCase {
  const char* name;
  std::vector<std::string> rules =
      {};                   // of the hostile server, listed first; "as:" the other set's
  bool goodMirror = true;   // nginx serving the set, listed second
  bool deadMirror = false;  // a port that takes no connection, listed first
  std::vector<std::string> options = {};
  int exit = 0;
  // What the output says: {hostile}, {good}, {dead-host} stand for the servers' addresses.
  std::vector<std::string> said = {};
  long fileSizeLimit = 0;  // bytes a file of the process may have
  bool implant = false;
  bool longLine = false;  // the list's first line is 100 000 characters long
  std::vector<std::string> missingOnGood = {};
};

void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.name; }

class HostileServers : public FetchTest, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostileServers, FolderHoldsOnlyTheSetsBytesAndTheSummarySaysWhy) {
  const HostileCase& c = GetParam();
  Split(c.implant ? std::vector<std::string>{"--implant"} : std::vector<std::string>{});
  fs::create_directories(dir / "other");  // another set of the same names
  test::WriteBytes(dir / "other.bin", test::RandomBytes(300000, 9));
  ASSERT_EQ(test::RunCli({"split", (dir / "other.bin").string(), "-o", (dir / "other").string(),
                          "-s", "64", "--name", "data"})
                .code,
            0);
  std::vector<std::string> rules = c.rules;
  for (std::string& rule : rules)
    if (rule.ends_with("=as:")) rule += (dir / "other" / "data.kvr").string();
  for (const std::string& name : c.missingOnGood) fs::remove(b / name);
  const test::HostileServer hostile(a, rules);
  ASSERT_TRUE(hostile.Running());
  const std::string dead = "http://127.0.0.1:" + std::to_string(test::FreePort()) + "/";
  std::vector<std::string> mirrors{c.deadMirror ? dead : hostile.Url()};
  if (c.goodMirror) mirrors.push_back(nginx->Url(1));
  const std::string longLine = "http://127.0.0.1/" + std::string(100000, 'x');
  fs::create_directories(out);
  std::vector<std::string> args{
      "fetch", List(mirrors, c.longLine ? longLine + "\n" : ""), "-o", out.string(), "--jobs", "1"};
  args.insert(args.end(), c.options.begin(), c.options.end());
  rlimit before{};
  ::getrlimit(RLIMIT_FSIZE, &before);
  if (c.fileSizeLimit > 0) {
    std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead
    const rlimit limit{static_cast<rlim_t>(c.fileSizeLimit), before.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  std::ostringstream output;
  cli::Context context{output, output, false, false, Language::English};
  EXPECT_EQ(cli::Run(args, context), c.exit) << output.str();
  ::setrlimit(RLIMIT_FSIZE, &before);
  ExpectOnlyTheSetsBytes();
  size_t largest = 0;
  for (const auto& [name, bytes] : set) largest = std::max(largest, bytes.size());
  for (const auto& [name, bytes] : test::FolderContent(out))
    EXPECT_LE(bytes.size(), largest) << name;
  const auto hostOf = [](std::string url) { return url.substr(0, url.size() - 1); };
  for (std::string text : c.said) {
    for (const auto& [from, to] : {std::pair<std::string, std::string>{"{hostile}", hostile.Url()},
                                   {"{good}", nginx->Url(1)},
                                   {"{hostile-host}", hostOf(hostile.Url())},
                                   {"{dead-host}", hostOf(dead)},
                                   {"{long}", longLine.substr(0, 80)}}) {
      if (const size_t at = text.find(from); at != npos) text.replace(at, from.size(), to);
    }
    EXPECT_NE(output.str().find(text), npos) << text << "\n" << output.str();
  }
  if (c.fileSizeLimit > 0) {  // what proved before the disk filled is under its names
    for (const auto& [name, bytes] : set) {
      if (!name.starts_with("data_rec")) {
        EXPECT_TRUE(fs::exists(out / name)) << name;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Behaviours, HostileServers,
    ::testing::Values(
        HostileCase{.name = "EndlessPart",
                    .rules = {"data03.png=endless"},
                    .said = {"\"data03.png\" came from {good}"}},
        HostileCase{.name = "EndlessImplantedLastPart",
                    .rules = {"data10.png=endless"},
                    .goodMirror = false,
                    .exit = 1,
                    .said = {"From {hostile}data10.png, \"data10.png\" is larger than any join"},
                    .implant = true},
        HostileCase{.name = "EndlessDefinition",
                    .rules = {"data.kvr=endless"},
                    .goodMirror = false,
                    .exit = 1,
                    .said = {"From {hostile}data.kvr, \"data.kvr\" is larger than any join"}},
        HostileCase{.name = "ShortContentLength",
                    .rules = {"data03.png=short"},
                    .goodMirror = false,
                    .exit = 1,
                    .said = {"Could not fetch \"data03.png\": the server ended the transfer at",
                             "1 could not be had"}},
        HostileCase{.name = "LyingContentLength",
                    .rules = {"data03.png=lying"},
                    .goodMirror = false,
                    .said = {"\"data03.png\" came from {hostile}"}},
        HostileCase{.name = "DeadMirrorDropped",
                    .deadMirror = true,
                    .exit = 1,
                    .said = {"{dead-host} failed 3 times and was not used",
                             "\"data02.png\": The other addresses of \"data02.png\" are on "},
                    .missingOnGood = {"data00.png", "data01.png", "data02.png"}},
        HostileCase{.name = "RefusingMirror",
                    .rules = {"*=refuse"},
                    .said = {"{hostile-host} failed 1 times and was tried after the other"}},
        HostileCase{.name = "StallingMirror",
                    .rules = {"*=stall"},
                    .options = {"--stall-timeout", "1"},
                    .said = {"{hostile-host} failed 1 times and was tried after the other"}},
        HostileCase{.name = "AnotherSetsDefinition",
                    .rules = {"data.kvr=as:"},
                    .said = {"{hostile}data.kvr serves another set's join definition"}},
        HostileCase{.name = "FullDisk",
                    .rules = {"data_rec00.png=endless"},
                    .goodMirror = false,
                    .exit = 1,
                    .said = {"The folder could not be written to any more", "files:"},
                    .fileSizeLimit = 1 << 20},
        HostileCase{.name = "LongListLine",
                    .exit = 1,
                    .said = {"line 1 is longer than 16384 characters and no address: \"{long}…\""},
                    .longLine = true}),
    [](const auto& param_info) { return param_info.param.name; });

TEST_F(FetchTest, RefusesAddressesThatAreNotHttpHttpsOrFtp) {
  Split({});
  for (const std::string& address :
       {std::string("file:///etc/passwd"), std::string("gopher://127.0.0.1/data.kvr"),
        nginx->Url(2) + "data.kvr"}) {  // redirects to file://
    const auto run = test::RunCli({"fetch", address, "-o", out.string()});
    EXPECT_EQ(run.code, 1) << address;
    EXPECT_TRUE(!fs::exists(out) || fs::is_empty(out)) << address;
  }
}

TEST_F(FetchTest, AfterAKillFetchesNoCompletePartAgain) {
  Split({"--plain"});
  long before = 0;  // the definition, two parts and half of the third
  for (int i : {0, 1, 2}) before += static_cast<long>(set.at(Name(i)).size());
  const test::CuttingProxy proxy(nginx->Port(0), 0, 0,
                                 before + static_cast<long>(set.at(Name(3)).size()) / 2);
  std::string why;
  test::ChildProcess first(
      {KIVORA_CLI_PATH, "fetch", List({proxy.Url()}), "-o", out.string(), "--jobs", "1"}, false);
  const auto cut = [&] {
    for (const auto& [name, bytes] : test::FolderContent(out))
      if (name.starts_with(".kvfetch.data0") && bytes.size() < set.at(name.substr(9)).size() &&
          !bytes.empty())
        return true;
    return false;
  };
  for (int i = 0; i < 600 && !(proxy.Holding() && fs::exists(out) && cut()); ++i)
    std::this_thread::sleep_for(50ms);
  ASSERT_TRUE(cut());
  first.Signal(SIGKILL);
  first.Wait(10s);
  const auto second = test::RunCli({"fetch", List({nginx->Url(0)}), "-o", out.string()});
  EXPECT_EQ(second.code, 0) << second.err;
  ExpectOnlyTheSetsBytes();
  int resumed = 0;
  for (const auto& [name, bytes] : set) {
    const auto requests = nginx->Requests(0, name);
    const auto whole = std::count_if(requests.begin(), requests.end(),
                                     [](const std::string& r) { return r.ends_with(" -"); });
    EXPECT_LE(whole, 1) << name;
    resumed += static_cast<int>(requests.size() - static_cast<size_t>(whole));
  }
  EXPECT_EQ(resumed, 1);
}

}  // namespace
}  // namespace kivora

namespace kivora {
namespace {

// A fetch killed at any call leaves, once the set's lock is taken again, every file of
// the folder under a name of the set whole, and no hidden file of its commit; a second
// run then brings the rest.
TEST_F(FetchTest, KillAtAnyCallLeavesOnlyWholeFilesUnderTheirNames) {
  Split({"--plain"});
  test::FakePendants pendants;
  net::FetchRequest request;
  request.addresses = net::GatherAddresses(std::vector<std::string>{List({nginx->Url(0)})});
  request.folder = out;
  request.limits.total = 1;
  const auto fetch = [&] {
    test::RecordingEvents events;
    const net::FetchOutcome outcome = net::RunFetch(request, pendants, events);
    return outcome.Count(net::FetchState::Lost) == 0 && !outcome.stopped;
  };
  sys::StartCountingCalls();
  ASSERT_TRUE(fetch());
  const std::uint64_t calls = sys::CallsMade();
  ASSERT_GT(calls, 14u);  // a write, a rename or more for each file
  for (std::uint64_t n = 1; n <= calls + 1; n += calls / 40 + 1) {
    fs::remove_all(out);
    const pid_t child = ::fork();
    if (child == 0) {
      sys::EndProcessAtCall(n);
      ::_exit(fetch() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) ? WTERMSIG(status) == SIGKILL : status == 0) << n;
    if (fs::exists(out)) {
      SetLock(out, "data", SetLock::Mode::Exclusive);
      ExpectOnlyTheSetsBytes();
      for (const auto& [name, bytes] : test::FolderContent(out))
        EXPECT_FALSE(IsHiddenNameOf("data", name)) << name << " after a kill at call " << n;
    }
    ASSERT_TRUE(fetch()) << n;
    for (const auto& [name, bytes] : set) EXPECT_TRUE(fs::exists(out / name)) << name << " " << n;
  }
}

}  // namespace
}  // namespace kivora
