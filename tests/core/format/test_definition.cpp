#include <gtest/gtest.h>

#include "core/KivoraError.h"
#include "core/format/DefinitionReader.h"
#include "core/format/DefinitionWriter.h"
#include "core/io/Crc32.h"
#include "core/text/Messages.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes B(std::initializer_list<int> values) {
  Bytes out;
  for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}
void Append(Bytes& out, std::string_view s) { out.insert(out.end(), s.begin(), s.end()); }
void Append(Bytes& out, const Bytes& b) { out.insert(out.end(), b.begin(), b.end()); }

std::string ErrorOf(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const KivoraError& e) {
    return e.what();
  }
  return "";
}

DefinitionHeader Header(bool disguised, bool kv4) {
  DefinitionHeader h;
  h.Magic = kv4 ? "KV4" : "KV3";
  h.Disguised = disguised;
  h.Protected = false;
  h.SourceName = "movie.avi";
  h.SourceSize = 0x01020304;
  h.PartCount = 1;
  h.Comment = "";
  h.PluginChecksum = kv4 ? 0xA1B2C3D4 : 0;
  return h;
}

Bytes HeaderPrefix(std::string_view magic, char disguised, bool kv4) {
  Bytes out;
  Append(out, magic);
  out.push_back(1);
  Append(out, kHomeAddress);
  out.push_back(0);
  out.push_back(static_cast<std::uint8_t>(disguised));
  out.push_back('0');
  if (kv4) out.push_back(0);
  out.push_back(0);
  Append(out, "movie.avi");
  Append(out, B({0, 0x04, 0x03, 0x02, 0x01, 1, 0, 0}));  // name end, size, count, empty comment
  return out;
}

TEST(DefinitionLayout, PlainKv3) {
  PartRecord part{"movie00.png", 1000, 0xDEADBEEF, 0, 0, 0};
  const Bytes bytes = EncodeDefinition(Header(false, false), std::vector{part});
  Bytes expected = HeaderPrefix("KV3", '0', false);
  Append(expected, "movie00.png");
  Append(expected, B({0, 0xE8, 0x03, 0, 0, 0xEF, 0xBE, 0xAD, 0xDE}));
  EXPECT_EQ(bytes, expected);
}

TEST(DefinitionLayout, DisguisedKv3AndKv4) {
  PartRecord part{"a.png", 5, 0x11111111, 0x22222222, 12, 10512};
  Bytes kv3 = HeaderPrefix("KV3", '1', false);
  Append(kv3, "a.png");
  Append(kv3, B({0, 5, 0, 0, 0, 0x11, 0x11, 0x11, 0x11, 0x22, 0x22, 0x22, 0x22, 12}));
  EXPECT_EQ(EncodeDefinition(Header(true, false), std::vector{part}), kv3);

  part.PendantNo = 150;
  Bytes kv4 = HeaderPrefix("KV4", '1', true);
  Append(kv4, B({0xD4, 0xC3, 0xB2, 0xA1}));  // plug-in checksum after the comment
  Append(kv4, "a.png");
  Append(kv4, B({0, 5, 0, 0, 0, 0x11, 0x11, 0x11, 0x11, 0x22, 0x22, 0x22, 0x22, 150}));
  Append(kv4, B({0x10, 0x29, 0, 0}));  // pendant size 10512
  EXPECT_EQ(EncodeDefinition(Header(true, true), std::vector{part}), kv4);
}

TEST(DefinitionLayout, Kv4WithoutDisguiseHasNoPendantFields) {
  PartRecord part{"a.png", 5, 7, 0, 0, 0};
  Bytes expected = HeaderPrefix("KV4", '0', true);
  Append(expected, B({0xD4, 0xC3, 0xB2, 0xA1}));
  Append(expected, "a.png");
  Append(expected, B({0, 5, 0, 0, 0, 7, 0, 0, 0}));
  EXPECT_EQ(EncodeDefinition(Header(false, true), std::vector{part}), expected);
}

// The writer keeps the 32-bit layout for every size it can hold and takes the 64-bit
// one (KV5, KV6) only beyond it.
TEST(DefinitionLayout, WideSourceSizeOnlyWhenNeeded) {
  struct Case {
    std::int64_t size;
    bool plugin;
    std::string_view magic;
  };
  const Case cases[] = {{0x79999999, false, "KV3"},  // 1.9 GiB
                        {0x7FFFFFFF, false, "KV3"},
                        {0x7FFFFFFF, true, "KV4"},
                        {0x80000000, false, "KV5"},
                        {0x93333333, true, "KV6"}};
  for (const Case& c : cases) {
    DefinitionHeader h = Header(false, c.plugin);
    h.Magic = SplitMagic(c.plugin, c.size);
    h.SourceSize = c.size;
    h.PartCount = 0;
    const Bytes bytes = EncodeDefinition(h, {});
    Bytes expected;
    Append(expected, c.magic);
    Append(expected, B({1}));
    Append(expected, kHomeAddress);
    Append(expected, B({0, '0', '0'}));
    if (c.plugin) expected.push_back(0);
    Append(expected, B({0}));
    Append(expected, "movie.avi");
    expected.push_back(0);
    const int width = c.magic >= "KV5" ? 8 : 4;
    for (int i = 0; i < width; ++i)
      expected.push_back(static_cast<std::uint8_t>(c.size >> (8 * i)));
    Append(expected, B({0, 0, 0}));  // no parts, empty comment
    if (c.plugin) Append(expected, B({0xD4, 0xC3, 0xB2, 0xA1}));
    EXPECT_EQ(bytes, expected) << c.size;
    EXPECT_EQ(WrittenMagic(h), c.magic);
    // A header still named KV3/KV4 is written in the form its size needs.
    h.Magic = c.plugin ? "KV4" : "KV3";
    EXPECT_EQ(EncodeDefinition(h, {}), expected) << c.size;
  }
}

TEST(DefinitionLayout, TextsAreBig5) {
  DefinitionHeader h = Header(false, false);
  h.SourceName = "影片.avi";
  h.Comment = "註解";
  h.PartCount = 0;
  const Bytes bytes = EncodeDefinition(h, {});
  Bytes big5Name = B({0xBC, 0x76, 0xA4, 0xF9});  // 影片 in code page 950
  Append(big5Name, ".avi");
  EXPECT_NE(std::search(bytes.begin(), bytes.end(), big5Name.begin(), big5Name.end()), bytes.end());
  h.Comment = "emoji 😀";
  EXPECT_THROW(EncodeDefinition(h, {}), KivoraError);
}

class DefinitionReaderTest : public ::testing::Test {
 protected:
  test::FakePendants pendants;
  test::TempDir dir;

  KvrDefinition Decode(const Bytes& b) { return DecodeDefinition(b, pendants); }
  std::string DecodeError(const Bytes& b) {
    return ErrorOf([&] { Decode(b); });
  }
};

TEST_F(DefinitionReaderTest, RoundTripsEveryField) {
  DefinitionHeader h = Header(true, true);
  h.Protected = true;
  h.Comment = "測試 comment";
  h.PartCount = 2;
  std::vector<PartRecord> parts = {{"movie00.png", 500, 1, 2, 101, 3000},
                                   {"movie01.png", 20, 3, 4, 199, 4000}};
  const Bytes bytes = EncodeDefinition(h, parts);
  const auto path = dir / "movie.kvr";
  test::WriteBytes(path, bytes);

  const KvrDefinition def = ReadDefinition(path, pendants);
  EXPECT_EQ(def.header, h);
  EXPECT_EQ(def.parts, parts);
  EXPECT_EQ(def.level, 2);
  EXPECT_FALSE(def.implanted);
  EXPECT_EQ(def.checksum, FileCrc32(path));
  EXPECT_EQ(def.fileSize, static_cast<std::int32_t>(bytes.size()));
}

TEST_F(DefinitionReaderTest, OlderMagicsReadLikeNewer) {
  DefinitionHeader h = Header(false, false);
  h.PartCount = 1;
  std::vector<PartRecord> parts = {{"x.png", 9, 9, 0, 0, 0}};
  Bytes kv3 = EncodeDefinition(h, parts);
  Bytes kv1 = kv3;
  kv1[2] = '1';
  EXPECT_EQ(Decode(kv1).parts, Decode(kv3).parts);
  EXPECT_EQ(Decode(kv1).level, 1);

  h = Header(true, true);
  Bytes kv4 = EncodeDefinition(h, std::vector<PartRecord>{{"x.png", 9, 9, 5, 120, 77}});
  Bytes kv2 = kv4;
  kv2[2] = '2';
  EXPECT_EQ(Decode(kv2).parts, Decode(kv4).parts);
  EXPECT_EQ(Decode(kv2).header.PluginChecksum, h.PluginChecksum);
}

TEST_F(DefinitionReaderTest, FlagsAndMagicChecks) {
  const Bytes good =
      EncodeDefinition(Header(false, false), std::vector<PartRecord>{{"x.png", 1, 1, 0, 0, 0}});
  Bytes b = good;
  b[2] = '7';
  EXPECT_EQ(DecodeError(b), msg::kNotDefinition211);
  b = good;
  b[1] = 'v';
  EXPECT_EQ(DecodeError(b), msg::kNotDefinition211);

  const size_t flags = 3 + 1 + 25 + 1;
  b = good;
  b[flags] = 'x';
  EXPECT_EQ(DecodeError(b), msg::kNotDefinition212);
  b = good;
  b[flags + 1] = 'x';
  EXPECT_EQ(DecodeError(b), msg::kNotDefinition214);
  // Any digit but 0 counts as set (then the record carries pendant fields).
  Bytes seven =
      EncodeDefinition(Header(true, false), std::vector<PartRecord>{{"x.png", 1, 1, 2, 10, 0}});
  seven[flags] = '7';
  const KvrDefinition def = Decode(seven);
  EXPECT_TRUE(def.header.Disguised);
  EXPECT_EQ(def.parts[0].PendantSize, pendants.BuiltinPendantSize(10));
}

// KV5 and KV6 read the 64-bit size, which must be the sum of the parts' sizes.
TEST_F(DefinitionReaderTest, WideSourceSizeMustMatchTheParts) {
  const std::vector<PartRecord> parts = {{"a00.png", 0x7FFFFFFF, 1, 2, 101, 30},
                                         {"a01.png", 0x13333334, 3, 4, 102, 40}};
  for (const bool plugin : {false, true}) {
    DefinitionHeader h = Header(true, plugin);
    h.SourceSize = 0x93333333;
    h.Magic = SplitMagic(plugin, h.SourceSize);
    h.PartCount = 2;
    std::vector<PartRecord> expected = parts;
    if (!plugin) {
      for (auto& p : expected) p.PendantNo = 10, p.PendantSize = *pendants.BuiltinPendantSize(10);
    }
    const KvrDefinition def = Decode(EncodeDefinition(h, expected));
    EXPECT_EQ(def.header, h);
    EXPECT_EQ(def.parts, expected);
    EXPECT_EQ(def.level, plugin ? 2 : 1);
    EXPECT_EQ(test::ChineseRows(SummaryRows(def))[1].second, "2,469,606,195 個位元組");
    // Implanted the same way, behind its 32-bit length.
    test::WriteBytes(dir / "a01.png", Bytes{1, 2, 3});
    ImplantDefinition(dir / "a01.png", EncodeDefinition(h, expected));
    EXPECT_EQ(ReadDefinition(dir / "a01.png", pendants).header, h);

    for (const std::int64_t wrong :
         {std::int64_t{0x93333332}, std::int64_t{-1}, std::int64_t{0x193333333}}) {
      h.SourceSize = wrong;
      h.Magic = plugin ? "KV6" : "KV5";
      EXPECT_EQ(DecodeError(EncodeDefinition(h, expected)), msg::kSizesDisagree216) << wrong;
    }
  }
}

TEST_F(DefinitionReaderTest, PartCountLimits) {
  DefinitionHeader h = Header(false, false);
  h.PartCount = 0;
  const KvrDefinition empty = Decode(EncodeDefinition(h, {}));
  EXPECT_TRUE(empty.parts.empty());
  EXPECT_EQ(test::ChineseRows(SummaryRows(empty))[2].second, "0");

  h.PartCount = -1;
  EXPECT_EQ(DecodeError(EncodeDefinition(h, {})), msg::kOutOfMemory222);
  // A count far beyond the data is a cut-off definition, not a huge allocation.
  h.PartCount = 32767;
  EXPECT_EQ(DecodeError(EncodeDefinition(h, {})), msg::kNotDefinition211);
}

TEST_F(DefinitionReaderTest, EveryCutOffIsRefusedCleanly) {
  DefinitionHeader h = Header(true, true);
  h.Comment = "comment";
  h.PartCount = 2;
  const Bytes full = EncodeDefinition(
      h, std::vector<PartRecord>{{"a00.png", 1, 2, 3, 101, 4}, {"a01.png", 5, 6, 7, 102, 8}});
  for (size_t cut = 0; cut < full.size(); ++cut) {
    const Bytes part(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_FALSE(DecodeError(part).empty()) << "cut at " << cut;
  }
  EXPECT_NO_THROW(Decode(full));
}

TEST_F(DefinitionReaderTest, NamesMustBePlainFileNames) {
  for (const char* bad : {"../evil.png", "sub/part.png", "c:\\x.png", ".", ".."}) {
    DefinitionHeader h = Header(false, false);
    EXPECT_EQ(DecodeError(EncodeDefinition(h, std::vector<PartRecord>{{bad, 1, 1, 0, 0, 0}})),
              msg::kBadNameInDefinition)
        << bad;
    h.SourceName = bad;
    h.PartCount = 0;
    EXPECT_EQ(DecodeError(EncodeDefinition(h, {})), msg::kBadNameInDefinition) << bad;
  }
  DefinitionHeader h = Header(false, false);
  EXPECT_EQ(DecodeError(EncodeDefinition(h, std::vector<PartRecord>{{"", 1, 1, 0, 0, 0}})),
            msg::kBadNameInDefinition);
}

TEST_F(DefinitionReaderTest, LevelOneTakesPendantSizeFromBuiltinSet) {
  const Bytes ok =
      EncodeDefinition(Header(true, false), std::vector<PartRecord>{{"x.png", 1, 1, 1, 12, 0}});
  EXPECT_EQ(Decode(ok).parts[0].PendantSize, *pendants.BuiltinPendantSize(12));
  const Bytes missing =
      EncodeDefinition(Header(true, false), std::vector<PartRecord>{{"x.png", 1, 1, 1, 99, 0}});
  EXPECT_EQ(DecodeError(missing), msg::kNoBuiltinPendant);
}

TEST_F(DefinitionReaderTest, ChecksumCoversTrailingBytes) {
  Bytes b =
      EncodeDefinition(Header(false, false), std::vector<PartRecord>{{"x.png", 1, 1, 0, 0, 0}});
  const auto before = Decode(b).checksum;
  b.push_back(0x42);
  EXPECT_NE(Decode(b).checksum, before);
  EXPECT_EQ(Decode(b).checksum, StreamCrc32(b));
}

TEST_F(DefinitionReaderTest, FileErrors) {
  EXPECT_EQ(ErrorOf([&] { ReadDefinition(dir / "missing.kvr", pendants); }), msg::kCannotOpen202);
  EXPECT_EQ(ErrorOf([&] { ReadDefinition(dir.path(), pendants); }), msg::kCannotOpen202);
  // A picture that is not a part: its last four bytes name a block outside the file.
  test::WriteBytes(dir / "photo.png", B({0x89, 'P', 'N', 'G', 0xFF, 0xFF, 0xFF, 0x7F}));
  EXPECT_EQ(ErrorOf([&] { ReadDefinition(dir / "photo.png", pendants); }), msg::kNotImplanted);
  test::WriteBytes(dir / "tiny", B({'K'}));
  EXPECT_EQ(ErrorOf([&] { ReadDefinition(dir / "tiny", pendants); }), msg::kNotImplanted);
  // ... and a block that fits unscrambles to something that is not a definition.
  test::WriteBytes(dir / "photo2.png", B({1, 2, 3, 4, 5, 6, 3, 0, 0, 0}));
  EXPECT_EQ(ErrorOf([&] { ReadDefinition(dir / "photo2.png", pendants); }), msg::kNotDefinition211);
  // A zero length field is not an implanted definition.
  test::WriteBytes(dir / "zero.png", B({1, 2, 3, 0, 0, 0, 0}));
  EXPECT_EQ(ErrorOf([&] { ReadDefinition(dir / "zero.png", pendants); }), msg::kNotImplanted);
}

TEST_F(DefinitionReaderTest, ImplantedDefinitionFollowsThePartName) {
  DefinitionHeader h = Header(false, false);
  const Bytes def = EncodeDefinition(h, std::vector<PartRecord>{{"Movie00.PNG", 3, 1, 0, 0, 0}});
  const Bytes payload = {9, 9, 9};
  const auto part = dir / "Movie00.PNG";
  test::WriteBytes(part, payload);
  ImplantDefinition(part, def);

  const Bytes onDisk = test::ReadBytes(part);
  ASSERT_EQ(onDisk.size(), payload.size() + def.size() + 4);
  EXPECT_TRUE(std::equal(payload.begin(), payload.end(), onDisk.begin()));

  const KvrDefinition read = ReadDefinition(part, pendants);
  EXPECT_TRUE(read.implanted);
  EXPECT_EQ(read.fileSize, 0);
  EXPECT_EQ(read.checksum, StreamCrc32(def));
  EXPECT_EQ(read.header, h);

  // Another letter case still reads: the key is the lower-cased name.
  std::filesystem::rename(part, dir / "movie00.png");
  EXPECT_TRUE(ReadDefinition(dir / "movie00.png", pendants).implanted);
  // Other letters do not.
  std::filesystem::rename(dir / "movie00.png", dir / "zzzzzz.png");
  EXPECT_EQ(ErrorOf([&] { ReadDefinition(dir / "zzzzzz.png", pendants); }), msg::kNotDefinition211);
}

TEST(DefinitionSummary, SixRows) {
  KvrDefinition def;
  def.header.SourceName = "a.avi";
  def.header.SourceSize = 1234567;
  def.header.PartCount = 3;
  def.header.Disguised = true;
  def.header.Protected = true;
  def.header.Comment = "hi";
  def.level = 2;
  auto rows = test::ChineseRows(SummaryRows(def));
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows[0], (std::pair<std::string, std::string>{"檔案名稱", "a.avi"}));
  EXPECT_EQ(rows[1].second, "1,234,567 個位元組");
  EXPECT_EQ(rows[2].second, "3");
  EXPECT_EQ(rows[3].second, "有 (使用了圖像掛件)");
  EXPECT_EQ(rows[4].second, "需要 (相容的擾亂方式，不具保密性)");
  EXPECT_EQ(rows[5], (std::pair<std::string, std::string>{"註解", "hi"}));
  def.level = 1;
  EXPECT_EQ(test::ChineseRows(SummaryRows(def))[3].second, "有");
  def.header.Disguised = false;
  def.header.Protected = false;
  def.header.Comment = "";
  rows = test::ChineseRows(SummaryRows(def));
  EXPECT_EQ(rows[3].second, "無");
  EXPECT_EQ(rows[4].second, "不需要");
  EXPECT_EQ(rows[5].second, "");
  // The protection is named plainly: encryption, and whether its definition is proved.
  def.header.CipherKind = kSealedCipher;
  def.header.Protected = true;
  for (const auto& [version, text] :
       {std::pair{2, "需要 (加密)"}, std::pair{1, "需要 (加密，但合併定義檔未經驗證)"}}) {
    def.header.Encryption = EncryptionParams{.version = static_cast<std::uint8_t>(version)};
    EXPECT_EQ(test::ChineseRows(SummaryRows(def))[4].second, text);
  }
  EXPECT_EQ(GroupThousands(999), "999");
  EXPECT_EQ(GroupThousands(1000), "1,000");
  EXPECT_EQ(GroupThousands(-1234), "-1,234");
}

}  // namespace
}  // namespace kivora
