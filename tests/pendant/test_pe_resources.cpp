#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>

#include "core/format/CodePage.h"
#include "pendant/PeResources.h"
#include "tests/support/PeTestFiles.h"

namespace kivora::pendant {
namespace {

using test::AsBytes;
using test::Bytes;
using test::PeImageBuilder;
using test::ToBytes;

PeImageBuilder SampleBuilder() {
  PeImageBuilder b;
  b.AddKvr(150, test::PatternBytes(300, 3))
      .AddKvr(101, test::PatternBytes(1000, 1))
      .AddKvr(105, ToBytes("gamma"))
      .Add(u"PNG", 102, ToBytes("other named type"))
      .Add(std::uint16_t{10}, 103, ToBytes("raw data type"))
      .AddString(511, u"掛件名稱")
      .AddString(512, u"1.0")
      .AddString(15, u"last of block 1")
      .AddString(16, u"first of block 2");
  return b;
}

TEST(PeResources, ReadsKvrPicturesAndStrings) {
  for (bool plus : {false, true}) {
    SCOPED_TRACE(plus ? "PE32+" : "PE32");
    auto builder = SampleBuilder();
    if (plus) builder.Pe32Plus();
    const auto image = builder.Build();
    const auto parsed = PeResources::Parse(image.bytes);
    ASSERT_TRUE(parsed) << parsed.Error();

    EXPECT_EQ(parsed->KvrIds(), (std::vector<int>{101, 105, 150}));
    EXPECT_EQ(AsBytes(parsed->Kvr(101)), test::PatternBytes(1000, 1));
    EXPECT_EQ(AsBytes(parsed->Kvr(105)), ToBytes("gamma"));
    EXPECT_EQ(AsBytes(parsed->Kvr(150)), test::PatternBytes(300, 3));
    EXPECT_FALSE(parsed->Kvr(102));  // only under another type
    EXPECT_FALSE(parsed->Kvr(103));

    EXPECT_EQ(parsed->String(511), u"掛件名稱");
    EXPECT_EQ(parsed->String(512), u"1.0");
    EXPECT_EQ(parsed->String(15), u"last of block 1");
    EXPECT_EQ(parsed->String(16), u"first of block 2");
    EXPECT_EQ(parsed->String(513), u"");  // block present, entry empty
    EXPECT_EQ(parsed->String(514), u"");
    EXPECT_FALSE(parsed->String(600));  // no such block
    EXPECT_FALSE(parsed->String(-1));
    EXPECT_FALSE(parsed->String(70000));
  }
}

TEST(PeResources, TypeNameIsCaseInsensitiveAndFirstLanguageWins) {
  const auto image = PeImageBuilder()
                         .Add(u"kVr", 120, ToBytes("first language"), 0x0404)
                         .Add(u"kVr", 120, ToBytes("second language"), 0x0409)
                         .Build();
  const auto parsed = PeResources::Parse(image.bytes);
  ASSERT_TRUE(parsed) << parsed.Error();
  EXPECT_EQ(parsed->KvrIds(), std::vector<int>{120});
  EXPECT_EQ(AsBytes(parsed->Kvr(120)), ToBytes("first language"));
}

TEST(PeResources, ImageWithoutResourcesIsEmpty) {
  const auto parsed = PeResources::Parse(PeImageBuilder().Build().bytes);
  ASSERT_TRUE(parsed) << parsed.Error();
  EXPECT_TRUE(parsed->KvrIds().empty());
  EXPECT_FALSE(parsed->String(511));
}

TEST(PeResources, EveryTruncationBeforeTheLastByteFails) {
  const auto image = PeImageBuilder()
                         .AddKvr(101, ToBytes("a"))
                         .AddKvr(102, ToBytes("bb"))
                         .AddString(511, u"x")
                         .Build();
  for (std::size_t cut = 0; cut < image.bytes.size(); ++cut) {
    const std::span<const std::uint8_t> prefix(image.bytes.data(), cut);
    const auto parsed = PeResources::Parse(prefix);
    if (cut < image.contentEnd) {
      ASSERT_FALSE(parsed) << "cut at " << cut;
      EXPECT_FALSE(parsed.Error().empty());
    } else {  // only section padding is missing
      ASSERT_TRUE(parsed) << "cut at " << cut << ": " << parsed.Error();
      EXPECT_EQ(AsBytes(parsed->Kvr(102)), ToBytes("bb"));
    }
  }
}

TEST(PeResources, CorruptHeadersAndTreesAreRefusedWithAReason) {
  const auto image = PeImageBuilder().AddKvr(101, ToBytes("pic")).AddString(511, u"name").Build();
  const std::size_t root = image.resourceRoot;
  const std::size_t kvrTypeEntry = root + 16;  // the only named type comes first
  const std::size_t kvrNameDir = root + (test::GetU32(image.bytes, kvrTypeEntry + 4) & 0x7FFFFFFF);
  const std::size_t kvrLangDir = root + (test::GetU32(image.bytes, kvrNameDir + 20) & 0x7FFFFFFF);
  const std::size_t kvrData = image.dataEntries[0];
  const std::size_t stringData = image.dataEntries[1];
  struct Case {
    const char* what;
    std::function<void(Bytes&)> corrupt;
    const char* reason;
  };
  const Case cases[] = {
      {"no MZ", [](Bytes& b) { b[0] = 'X'; }, "MZ"},
      {"PE offset beyond the file",
       [](Bytes& b) { StoreLittleEndian<std::uint32_t>(b, 0x3C, 0xFFFFFFF0); }, "PE signature"},
      {"no PE signature", [](Bytes& b) { b[0x41] = 'X'; }, "PE signature"},
      {"unknown optional header",
       [](Bytes& b) { StoreLittleEndian<std::uint16_t>(b, 0x58, 0x107); }, "magic"},
      {"optional header too long",
       [](Bytes& b) { StoreLittleEndian<std::uint16_t>(b, 0x54, 0xFFFF); }, "optional header"},
      {"section table beyond the file",
       [](Bytes& b) { StoreLittleEndian<std::uint16_t>(b, 0x46, 0xFFFF); }, "section table"},
      {"section data beyond the file",
       [&](Bytes& b) { StoreLittleEndian<std::uint32_t>(b, image.sectionHeader + 20, 0x7FFFFF00); },
       "no section"},
      {"resource RVA outside every section",
       [](Bytes& b) { StoreLittleEndian<std::uint32_t>(b, 0x58 + 96 + 16, 0x00F00000); },
       "no section"},
      {"loop back to the root",
       [&](Bytes& b) { StoreLittleEndian<std::uint32_t>(b, kvrTypeEntry + 4, 0x80000000); },
       "loop"},
      {"directory entry count beyond the data",
       [&](Bytes& b) { StoreLittleEndian<std::uint16_t>(b, kvrNameDir + 14, 0xFFFF); },
       "resource name directory"},
      {"type name beyond the data",
       [&](Bytes& b) { StoreLittleEndian<std::uint32_t>(b, kvrTypeEntry, 0xFFFFFFF0); },
       "type name"},
      {"language level is a directory",
       [&](Bytes& b) {
         StoreLittleEndian<std::uint32_t>(
             b, kvrLangDir + 20, 0x80000000 | static_cast<std::uint32_t>(kvrNameDir - root));
       },
       "deeper"},
      {"name level is data",
       [&](Bytes& b) { StoreLittleEndian<std::uint32_t>(b, kvrNameDir + 20, 0x10); },
       "language directory"},
      {"data size beyond the file",
       [&](Bytes& b) { StoreLittleEndian<std::uint32_t>(b, kvrData + 4, 0xFFFFFFFF); }, "outside"},
      {"data RVA wraps around",
       [&](Bytes& b) { StoreLittleEndian<std::uint32_t>(b, kvrData, 0xFFFFFFFE); }, "outside"},
      {"string block too short",
       [&](Bytes& b) { StoreLittleEndian<std::uint32_t>(b, stringData + 4, 35); }, "truncated"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes bytes = image.bytes;
    c.corrupt(bytes);
    const auto parsed = PeResources::Parse(bytes);
    ASSERT_FALSE(parsed);
    EXPECT_NE(parsed.Error().find(c.reason), std::string::npos) << parsed.Error();
  }
}

TEST(PeResources, RandomDamageNeverReadsOutsideTheImage) {
  const auto image = SampleBuilder().Build();
  std::uint32_t state = 12345;
  const auto next = [&state] { return state = state * 1664525u + 1013904223u; };
  int accepted = 0;
  for (int round = 0; round < 3000; ++round) {
    Bytes bytes = image.bytes;
    // Damage the headers or the directory part of the resource section.
    for (int k = 0; k < 1 + round % 4; ++k) {
      const std::size_t at = next() % (image.resourceRoot + 0x200);
      bytes[at] = static_cast<std::uint8_t>(next() >> 24);
    }
    const auto parsed = PeResources::Parse(bytes);
    if (!parsed) continue;
    ++accepted;
    const auto* begin = bytes.data();
    for (int id : parsed->KvrIds()) {
      const auto data = parsed->Kvr(id);
      ASSERT_TRUE(data);
      EXPECT_GE(data->data(), begin);
      EXPECT_LE(data->data() + data->size(), begin + bytes.size());
    }
    for (int id : {15, 16, 511, 512}) parsed->String(id);  // must stay in bounds
  }
  EXPECT_GT(accepted, 0);  // damage to unused header fields is harmless
}

// A DLL made by the mingw resource compiler and linker from a Big5 script, as a user's
// plug-in builder produces them.
TEST(PeResourcesFromResourceCompiler, ReadsPicturesAndBig5Strings) {
  const auto windres = test::FindProgram("i686-w64-mingw32-windres");
  const auto ld = test::FindProgram("i686-w64-mingw32-ld");
  if (!windres || !ld) GTEST_SKIP() << "i686-w64-mingw32-windres/ld not installed: test skipped";

  const test::TempDir folder;
  const auto& dir = folder.path();
  const std::vector<std::pair<int, Bytes>> pictures = {{101, test::PatternBytes(5000, 7)},
                                                       {102, ToBytes("\x89PNG\r\n\x1a\n")},
                                                       {199, test::PatternBytes(3, 9)}};
  std::string script =
      "#pragma code_page(950)\r\nSTRINGTABLE\r\n{\r\n511, \t\"繁體掛件\"\r\n}\r\n\r\n"
      "STRINGTABLE\r\n{\r\n512, \t\"1.0 版\"\r\n513, \t\"jpg\"\r\n"
      "514, \t\"作者\"\r\n515, \t\"說明 comment\"\r\n}\r\n\r\n\r\n";
  for (const auto& [id, bytes] : pictures) {
    const auto file = dir / ("p" + std::to_string(id) + ".png");
    test::WriteBytes(file, bytes);
    script += std::to_string(id) + " KVR \"" + file.string() + "\"\r\n";
  }
  test::WriteBytes(dir / "template.rc", ToBytes(ToBig5OrThrow(script, {})));
  const std::string compile = "'" + windres->string() + "' -i '" + (dir / "template.rc").string() +
                              "' -o '" + (dir / "template.o").string() + "'";
  const std::string link = "'" + ld->string() + "' --dll -e 0 -o '" +
                           (dir / "template.dll").string() + "' '" + (dir / "template.o").string() +
                           "'";
  ASSERT_EQ(std::system(compile.c_str()), 0) << compile;
  ASSERT_EQ(std::system(link.c_str()), 0) << link;

  std::ifstream in(dir / "template.dll", std::ios::binary);
  const Bytes dll((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto parsed = PeResources::Parse(dll);
  ASSERT_TRUE(parsed) << parsed.Error();
  EXPECT_EQ(parsed->KvrIds(), (std::vector<int>{101, 102, 199}));
  for (const auto& [id, bytes] : pictures) EXPECT_EQ(AsBytes(parsed->Kvr(id)), bytes) << id;
  EXPECT_EQ(parsed->String(511), u"繁體掛件");
  EXPECT_EQ(parsed->String(512), u"1.0 版");
  EXPECT_EQ(parsed->String(513), u"jpg");
  EXPECT_EQ(parsed->String(514), u"作者");
  EXPECT_EQ(parsed->String(515), u"說明 comment");
}

}  // namespace
}  // namespace kivora::pendant
