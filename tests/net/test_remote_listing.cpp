// The file names of a host's folder listing, from listings written the way servers write
// them: a name comes back as it was, whatever its bytes, and folders are left out.

#include <gtest/gtest.h>

#include "net/RemoteListing.h"
#include "net/SendTransfers.h"

namespace kivora::net {
namespace {

const std::vector<std::string> kNames{"d00.png", ".kvsend.d 01.png", "a&b<c>.bin",
                                      "\xe4\xb8\x80.kvr"};

std::string XmlEscaped(const std::string& text) {
  std::string escaped;
  for (const char c : text) {
    escaped += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
  }
  return escaped;
}

// A PROPFIND answer of Depth 1 on /set/ with the elements under `prefix`.
std::string Multistatus(const std::string& prefix) {
  const auto response = [&](const std::string& href) {
    return "<" + prefix + "response><" + prefix + "href>" + href + "</" + prefix + "href><" +
           prefix + "propstat/></" + prefix + "response>\n";
  };
  std::string xml = "<?xml version=\"1.0\"?>\n<" + prefix + "multistatus xmlns:" +
                    prefix.substr(0, prefix.empty() ? 0 : prefix.size() - 1) + "=\"DAV:\">" +
                    response("/set/") + response("http://127.0.0.1/set/sub/");
  for (const std::string& name : kNames) xml += response("/set/" + XmlEscaped(EncodeName(name)));
  return xml + "</" + prefix + "multistatus>";
}

TEST(RemoteListing, GivesTheFileNamesOfEachKindOfListing) {
  struct Case {
    const char* name;
    HostKind kind;
    std::string listing;
  };
  std::string lf, crlf;
  for (const std::string& name : kNames) lf += name + "\n", crlf += name + "\r\n";
  const Case cases[] = {
      {"PROPFIND, D: prefix", HostKind::WebDav, Multistatus("D:")},
      {"PROPFIND, another prefix", HostKind::WebDav, Multistatus("lp1:")},
      {"PROPFIND, default namespace", HostKind::WebDav, Multistatus("")},
      {"NLST", HostKind::Ftp, crlf},
      {"SFTP names", HostKind::Sftp, lf},
  };
  for (const Case& c : cases) EXPECT_EQ(NamesInListing(c.kind, c.listing), kNames) << c.name;
}

TEST(RemoteListing, LeavesOutWhatDoesNotDecode) {
  const std::string hrefs =
      "<D:href>/set/bad%zz</D:href><D:href>/set/%2Fup</D:href>"
      "<D:href>/set/x&unknown;</D:href><D:href>/set/cut%4";
  EXPECT_TRUE(NamesInListing(HostKind::WebDav, hrefs).empty());
}

}  // namespace
}  // namespace kivora::net
