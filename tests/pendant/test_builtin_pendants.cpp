#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "core/io/Crc32.h"
#include "pendant/BuiltinPendants.h"

#ifdef KIVORA_HAVE_LIBPNG
#include <png.h>
#endif

namespace kivora::pendant {
namespace {

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

// Byte size of every built-in pendant. Sets written with a built-in pendant rely
// on these exact sizes, so they are stated here independently of the assets.
const std::map<int, std::size_t>& ExpectedSizes() {
  static const std::map<int, std::size_t> sizes = {
      {10, 10525}, {11, 10536}, {12, 10512}, {13, 10307}, {14, 10031}, {20, 10859}, {21, 9820},
      {22, 10566}, {23, 10598}, {24, 9976},  {30, 9715},  {31, 10126}, {32, 9883},  {33, 9918},
      {34, 10065}, {40, 10314}, {41, 10584}, {42, 9729},  {43, 9399},  {44, 10559}, {50, 10150},
      {51, 10675}, {52, 10090}, {53, 10358}, {54, 9451},  {60, 8813},  {61, 10193}, {62, 10039},
      {63, 9510},  {64, 10504}, {70, 9682},  {71, 8408},  {72, 10699}, {73, 10325}, {74, 9158},
      {80, 10637}, {81, 11087}, {82, 10332}, {83, 9892},  {84, 10466},
  };
  return sizes;
}

std::uint32_t BigEndian32(std::span<const std::uint8_t> b, std::size_t at) {
  return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) |
         (std::uint32_t{b[at + 2]} << 8) | std::uint32_t{b[at + 3]};
}

std::string PendantPath(int id) {
  return std::string(KIVORA_SOURCE_DIR "/assets/pendants/pendant_") + std::to_string(id) + ".png";
}

// The forty pendants 10..14, 20..24, ..., 80..84 in increasing id order, each of its size.
TEST(BuiltinPendants, IdsAndSizesMatchTheFixedTable) {
  std::vector<std::pair<int, std::size_t>> embedded;
  for (const BuiltinPendant& p : BuiltinPendants()) embedded.emplace_back(p.id, p.bytes.size());
  EXPECT_EQ(embedded, (std::vector<std::pair<int, std::size_t>>(ExpectedSizes().begin(),
                                                                ExpectedSizes().end())));
}

std::vector<int> ExpectedIds() {
  std::vector<int> ids;
  for (const auto& [id, size] : ExpectedSizes()) ids.push_back(id);
  return ids;
}

// Each pendant by its id.
class EachBuiltinPendant : public ::testing::TestWithParam<int> {
 protected:
  std::span<const std::uint8_t> Bytes() const {
    for (const BuiltinPendant& p : BuiltinPendants())
      if (p.id == GetParam()) return p.bytes;
    ADD_FAILURE() << "no pendant " << GetParam();
    return {};
  }
};

TEST_P(EachBuiltinPendant, EmbeddedBytesEqualTheCommittedFile) {
  std::ifstream in(PendantPath(GetParam()), std::ios::binary);
  ASSERT_TRUE(in) << "cannot open " << PendantPath(GetParam());
  const std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(in), {}};
  EXPECT_TRUE(std::equal(file.begin(), file.end(), Bytes().begin(), Bytes().end()));
}

// Signature, IHDR (120 x 92, 8-bit palette), then a chain of chunks with correct
// CRCs that contains PLTE and IDAT and ends with IEND exactly at the last byte.
TEST_P(EachBuiltinPendant, IsAWellFormed120x92PalettePng) {
  const auto b = Bytes();
  ASSERT_GE(b.size(), 8u + 25u);
  ASSERT_TRUE(std::equal(std::begin(kPngSignature), std::end(kPngSignature), b.begin()));

  EXPECT_EQ(BigEndian32(b, 8), 13u);
  EXPECT_EQ(std::string(b.begin() + 12, b.begin() + 16), "IHDR");
  EXPECT_EQ(BigEndian32(b, 16), 120u);
  EXPECT_EQ(BigEndian32(b, 20), 92u);
  EXPECT_EQ(b[24], 8) << "bit depth";
  EXPECT_EQ(b[25], 3) << "colour type";
  EXPECT_EQ(b[28], 0) << "interlace";

  std::vector<std::string> kinds;
  std::size_t at = 8;
  while (at + 12 <= b.size()) {
    const std::uint32_t length = BigEndian32(b, at);
    ASSERT_LE(at + 12 + std::size_t{length}, b.size()) << "chunk overruns the file";
    const auto typed = b.subspan(at + 4, 4 + length);
    EXPECT_EQ(StreamCrc32(typed), BigEndian32(b, at + 8 + length))
        << "bad CRC on chunk " << kinds.size();
    kinds.emplace_back(typed.begin(), typed.begin() + 4);
    at += 12 + length;
    if (kinds.back() == "IEND") break;
  }
  EXPECT_EQ(at, b.size()) << "bytes after IEND, or no IEND";
  ASSERT_FALSE(kinds.empty());
  EXPECT_EQ(kinds.front(), "IHDR");
  EXPECT_EQ(kinds.back(), "IEND");
  const std::set<std::string> present(kinds.begin(), kinds.end());
  EXPECT_TRUE(present.count("PLTE"));
  EXPECT_TRUE(present.count("IDAT"));
}

TEST(BuiltinPendants, CommittedFilesPassPngcheck) {
  if (std::system("command -v pngcheck >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "pngcheck is not installed; the committed pendants were not checked with it";

  std::string command = "pngcheck -q";
  for (const BuiltinPendant& p : BuiltinPendants()) command += " '" + PendantPath(p.id) + "'";
  command += " 2>&1";

  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  const int status = pclose(pipe);
  EXPECT_EQ(status, 0) << output;
  EXPECT_EQ(output, "") << "pngcheck -q reports problems";
}

#ifdef KIVORA_HAVE_LIBPNG
TEST_P(EachBuiltinPendant, DecodesFullyWithLibpng) {
  const auto bytes = Bytes();
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
      << image.message;
  EXPECT_EQ(image.width, 120u);
  EXPECT_EQ(image.height, 92u);
  EXPECT_TRUE(image.format & PNG_FORMAT_FLAG_COLORMAP);
  EXPECT_GE(image.colormap_entries, 2u);

  image.format = PNG_FORMAT_RGB;
  std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) << image.message;
  EXPECT_EQ(image.warning_or_error, 0u) << image.message;

  // A real picture, not a flat fill.
  std::set<std::uint32_t> colours;
  for (std::size_t i = 0; i + 2 < rgb.size(); i += 3)
    colours.insert((std::uint32_t{rgb[i]} << 16) | (std::uint32_t{rgb[i + 1]} << 8) | rgb[i + 2]);
  EXPECT_GE(colours.size(), 4u);
}
#else
TEST(BuiltinPendants, DecodeFullyWithLibpng) {
  GTEST_SKIP() << "built without libpng (KIVORA_HAVE_LIBPNG); decoding checked only via pngcheck";
}
#endif

INSTANTIATE_TEST_SUITE_P(All, EachBuiltinPendant, ::testing::ValuesIn(ExpectedIds()),
                         [](const auto& param_info) {
                           return "Pendant" + std::to_string(param_info.param);
                         });

}  // namespace
}  // namespace kivora::pendant
