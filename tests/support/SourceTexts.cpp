#include "tests/support/SourceTexts.h"

#include <fstream>
#include <regex>
#include <sstream>

namespace kivora::test {
namespace {

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

struct Literal {
  std::string text;
  bool afterComma = false;  // only a comma stands between it and the literal before
};

// The string literals of C++ source, adjacent ones joined and the common escapes read;
// comments and character literals are skipped.
std::vector<Literal> StringLiterals(const std::string& source) {
  std::vector<Literal> literals;
  bool joinNext = false;
  int commas = 0;
  size_t i = 0;
  while (i < source.size()) {
    const char c = source[i];
    if (source.compare(i, 2, "//") == 0) {
      i = source.find('\n', i);
    } else if (source.compare(i, 2, "/*") == 0) {
      i = source.find("*/", i);
      if (i != std::string::npos) i += 2;
    } else if (c == '\'' || c == '"') {
      std::string text;
      for (++i; i < source.size() && source[i] != c; ++i) {
        if (source[i] != '\\' || i + 1 == source.size()) {
          text += source[i];
          continue;
        }
        const char e = source[++i];
        text += e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e;
      }
      ++i;
      if (c == '"') {
        if (joinNext) {
          literals.back().text += text;
        } else {
          literals.push_back({text, commas == 1});
        }
        joinNext = true;
        commas = 0;
      }
      continue;
    } else {
      if (c != ' ' && c != '\n' && c != '\t' && c != '\r') {
        joinNext = false;
        commas = c == ',' && commas == 0 ? 1 : 2;
      }
      ++i;
    }
    if (i == std::string::npos) break;
  }
  return literals;
}

// CJK punctuation and kana (U+3000-U+30FF), ideographs (U+4E00-U+9FFF) and full-width
// forms (U+FF00-U+FFEF): three bytes in UTF-8 that start with E3 or E4-E9 or EF BC-BF.
bool HasChinese(const std::string& text) {
  for (size_t i = 0; i + 2 < text.size(); ++i) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    const auto b1 = static_cast<unsigned char>(text[i + 1]);
    if (b0 == 0xE3 && b1 >= 0x80 && b1 <= 0x83) return true;
    if (b0 >= 0xE4 && b0 <= 0xE9) return true;
    if (b0 == 0xEF && b1 >= 0xBC && b1 <= 0xBF) return true;
  }
  return false;
}

// Each Chinese literal of the sources of `folders` with the literal after it, if that one
// follows after a comma (its English); as "file: text" and the English or empty.
std::vector<std::pair<std::string, std::string>> Pairs(
    const std::vector<std::filesystem::path>& folders) {
  std::vector<std::pair<std::string, std::string>> pairs;
  for (const auto& folder : folders) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
      const auto ext = entry.path().extension();
      if (ext != ".h" && ext != ".cpp") continue;
      const std::string source = ReadText(entry.path());
      if (source.find("#include <Q") != std::string::npos) continue;
      const std::vector<Literal> literals = StringLiterals(source);
      for (size_t i = 0; i < literals.size(); ++i) {
        if (!HasChinese(literals[i].text)) continue;
        const bool english = i + 1 < literals.size() && literals[i + 1].afterComma;
        pairs.emplace_back(entry.path().filename().string() + ": " + literals[i].text,
                           english ? literals[i + 1].text : std::string());
        if (english) ++i;  // the English is no text of its own
      }
    }
  }
  return pairs;
}

std::string Pattern(std::string_view text, const std::regex& re) {
  std::string out;
  const std::string s(text);
  for (auto it = std::sregex_iterator(s.begin(), s.end(), re); it != std::sregex_iterator(); ++it) {
    out += it->str() + ' ';
  }
  return out;
}

}  // namespace

std::vector<std::string> TextsWithoutEnglish(const std::vector<std::filesystem::path>& folders) {
  std::vector<std::string> missing;
  for (const auto& [text, english] : Pairs(folders)) {
    if (english.empty() || HasChinese(english)) missing.push_back(text);
  }
  return missing;
}

std::vector<std::string> FaultyEntries(const std::vector<std::filesystem::path>& folders) {
  static const std::regex values(R"(\{\})");
  static const std::regex numbers(R"(\(\d+\))");
  std::vector<std::string> faulty;
  for (const auto& [text, english] : Pairs(folders)) {
    const std::string chinese = text.substr(text.find(": ") + 2);
    if (Pattern(chinese, values) != Pattern(english, values) ||
        Pattern(chinese, numbers) != Pattern(english, numbers)) {
      faulty.push_back(text + " → " + english);
    }
  }
  return faulty;
}

}  // namespace kivora::test
