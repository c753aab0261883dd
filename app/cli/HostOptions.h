#pragma once
// --s3-endpoint, --s3-region, --ssh-key, --ssh-host-key and --known-hosts: how the hosts of
// a set's addresses are reached. Credentials are never options: they come from ~/.netrc and
// the environment (net/HostAccess.h).

#include "net/HostAccess.h"

namespace CLI {
class App;
}

namespace kivora::cli {

struct HostOptions {
  net::HostAccessOptions given;

  void Register(CLI::App& command);
  // Throws KivoraError for an endpoint or a fingerprint that cannot be used.
  net::HostAccess Resolve() const { return net::HostAccess::From(given); }
};

}  // namespace kivora::cli
