#pragma once
// The addresses a fetch is given: list files as the file-list page writes them (one
// address a line; a distributed list interleaves the addresses of several mirrors, so
// lines come in any order) and addresses on the command line. Lines are grouped by the
// file name they end in: several addresses of one name are mirrors of that file.

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "net/Address.h"

namespace kivora::net {

struct FileAddresses {
  std::string fileName;
  std::vector<Address> addresses;  // in the order first given, each once
};

// The lines of a list file in `encoding` (empty: the locale's), as UTF-8, ended by CR LF
// or LF; blank lines are skipped. Throws KivoraError when the file cannot be read or
// holds bytes that are not valid in the encoding.
std::vector<std::string> ReadListLines(const std::filesystem::path& path,
                                       std::string_view encoding = {});

// Each argument is an address, or a list file whose lines are. Throws KivoraError for a
// refused address (ParseAddress) or an unreadable list.
std::vector<Address> GatherAddresses(std::span<const std::string> arguments);

// The addresses grouped by file name, in the order of each name's first address.
std::vector<FileAddresses> GroupByFileName(std::span<const Address> addresses);

}  // namespace kivora::net
