#pragma once
// Case-insensitive comparison of file names and addresses as the user's system
// makes it: lower case of code page 950 in the user's locale.

#include <string>
#include <string_view>

namespace kivora::filelist {

// A key equal for two texts exactly when they are equal ignoring letter case. Text
// with a Big5 form is lower-cased as Big5 (locale rules, full-width letters too);
// text without one only has its ASCII letters lower-cased. The key is UTF-8.
std::string NameKey(std::string_view utf8);

// Compares many texts with one name: true when NameKey(text) == NameKey(name). The
// name's key is taken once; plain ASCII texts are compared without any conversion.
class NameMatcher {
 public:
  explicit NameMatcher(std::string_view name);
  bool operator()(std::string_view text) const;

 private:
  std::string name_;
  std::string key_;
  bool ascii_;
};

}  // namespace kivora::filelist
