#pragma once
// The text of an INI-style file ("[Section]" lines followed by "key=value" lines) as a
// list of lines, edited key by key. Lines that are not changed are written back byte
// for byte — comments, unknown sections and keys, their order and line endings — so
// the program can update its own keys in a file that others edit too.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace kivora::ui {

class IniText {
 public:
  // Section and key names compare ignoring case (settings files) or exactly (desktop
  // entries and mimeapps.list).
  explicit IniText(Qt::CaseSensitivity names = Qt::CaseInsensitive);
  static IniText Parse(const QByteArray& utf8, Qt::CaseSensitivity names = Qt::CaseInsensitive);
  QByteArray ToBytes() const;

  // The value of the first line of key in a section of that name, blanks around the key
  // and the value removed; empty when there is none.
  std::optional<QString> Value(QStringView section, QStringView key) const;
  // Every line of the sections of that name that is neither blank, a comment (";" or
  // "#") nor a section header, in file order, as written (without the line end).
  QStringList SectionLines(QStringView section) const;

  // Replaces the first line of key in place; otherwise adds "key=value" after the last
  // line of the section, and adds the section at the end when there is none. Line
  // breaks in value become blanks: a value is one line.
  void SetValue(QStringView section, QStringView key, QStringView value);
  // Removes every line of key in sections of that name; whether there was one.
  bool RemoveKey(QStringView section, QStringView key);

 private:
  enum class Kind { Other, Section, Entry };
  struct Line {
    QByteArray raw;  // as in the file, without the line end
    QByteArray end;  // "\n", "\r\n" or empty for a last line without one
    Kind kind = Kind::Other;
    QString name;   // section name or key
    QString value;  // the key's value
    QString text;   // the whole line, decoded
  };
  static Line Classify(QByteArray raw, QByteArray end, bool first);
  bool SameName(const QString& a, QStringView b) const;
  // Index of the first entry line of key in a section of that name, or -1.
  int FindKey(QStringView section, QStringView key) const;
  void Insert(size_t at, const QString& text);

  std::vector<Line> lines_;
  Qt::CaseSensitivity names_;
  QByteArray lineEnd_ = "\n";  // for added lines: that of the file's first line
};

}  // namespace kivora::ui
