#include "filelist/NameKey.h"

#include <algorithm>

#include "core/format/CodePage.h"

namespace kivora::filelist {
namespace {

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

std::string LowerAsciiOnly(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), LowerAscii);
  return out;
}

}  // namespace

std::string NameKey(std::string_view utf8) {
  // ASCII is single bytes in Big5, and Big5 lower-cases only A-Z among them.
  if (IsAscii(utf8)) return LowerAsciiOnly(utf8);
  const auto big5 = ToBig5(utf8);
  if (!big5) return LowerAsciiOnly(utf8);
  // Back to UTF-8, so that keys of both kinds never meet by accident of their bytes.
  const std::string lower = LowerBig5(*big5);
  auto back = FromBig5(lower);
  return back ? std::move(*back) : FromBig5Lossy(lower);
}

NameMatcher::NameMatcher(std::string_view name)
    : name_(name), key_(NameKey(name)), ascii_(IsAscii(name)) {}

bool NameMatcher::operator()(std::string_view text) const {
  if (text == name_) return true;
  if (ascii_ && IsAscii(text)) {
    return text.size() == key_.size() &&
           std::equal(text.begin(), text.end(), key_.begin(),
                      [](char x, char lowered) { return LowerAscii(x) == lowered; });
  }
  return NameKey(text) == key_;
}

}  // namespace kivora::filelist
