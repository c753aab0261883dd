#include "ui/settings/IniText.h"

namespace kivora::ui {
namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF");

}  // namespace

IniText::IniText(Qt::CaseSensitivity names) : names_(names) {}

IniText IniText::Parse(const QByteArray& utf8, Qt::CaseSensitivity names) {
  IniText ini(names);
  qsizetype start = 0;
  while (start < utf8.size()) {
    const qsizetype newline = utf8.indexOf('\n', start);
    const qsizetype stop = newline < 0 ? utf8.size() : newline;
    QByteArray raw = utf8.mid(start, stop - start);
    QByteArray end = newline < 0 ? QByteArray() : QByteArray("\n");
    if (!end.isEmpty() && raw.endsWith('\r')) {
      raw.chop(1);
      end = "\r\n";
    }
    if (ini.lines_.empty() && !end.isEmpty()) ini.lineEnd_ = end;
    ini.lines_.push_back(Classify(std::move(raw), std::move(end), ini.lines_.empty()));
    start = stop + 1;
  }
  return ini;
}

IniText::Line IniText::Classify(QByteArray raw, QByteArray end, bool first) {
  Line line;
  line.text = QString::fromUtf8(first && raw.startsWith(kUtf8Bom) ? raw.mid(kUtf8Bom.size()) : raw);
  line.raw = std::move(raw);
  line.end = std::move(end);
  const QString trimmed = line.text.trimmed();
  if (trimmed.isEmpty() || trimmed.startsWith(u';') || trimmed.startsWith(u'#')) return line;
  if (trimmed.startsWith(u'[')) {
    const qsizetype close = trimmed.indexOf(u']');
    if (close > 0) {
      line.kind = Kind::Section;
      line.name = trimmed.mid(1, close - 1).trimmed();
    }
    return line;
  }
  line.kind = Kind::Entry;
  const qsizetype equals = trimmed.indexOf(u'=');
  line.name = trimmed.left(equals).trimmed();  // the whole line when there is no "="
  if (equals >= 0) line.value = trimmed.mid(equals + 1).trimmed();
  return line;
}

QByteArray IniText::ToBytes() const {
  QByteArray bytes;
  for (const Line& line : lines_) bytes += line.raw + line.end;
  return bytes;
}

bool IniText::SameName(const QString& a, QStringView b) const {
  return QStringView(a).compare(b, names_) == 0;
}

int IniText::FindKey(QStringView section, QStringView key) const {
  bool inSection = false;
  for (size_t i = 0; i < lines_.size(); ++i) {
    const Line& line = lines_[i];
    if (line.kind == Kind::Section) inSection = SameName(line.name, section);
    if (inSection && line.kind == Kind::Entry && SameName(line.name, key)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

std::optional<QString> IniText::Value(QStringView section, QStringView key) const {
  const int at = FindKey(section, key);
  if (at < 0) return std::nullopt;
  return lines_[static_cast<size_t>(at)].value;
}

QStringList IniText::SectionLines(QStringView section) const {
  QStringList result;
  bool inSection = false;
  for (const Line& line : lines_) {
    if (line.kind == Kind::Section) inSection = SameName(line.name, section);
    if (inSection && line.kind == Kind::Entry) result.append(line.text);
  }
  return result;
}

void IniText::Insert(size_t at, const QString& text) {
  // The line before the new one may be a last line without a line end.
  if (at > 0 && lines_[at - 1].end.isEmpty()) lines_[at - 1].end = lineEnd_;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at),
                Classify(text.toUtf8(), lineEnd_, at == 0));
}

void IniText::SetValue(QStringView section, QStringView key, QStringView value) {
  QString text = key.toString() + u'=' + value.toString();
  text.replace(u'\r', u' ').replace(u'\n', u' ');
  if (const int at = FindKey(section, key); at >= 0) {
    Line& line = lines_[static_cast<size_t>(at)];
    line = Classify(text.toUtf8(), line.end, at == 0);
    return;
  }
  // After the last entry of the last section of that name, or right after its header.
  std::optional<size_t> after;
  bool inSection = false;
  for (size_t i = 0; i < lines_.size(); ++i) {
    const Line& line = lines_[i];
    if (line.kind == Kind::Section) {
      inSection = SameName(line.name, section);
      if (inSection) after = i;
    } else if (inSection && line.kind == Kind::Entry) {
      after = i;
    }
  }
  if (after) {
    Insert(*after + 1, text);
    return;
  }
  if (!lines_.empty() && !lines_.back().text.trimmed().isEmpty()) Insert(lines_.size(), QString());
  Insert(lines_.size(), u'[' + section.toString() + u']');
  Insert(lines_.size(), text);
}

bool IniText::RemoveKey(QStringView section, QStringView key) {
  bool removed = false;
  for (int at = FindKey(section, key); at >= 0; at = FindKey(section, key)) {
    lines_.erase(lines_.begin() + at);
    removed = true;
  }
  return removed;
}

}  // namespace kivora::ui
