#pragma once
// The user's texts written into the sources, and their English: the check that no text
// of a folder that does not use Qt (whose texts go through tr() and the .ts files) lacks
// its English, written right after it ({"中文", "English"}).

#include <filesystem>
#include <string>
#include <vector>

namespace kivora::test {

// "file: text" for each string literal with a Chinese or Japanese character in the .h
// and .cpp files of `folders` (files that include Qt headers excepted) that is not
// followed by its English.
std::vector<std::string> TextsWithoutEnglish(const std::vector<std::filesystem::path>& folders);

// "chinese → english" for each such pair whose English does not keep the Chinese text's
// values ("{}") and numbers in parentheses, or still holds Chinese.
std::vector<std::string> FaultyEntries(const std::vector<std::filesystem::path>& folders);

}  // namespace kivora::test
