#include "app/cli/HostOptions.h"

#include <CLI/CLI.hpp>

namespace kivora::cli {

void HostOptions::Register(CLI::App& command) {
  command.add_option("--s3-endpoint", given.s3Endpoint,
                     "Endpoint of s3:// addresses (default: KIVORA_S3_ENDPOINT, "
                     "AWS_ENDPOINT_URL, else AWS's own for the region)");
  command.add_option("--s3-region", given.s3Region,
                     "Region s3:// requests are signed for (default: AWS_REGION, else us-east-1)");
  command.add_option("--ssh-key", given.sshKey,
                     "Private key for sftp:// (default: ~/.ssh/id_ed25519, id_ecdsa or id_rsa)");
  command.add_option("--ssh-host-key", given.sshHostKey,
                     "SHA256:... fingerprint the sftp:// host's key must have, instead of "
                     "known_hosts");
  command.add_option("--known-hosts", given.knownHosts,
                     "known_hosts file the sftp:// host keys are checked against (default: "
                     "~/.ssh/known_hosts)");
}

}  // namespace kivora::cli
