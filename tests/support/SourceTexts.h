#pragma once
// The user's texts written into the sources, and their English: the check that no text
// of a folder that does not use Qt (whose texts go through tr() and the .ts files) lacks
// an entry in an English table.

#include <filesystem>
#include <string>
#include <vector>

#include "core/text/Translation.h"

namespace kivora::test {

// "file: text" for each string literal with a Chinese or Japanese character in the .h
// and .cpp files of `folders` (files that include Qt headers excepted) that no table
// holds as a text of its own.
std::vector<std::string> TextsWithoutEnglish(const std::vector<std::filesystem::path>& folders,
                                             const std::vector<EnglishTable>& tables);

// "chinese → english" for each entry whose English does not keep the Chinese text's
// values ("%s", "%d", in order) and numbers in parentheses, or still holds Chinese.
std::vector<std::string> FaultyEntries(const std::vector<EnglishTable>& tables);

}  // namespace kivora::test
