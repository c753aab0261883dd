#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "core/KivoraError.h"
#include "filelist/DistributedList.h"
#include "filelist/FileListTable.h"
#include "filelist/ListFile.h"
#include "tests/support/TestSupport.h"

namespace kivora::filelist {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// Row i is named "p<i>.png", so a line tells which row it came from.
std::vector<FileListRow> RowsUnder(const std::vector<std::string>& addresses) {
  std::vector<FileListRow> rows;
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    rows.push_back({addresses[i], "p" + std::to_string(i) + ".png", ""});
  }
  return rows;
}

// The list file the given rows make in the given order: ASCII lines, CR LF each.
std::string ExpectedFile(const std::vector<FileListRow>& rows, const std::vector<int>& order) {
  std::string text;
  for (int i : order) text += RowLine(rows.at(static_cast<std::size_t>(i))) + "\r\n";
  return text;
}

std::string ReadText(const fs::path& path) {
  const auto bytes = test::ReadBytes(path);
  return {bytes.begin(), bytes.end()};
}

void WriteText(const fs::path& path, const std::string& text) {
  test::WriteBytes(path,
                   std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::size_t EntriesIn(const fs::path& folder) {
  return static_cast<std::size_t>(
      std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// --- Row text -------------------------------------------------------------------

TEST(FileListRowLine, JoinsAddressNameAndExtraWithNothingBetween) {
  EXPECT_EQ(RowLine({"a/b/", "p00.png", "?x=1"}), "a/b/p00.png?x=1");
  EXPECT_EQ(RowLine({"http://h/d/", "p01.png", ""}), "http://h/d/p01.png");
  EXPECT_EQ(RowLine({"", "", ""}), "");
}

// --- Part size table ------------------------------------------------------------

TEST(FileListPartSizes, TableTakesNamesAndPayloadPlusPendant) {
  std::vector<PartRecord> parts(3);
  parts[0].FileName = "m00.png", parts[0].Size = 1000, parts[0].PendantSize = 24;
  parts[1].FileName = "m01.png", parts[1].Size = 500, parts[1].PendantSize = 0;
  parts[2].FileName = "m02.png", parts[2].Size = std::numeric_limits<std::int32_t>::max(),
  parts[2].PendantSize = 10;
  const PartSizeTable table = BuildPartSizeTable(parts);
  ASSERT_EQ(table.size(), 3u);
  EXPECT_EQ(table[0], (PartSize{"m00.png", 1024}));
  EXPECT_EQ(table[1], (PartSize{"m01.png", 500}));
  // A record whose sum leaves the signed 32-bit range keeps its full size.
  EXPECT_EQ(table[2].size, std::int64_t{std::numeric_limits<std::int32_t>::max()} + 10);
  EXPECT_TRUE(BuildPartSizeTable({}).empty());
}

class FileListLookup : public ::testing::Test {
 protected:
  PartSizeTable table{{"m00.png", 100}, {"m01.png", 200}, {"m02.png", 300}};
  // The layout after a split with a definition file of its own: definition first.
  std::vector<FileListRow> withDefinition{
      {"a/", "m.kvr", ""}, {"a/", "m00.png", ""}, {"a/", "m01.png", ""}, {"a/", "m02.png", ""}};
};

TEST_F(FileListLookup, DefinitionRowCountsNothingAndRowOneIsEntryZero) {
  EXPECT_EQ(FindPartSizeIndex(table, "m.kvr", 0, false), -1);
  // Even a definition row named like a part has no entry.
  EXPECT_EQ(FindPartSizeIndex(table, "m00.png", 0, false), -1);
  EXPECT_EQ(FindPartSizeIndex(table, "m00.png", 1, false), 0);
  EXPECT_EQ(FindPartSizeIndex(table, "m02.png", 3, false), 2);
  EXPECT_EQ(RowPartSize(table, withDefinition, 0, false), 0);
  EXPECT_EQ(RowPartSize(table, withDefinition, 1, false), 100);
  EXPECT_EQ(RowPartSize(table, withDefinition, 3, false), 300);
}

TEST_F(FileListLookup, WithoutDefinitionRowRowZeroIsEntryZero) {
  const std::vector<FileListRow> parts(withDefinition.begin() + 1, withDefinition.end());
  EXPECT_EQ(FindPartSizeIndex(table, "m00.png", 0, true), 0);
  EXPECT_EQ(RowPartSize(table, parts, 0, true), 100);
  EXPECT_EQ(RowPartSize(table, parts, 2, true), 300);
}

TEST_F(FileListLookup, HandAddedRowsAndEmptyTableCountNothing) {
  auto rows = withDefinition;
  rows.insert(rows.begin() + 2, {"b/", "readme.txt", ""});
  EXPECT_EQ(RowPartSize(table, rows, 2, false), 0);
  // The rows after the inserted one still find their parts, one place early.
  EXPECT_EQ(RowPartSize(table, rows, 3, false), 200);
  EXPECT_EQ(RowPartSize(table, rows, 4, false), 300);
  EXPECT_EQ(RowPartSize({}, rows, 1, false), 0);
  EXPECT_EQ(RowPartSize(table, rows, -1, true), 0);
  EXPECT_EQ(RowPartSize(table, rows, static_cast<int>(rows.size()), true), 0);
}

TEST_F(FileListLookup, NamesMatchIgnoringLetterCase) {
  EXPECT_EQ(FindPartSizeIndex(table, "M01.PNG", 2, false), 1);
  EXPECT_EQ(FindPartSizeIndex(table, "m01.pn", 2, false), -1);
  EXPECT_EQ(FindPartSizeIndex(table, "m01.pngx", 2, false), -1);
  // Big5 letters: full-width Ａ and ａ are one name. 乙 is A4 41, whose trail byte
  // looks like "A": folded byte by byte it would become A4 61, 兀.
  const PartSizeTable wide{{"Ａ00.png", 7}, {"兀01.png", 8}};
  EXPECT_EQ(FindPartSizeIndex(wide, "ａ00.PNG", 0, true), 0);
  EXPECT_EQ(FindPartSizeIndex(wide, "乙01.png", 1, true), -1);
  EXPECT_EQ(FindPartSizeIndex(wide, "兀01.PNG", 0, true), 1);
  // Names without a Big5 form fold their ASCII letters only.
  const PartSizeTable korean{{"한A.png", 5}};
  EXPECT_EQ(FindPartSizeIndex(korean, "한a.PNG", 0, true), 0);
  EXPECT_EQ(FindPartSizeIndex(korean, "한b.png", 0, true), -1);
}

TEST_F(FileListLookup, SearchStartsAtTheRowsOwnEntryThenLooksInFront) {
  // A list in reverse order: each row finds its part before its own place.
  EXPECT_EQ(FindPartSizeIndex(table, "m00.png", 3, false), 0);
  EXPECT_EQ(FindPartSizeIndex(table, "m00.png", 2, true), 0);
  // With a name listed twice, the entry at or after the row's own place wins...
  const PartSizeTable twice{{"x.png", 1}, {"y.png", 2}, {"x.png", 3}};
  EXPECT_EQ(FindPartSizeIndex(twice, "x.png", 2, true), 2);
  EXPECT_EQ(FindPartSizeIndex(twice, "X.PNG", 3, false), 2);
  // ...and from an earlier row the first one after it.
  EXPECT_EQ(FindPartSizeIndex(twice, "x.png", 0, true), 0);
  EXPECT_EQ(FindPartSizeIndex(twice, "x.png", 1, true), 2);
  // A row far beyond the table still looks from the start.
  EXPECT_EQ(FindPartSizeIndex(twice, "y.png", 40, true), 1);
}

// --- Distributed table ----------------------------------------------------------

TEST(FileListDistributedTable, FillsColumnByColumnInBlocksOfEqualHeight) {
  TextGrid table;
  ASSERT_EQ(BuildDistributedTable(RowsUnder({"A/", "A/", "A/", "B/", "B/"}), table), 2);
  EXPECT_EQ(table,
            (TextGrid{{"A/p0.png", "B/p3.png"}, {"A/p1.png", "B/p4.png"}, {"A/p2.png", ""}}));
  // The addresses decide only the number of blocks: 5 rows under 4 addresses, not
  // grouped, make columns of 2 and an empty fourth column.
  ASSERT_EQ(BuildDistributedTable(RowsUnder({"w/", "x/", "y/", "z/", "w/"}), table), 4);
  EXPECT_EQ(table,
            (TextGrid{{"w/p0.png", "y/p2.png", "w/p4.png", ""}, {"x/p1.png", "z/p3.png", "", ""}}));
}

TEST(FileListDistributedTable, OneAddressIgnoringCaseLeavesTheTableAlone) {
  TextGrid table{{"kept"}};
  EXPECT_EQ(BuildDistributedTable(RowsUnder({"A/", "a/", "A/"}), table), 1);
  EXPECT_EQ(BuildDistributedTable(RowsUnder({"http://Ｈ/", "http://ｈ/"}), table), 1);
  EXPECT_EQ(BuildDistributedTable({}, table), 1);
  EXPECT_EQ(table, (TextGrid{{"kept"}}));
  // Letter case only: "a/" and "b/" stay two.
  EXPECT_EQ(BuildDistributedTable(RowsUnder({"a/", "B/"}), table), 2);
}

// --- Distributed list files -----------------------------------------------------

struct DistributedCase {
  const char* name;
  std::vector<std::string> addresses;
  std::vector<int> ascending;
  std::vector<int> descending;
};

class FileListDistributedSave : public ::testing::TestWithParam<DistributedCase> {};

TEST_P(FileListDistributedSave, WritesLinesAcrossTheBlocks) {
  const DistributedCase& c = GetParam();
  const auto rows = RowsUnder(c.addresses);
  TempDir dir;
  SaveDistributedList(rows, dir / "up.txt", true);
  SaveDistributedList(rows, dir / "down.txt", false);
  EXPECT_EQ(ReadText(dir / "up.txt"), ExpectedFile(rows, c.ascending));
  EXPECT_EQ(ReadText(dir / "down.txt"), ExpectedFile(rows, c.descending));
}

INSTANTIATE_TEST_SUITE_P(
    Examples, FileListDistributedSave,
    ::testing::Values(DistributedCase{"FiveRowsTwoAddresses",
                                      {"A/", "A/", "A/", "B/", "B/"},
                                      {0, 3, 1, 4, 2},
                                      {2, 4, 1, 3, 0}},
                      DistributedCase{"SixRowsTwoAddresses",
                                      {"A/", "A/", "A/", "B/", "B/", "B/"},
                                      {0, 3, 1, 4, 2, 5},
                                      {5, 2, 4, 1, 3, 0}},
                      DistributedCase{"FiveRowsFourAddresses",
                                      {"w/", "x/", "y/", "z/", "w/"},
                                      {0, 2, 4, 1, 3},
                                      {3, 1, 4, 2, 0}},
                      // One address (letter case aside): the plain list, the descending one too.
                      DistributedCase{"OneAddress", {"A/", "A/", "A/"}, {0, 1, 2}, {0, 1, 2}},
                      DistributedCase{"OneAddressInTwoCases",
                                      {"A/", "a/", "A/", "a/"},
                                      {0, 1, 2, 3},
                                      {0, 1, 2, 3}},
                      DistributedCase{"OneRow", {"A/"}, {0}, {0}}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

// --- List file bytes and failures -------------------------------------------------

TEST(FileListSave, ListIsInTheUsersEncodingWithCrLfAfterEveryLine) {
  TempDir dir;
  const std::vector<FileListRow> rows{{"http://h/乙/", "Ａ00.png", "?x=1"},
                                      {"http://h/乙/", "Ａ01.png", ""}};
  SavePlainList(rows, dir / "list.txt", "windows-950-2000");
  // 乙 = A4 41, Ａ = A2 CF; no byte-order mark, the last line ended too.
  EXPECT_EQ(ReadText(dir / "list.txt"),
            "http://h/\xA4\x41/\xA2\xCF"
            "00.png?x=1\r\n"
            "http://h/\xA4\x41/\xA2\xCF"
            "01.png\r\n");
  SaveDistributedList(rows, dir / "dist.txt", false, "windows-950-2000");
  EXPECT_EQ(ReadText(dir / "dist.txt"), ReadText(dir / "list.txt"));
  // By default the locale's encoding: UTF-8 here, as the C locale names none.
  SavePlainList(rows, dir / "utf8.txt");
  EXPECT_EQ(ReadText(dir / "utf8.txt"), "http://h/乙/Ａ00.png?x=1\r\nhttp://h/乙/Ａ01.png\r\n");
}

TEST(FileListSave, ReplacesALongerOlderListCompletely) {
  TempDir dir;
  WriteText(dir / "list.txt", std::string(5000, 'x'));
  const auto rows = RowsUnder({"A/"});
  SavePlainList(rows, dir / "list.txt");
  EXPECT_EQ(ReadText(dir / "list.txt"), "A/p0.png\r\n");
  SavePlainList({}, dir / "list.txt");
  EXPECT_EQ(ReadText(dir / "list.txt"), "");
  EXPECT_EQ(EntriesIn(dir.path()), 1u);  // no temporary file left behind
}

TEST(FileListSave, RowWithoutBig5FormIsRefusedBeforeWriting) {
  TempDir dir;
  const fs::path list = dir / "list.txt";
  WriteText(list, "older\r\n");
  auto rows = RowsUnder({"A/", "A/", "B/", "B/"});
  rows[2].extra = "?q=한국";
  for (int kind = 0; kind < 3; ++kind) {
    try {
      if (kind == 0)
        SavePlainList(rows, list, "windows-950-2000");
      else
        SaveDistributedList(rows, list, kind == 1, "windows-950-2000");
      ADD_FAILURE() << "saved a row that Big5 cannot hold";
    } catch (const KivoraError& e) {
      // The message names the list row (counting from 1) and its text.
      const std::string text = e.what();
      EXPECT_NE(text.find("第 3 列"), std::string::npos) << text;
      EXPECT_NE(text.find("B/p2.png?q=한국"), std::string::npos) << text;
    }
    EXPECT_EQ(ReadText(list), "older\r\n");
  }
  EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(FileListSave, FailedSaveLeavesExistingFilesUntouched) {
  TempDir dir;
  const auto rows = RowsUnder({"A/", "B/"});

  // A folder where the list file should be.
  fs::create_directory(dir / "taken");
  WriteText(dir / "taken" / "inside.txt", "keep");
  EXPECT_THROW(SavePlainList(rows, dir / "taken"), KivoraError);
  EXPECT_THROW(SaveDistributedList(rows, dir / "taken", true), KivoraError);
  EXPECT_TRUE(fs::is_directory(dir / "taken"));
  EXPECT_EQ(ReadText(dir / "taken" / "inside.txt"), "keep");

  // An older list file where a folder of the path should be.
  WriteText(dir / "list.txt", "older\r\n");
  EXPECT_THROW(SavePlainList(rows, dir / "list.txt" / "new.txt"), KivoraError);
  EXPECT_EQ(ReadText(dir / "list.txt"), "older\r\n");
  // A missing folder.
  EXPECT_THROW(SavePlainList(rows, dir / "missing" / "new.txt"), KivoraError);
  EXPECT_EQ(EntriesIn(dir.path()), 2u);  // "taken" and "list.txt", no leftovers
}

TEST(FileListSave, FailedSaveInReadOnlyFolderKeepsTheOlderList) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  TempDir dir;
  const fs::path folder = dir / "ro";
  fs::create_directory(folder);
  WriteText(folder / "list.txt", "older\r\n");
  fs::permissions(folder, fs::perms::owner_write, fs::perm_options::remove);
  EXPECT_THROW(SaveDistributedList(RowsUnder({"A/", "B/"}), folder / "list.txt", true),
               KivoraError);
  fs::permissions(folder, fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(ReadText(folder / "list.txt"), "older\r\n");
  EXPECT_EQ(EntriesIn(folder), 1u);
}

}  // namespace
}  // namespace kivora::filelist
