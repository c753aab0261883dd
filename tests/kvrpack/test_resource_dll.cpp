// The DLL writer, read back with Kivora's own PE resource reader.
#include <gtest/gtest.h>

#include <stdexcept>

#include "kvrpack/ResourceDll.h"
#include "kvrpack/StringTable.h"
#include "pendant/PeResources.h"
#include "pendant/PluginInfo.h"
#include "tests/kvrpack/KvrpackTestSupport.h"

namespace kvrpack {
namespace {

using kivora::pendant::PeResources;

Bytes WriteDll(const std::vector<std::pair<std::uint16_t, Bytes>>& pictures,
               const std::vector<StringEntry>& strings) {
  const std::vector<StringBlock> blocks = StringTableBlocks(strings);
  std::vector<ResourceType> types(2);
  types[0].type = std::u16string(u"KVR");
  for (const auto& [id, bytes] : pictures) types[0].resources.push_back({id, bytes});
  types[1].type = std::uint16_t{6};
  for (const auto& b : blocks) types[1].resources.push_back({b.blockId, b.bytes});
  return WriteResourceDll(types);
}

TEST(ResourceDll, KivoraReadsBackEveryPictureAndString) {
  // Given out of order, with a picture larger than several alignment units.
  const std::vector<std::pair<std::uint16_t, Bytes>> pictures = {
      {199, test::PictureBytes(5000, 1)},
      {101, test::PictureBytes(9, 2)},
      {150, test::PictureBytes(70000, 3)}};
  const std::vector<StringEntry> strings = {{511, u"測試掛件"},
                                            {512, u"1.0 \"beta\""},
                                            {513, u"png"},
                                            {514, u""},
                                            {515, u"line 1\r\nline 2\ttab \\ end"}};
  const Bytes dll = WriteDll(pictures, strings);
  const auto parsed = PeResources::Parse(dll);
  ASSERT_TRUE(parsed) << parsed.Error();
  EXPECT_EQ(parsed->KvrIds(), (std::vector<int>{101, 150, 199}));
  for (const auto& [id, bytes] : pictures) {
    const auto read = parsed->Kvr(id);
    ASSERT_TRUE(read) << id;
    EXPECT_EQ(Bytes(read->begin(), read->end()), bytes) << id;
  }
  for (const StringEntry& s : strings) EXPECT_EQ(parsed->String(s.id), s.text) << s.id;
  // 511 is the last entry of its block and 512..515 open the next one.
  EXPECT_EQ(parsed->String(496), u"");
  EXPECT_EQ(parsed->String(516), u"");
  EXPECT_FALSE(parsed->String(495));
  EXPECT_FALSE(parsed->String(528));

  const auto info = kivora::pendant::DescribePlugin(*parsed, "sample.dll");
  EXPECT_EQ(info.name, "測試掛件");
  EXPECT_EQ(info.extension, "png");
  EXPECT_EQ(info.pictureIds, (std::vector<int>{101, 150, 199}));
}

TEST(ResourceDll, RefusesRepeatedIdsAndOverlongStrings) {
  EXPECT_THROW(WriteDll({{101, {1}}, {101, {2}}}, {}), std::invalid_argument);
  std::vector<StringEntry> text = {{511, std::u16string(65536, u'x')}};
  EXPECT_THROW(StringTableBlocks(text), std::length_error);
  text[0].text.pop_back();
  EXPECT_EQ(StringTableBlocks(text).at(0).bytes.size(), 2u * 16 + 2u * 65535);
}

}  // namespace
}  // namespace kvrpack
