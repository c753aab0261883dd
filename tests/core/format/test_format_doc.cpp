// The field tables of docs/format.md applied to definitions the writer produced: each
// documented field must lie where the tables put it and hold what the writer wrote, and
// the fields must account for every byte.

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "core/format/CodePage.h"
#include "core/format/DefinitionWriter.h"

namespace kivora {
namespace {

using Row = std::map<std::string, std::string>;  // column header -> cell

std::string Trim(std::string_view s) {
  const size_t begin = s.find_first_not_of(' ');
  const size_t end = s.find_last_not_of(' ');
  return begin == std::string_view::npos ? "" : std::string(s.substr(begin, end - begin + 1));
}

std::vector<std::string> Cells(const std::string& line) {
  std::vector<std::string> cells;
  std::stringstream in(line.substr(1));  // after the leading '|'
  for (std::string cell; std::getline(in, cell, '|');) cells.push_back(Trim(cell));
  return cells;
}

// The rows of the table whose header row is `header`.
std::vector<Row> Table(const std::string& doc, const std::string& header) {
  std::stringstream in(doc);
  std::string line;
  while (std::getline(in, line) && line != header) {
  }
  const std::vector<std::string> columns = Cells(header);
  std::getline(in, line);  // |---|---|
  std::vector<Row> rows;
  while (std::getline(in, line) && line.starts_with('|')) {
    const std::vector<std::string> cells = Cells(line);
    Row row;
    for (size_t i = 0; i < columns.size() && i < cells.size(); ++i) row[columns[i]] = cells[i];
    rows.push_back(row);
  }
  return rows;
}

// Whether a field of the "In" column ("all", "KV2, KV4, KV6", "disguised; KV2, ...")
// is present in a definition with this magic.
bool Present(const std::string& in, const std::string& magic, bool disguised) {
  std::string magics = in;
  if (magics.starts_with("disguised")) {
    if (!disguised) return false;
    magics = Trim(magics.substr(magics.find(';') == std::string::npos ? magics.size()
                                                                      : magics.find(';') + 1));
    if (magics.empty()) return true;
  }
  return magics == "all" || magics.find(magic) != std::string::npos;
}

// Reads the documented fields one after the other; values as text.
class Walker {
 public:
  explicit Walker(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  size_t Position() const { return pos_; }

  std::string Read(const std::string& type, const std::string& width) {
    if (type == "text") {
      size_t end = pos_;
      while (end < bytes_.size() && bytes_[end] != 0) ++end;
      EXPECT_LT(end, bytes_.size()) << "text without its 0x00";
      // "n+1", or the fixed width the writer always gives it.
      if (width != "n+1") {
        EXPECT_EQ(width, std::to_string(end + 1 - pos_));
      }
      std::string text(bytes_.begin() + static_cast<std::ptrdiff_t>(pos_),
                       bytes_.begin() + static_cast<std::ptrdiff_t>(end));
      pos_ = end + 1;
      return text;
    }
    const std::map<std::string, size_t> widths = {
        {"u8", 1}, {"digit", 1}, {"char[3]", 3}, {"i16", 2}, {"i32", 4}, {"u32", 4}, {"i64", 8}};
    const auto known = widths.find(type);
    if (known == widths.end()) {
      ADD_FAILURE() << "unknown type " << type;
      return {};
    }
    const size_t n = known->second;
    EXPECT_EQ(width, std::to_string(n)) << type;
    if (pos_ + n > bytes_.size()) {
      ADD_FAILURE() << "field beyond the end";
      pos_ = bytes_.size();
      return {};
    }
    const auto field = bytes_.subspan(pos_, n);
    pos_ += n;
    if (type == "digit" || type == "char[3]") return std::string(field.begin(), field.end());
    std::uint64_t v = 0;
    for (size_t i = 0; i < n; ++i) v |= std::uint64_t{field[i]} << (8 * i);
    if (type[0] == 'i' && n < 8 && (v >> (8 * n - 1)) != 0) v |= ~std::uint64_t{0} << (8 * n);
    return type[0] == 'i' ? std::to_string(static_cast<std::int64_t>(v)) : std::to_string(v);
  }

 private:
  std::span<const std::uint8_t> bytes_;
  size_t pos_ = 0;
};

Row Expected(const DefinitionHeader& h) {
  return {{"Magic", WrittenMagic(h)},
          {"CipherKind", std::to_string(h.CipherKind)},
          {"HomeAddress", kHomeAddress},
          {"Disguised", h.Disguised ? "1" : "0"},
          {"Protected", h.Protected ? "1" : "0"},
          {"Reserved", std::to_string(h.Reserved)},
          {"Separator", "0"},
          {"SourceName", ToBig5OrThrow(h.SourceName, {})},
          {"SourceSize", std::to_string(h.SourceSize)},
          {"PartCount", std::to_string(h.PartCount)},
          {"Comment", ToBig5OrThrow(h.Comment, {})},
          {"PluginChecksum", std::to_string(h.PluginChecksum)}};
}

Row Expected(const PartRecord& p) {
  return {{"FileName", ToBig5OrThrow(p.FileName, {})},
          {"Size", std::to_string(p.Size)},
          {"Crc", std::to_string(p.Crc)},
          {"PartCrc", std::to_string(p.PartCrc)},
          {"PendantNo", std::to_string(p.PendantNo & 0xFF)},
          {"PendantSize", std::to_string(p.PendantSize)}};
}

TEST(FormatDocument, TablesMatchTheWriter) {
  std::ifstream file(std::string(KIVORA_SOURCE_DIR) + "/docs/format.md");
  ASSERT_TRUE(file) << "docs/format.md";
  const std::string doc{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  const std::vector<Row> header =
      Table(doc, "| # | Offset | Width | Type | Field | In | Content |");
  const std::vector<Row> record = Table(doc, "| # | Width | Type | Field | In | Content |");
  ASSERT_GE(header.size(), 12u);
  ASSERT_GE(record.size(), 6u);

  // Magic, disguised, protected, source size.
  struct Case {
    const char* magic;
    bool disguised;
    bool isProtected;
    std::int64_t size;
  };
  const Case cases[] = {{"KV1", true, false, 1500},       {"KV2", true, false, 1500},
                        {"KV3", false, false, 1500},      {"KV4", true, true, 1500},
                        {"KV5", true, false, 0x93333333}, {"KV6", false, false, 0x93333333}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.magic);
    DefinitionHeader h;
    h.Magic = c.magic;
    const bool level2 = (c.magic[2] - '0') % 2 == 0;
    h.Disguised = c.disguised;
    h.Protected = c.isProtected;
    h.SourceName = "影片.avi";
    h.SourceSize = c.size;
    h.Comment = "註解";
    h.PluginChecksum = level2 ? 0xA1B2C3D4 : 0;
    const std::int32_t first = c.size > 1500 ? 0x7FFFFFFF : 1000;
    std::vector<PartRecord> parts = {
        {"影片00.png", first, 0x11111111, c.disguised ? 0x22222222u : 0, 12, 10512},
        {"影片01.png", static_cast<std::int32_t>(c.size - first), 0x33333333,
         c.disguised ? 0x44444444u : 0, 150, 9000}};
    if (!c.disguised) parts[0].PendantNo = parts[1].PendantNo = 0;
    if (!c.disguised || !level2) parts[0].PendantSize = parts[1].PendantSize = 0;
    h.PartCount = static_cast<std::int16_t>(parts.size());
    const std::vector<std::uint8_t> bytes = EncodeDefinition(h, parts);

    Walker walk(bytes);
    const auto readRows = [&](const std::vector<Row>& rows, const Row& expected) {
      for (const Row& row : rows) {
        if (!Present(row.at("In"), c.magic, c.disguised)) continue;
        const std::string& name = row.at("Field");
        if (row.contains("Offset") && row.at("Offset") != "—") {
          EXPECT_EQ(std::to_string(walk.Position()), row.at("Offset")) << name;
        }
        const std::string value = walk.Read(row.at("Type"), row.at("Width"));
        ASSERT_TRUE(expected.contains(name)) << "a field the test does not know: " << name;
        EXPECT_EQ(value, expected.at(name)) << name;
      }
    };
    readRows(header, Expected(h));
    for (const PartRecord& p : parts) readRows(record, Expected(p));
    EXPECT_EQ(walk.Position(), bytes.size());
  }
}

}  // namespace
}  // namespace kivora
