#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <cstring>
#include <regex>

#include "core/format/DefinitionWriter.h"
#include "core/io/Crc32.h"
#include "core/payload/Scramblers.h"
#include "core/text/Messages.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

using test::RunCli;

struct PartEntry {
  std::string fileName;
  std::int64_t size, crc, partCrc, pendantNo, pendantSize;
};

std::vector<PartEntry> PartsFromJson(const std::string& json) {
  static const std::regex part(
      R"re(\{"fileName":"([^"]+)","size":(\d+),"crc":(\d+),"partCrc":(\d+),"pendantNo":(\d+),"pendantSize":(\d+)\})re");
  std::vector<PartEntry> parts;
  for (std::sregex_iterator it(json.begin(), json.end(), part), end; it != end; ++it) {
    const auto& m = *it;
    parts.push_back({m[1], std::stoll(m[2]), std::stoll(m[3]), std::stoll(m[4]), std::stoll(m[5]),
                     std::stoll(m[6])});
  }
  return parts;
}

// Decodes the PNG picture at the front of a part; returns its width and height.
std::pair<png_uint_32, png_uint_32> DecodePicture(const std::vector<std::uint8_t>& bytes) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return {0, 0};
  image.format = PNG_FORMAT_RGBA;
  std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
  const bool ok = png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
  png_image_free(&image);
  if (!ok) return {0, 0};
  return {image.width, image.height};
}

// info gives the source size as an unsigned number in JSON and every byte count in
// full with thousands separators as text, also beyond 2 GiB.
TEST(CliInfo, SizesBeyondThirtyOneBits) {
  struct Case {
    std::int64_t size;
    std::string magic, json, text;
  };
  const Case cases[] = {
      {0x93333333, "KV5", R"("sourceSize":2469606195,)", "檔案大小: 2,469,606,195 個位元組"},
      // A 32-bit field with the top bit set, as a damaged older definition may hold it.
      {-1, "KV3", R"("sourceSize":4294967295,)", "檔案大小: -1 個位元組"},
  };
  test::TempDir dir;
  for (const Case& c : cases) {
    DefinitionHeader h;
    h.SourceName = "big.bin";
    h.SourceSize = c.size;
    h.PartCount = 2;
    const std::int32_t first = 0x7FFFFFFF;
    const std::vector<PartRecord> parts = {
        {"big00.png", first, 1, 0, 0, 0},
        {"big01.png", static_cast<std::int32_t>(c.size - first), 2, 0, 0, 0}};
    test::WriteBytes(dir / "big.kvr", EncodeDefinition(h, parts));
    const auto json = RunCli({"info", (dir / "big.kvr").string(), "--json"});
    ASSERT_EQ(json.code, 0) << json.err;
    EXPECT_NE(json.out.find(R"("magic":")" + c.magic + '"'), std::string::npos) << json.out;
    EXPECT_NE(json.out.find(c.json), std::string::npos) << json.out;
    const auto text = RunCli({"info", (dir / "big.kvr").string()});
    EXPECT_NE(text.out.find(c.text + "\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("\tbig00.png\t2,147,483,647\t"), std::string::npos) << text.out;
  }
}

TEST(CliSplit, HundredMegabytesWithDefaults) {
  test::TempDir dir;
  const auto source = dir / "movie.avi";
  const auto content = test::RandomBytes(100'000'000, 3);
  test::WriteBytes(source, content);

  const auto split = RunCli({"split", source.string(), "--seed", "11"});
  ASSERT_EQ(split.code, 0) << split.err;
  EXPECT_NE(split.err.find(msg::kSplitCompleted), std::string::npos);

  const auto info = RunCli({"info", (dir / "movie.kvr").string(), "--json"});
  ASSERT_EQ(info.code, 0) << info.err;
  EXPECT_NE(info.out.find(R"("magic":"KV3","cipherKind":1,"disguised":true,"protected":false,)"
                          R"("sourceName":"movie.avi","sourceSize":100000000,"partCount":196,)"),
            std::string::npos)
      << info.out.substr(0, 300);
  const std::vector<PartEntry> parts = PartsFromJson(info.out);
  // 100,000,000 / 512,000 rounds up to 196 parts: three-digit numbers from 100 parts on.
  ASSERT_EQ(parts.size(), 196u);

  const std::int64_t base = 500 * 1024;
  size_t offset = 0;
  for (size_t i = 0; i < parts.size(); ++i) {
    const PartEntry& p = parts[i];
    char expectedName[32];
    std::snprintf(expectedName, sizeof expectedName, "movie%03zu.png", i);
    ASSERT_EQ(p.fileName, expectedName);
    if (i % 2 == 1 && i + 1 < parts.size()) {
      EXPECT_EQ(parts[i - 1].size + p.size, 2 * base) << i;
    }
    const auto bytes = test::ReadBytes(dir / p.fileName);
    ASSERT_EQ(static_cast<std::int64_t>(bytes.size()), p.pendantSize + p.size) << p.fileName;
    EXPECT_EQ(StreamCrc32(bytes), static_cast<std::uint32_t>(p.partCrc));
    EXPECT_EQ(DecodePicture(bytes), (std::pair<png_uint_32, png_uint_32>{120, 92})) << p.fileName;

    std::vector<std::uint8_t> payload(bytes.begin() + p.pendantSize, bytes.end());
    ScrambleStream(payload, p.fileName, 1);
    ASSERT_EQ(StreamCrc32(payload), static_cast<std::uint32_t>(p.crc));
    ASSERT_TRUE(std::equal(payload.begin(), payload.end(),
                           content.begin() + static_cast<std::ptrdiff_t>(offset)));
    offset += payload.size();
  }
  EXPECT_EQ(offset, content.size());
}

TEST(CliSplit, PlainImplantAndOptions) {
  test::TempDir dir;
  const auto source = dir / "track01.wav";
  test::WriteBytes(source, test::RandomBytes(50000));
  const auto out = dir / "out";

  // A missing output folder is not created without --mkdir.
  auto run = RunCli({"split", source.string(), "-o", out.string(), "--plain", "-s", "20"});
  EXPECT_EQ(run.code, 1);
  EXPECT_FALSE(std::filesystem::exists(out));

  run = RunCli({"split", source.string(), "-o", out.string(), "--mkdir", "--plain", "-s", "20",
                "--no-random", "--from-one", "-e", "bin", "--implant", "-c", "備註"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_TRUE(std::filesystem::exists(out / "track01_01.bin"));
  EXPECT_TRUE(std::filesystem::exists(out / "track01_03.bin"));
  EXPECT_FALSE(std::filesystem::exists(out / "track01.kvr"));
  EXPECT_NE(run.out.find("track01_03.bin"), std::string::npos);

  const auto info = RunCli({"info", (out / "track01_03.bin").string()});
  ASSERT_EQ(info.code, 0) << info.err;
  EXPECT_NE(info.out.find("檔案名稱: track01.wav"), std::string::npos);
  EXPECT_NE(info.out.find("KivoRa 偽裝: 無"), std::string::npos);
  EXPECT_NE(info.out.find("註解: 備註"), std::string::npos);
  const auto json = RunCli({"info", (out / "track01_03.bin").string(), "--json"});
  EXPECT_NE(json.out.find(R"("implanted":true)"), std::string::npos);
  // A plain part is the slice itself.
  const auto first = test::ReadBytes(out / "track01_01.bin");
  const auto content = test::ReadBytes(source);
  EXPECT_TRUE(std::equal(first.begin(), first.end(), content.begin()));
  EXPECT_EQ(first.size(), 20u * 1024);
}

TEST(CliSplit, PasswordSources) {
  test::TempDir dir;
  const auto source = dir / "a.bin";
  test::WriteBytes(source, test::RandomBytes(3000));
  test::WriteBytes(dir / "pw.txt", {'s', 'e', 'c', 'r', 'e', 't', '\n'});

  auto run = RunCli({"split", source.string(), "--password-file", (dir / "pw.txt").string()});
  ASSERT_EQ(run.code, 0) << run.err;
  auto info = RunCli({"info", (dir / "a.kvr").string(), "--json"});
  EXPECT_NE(info.out.find(R"("protected":true)"), std::string::npos);
  const auto parts = PartsFromJson(info.out);
  ASSERT_EQ(parts.size(), 1u);
  auto bytes = test::ReadBytes(dir / parts[0].fileName);
  std::vector<std::uint8_t> payload(bytes.begin() + parts[0].pendantSize, bytes.end());
  ScrambleStream(payload, "secret", 1);
  EXPECT_EQ(payload, test::ReadBytes(source));

  ::setenv("KIVORA_PASSWORD", "fromenv", 1);
  run = RunCli({"split", source.string(), "-n", "env"});
  ::unsetenv("KIVORA_PASSWORD");
  ASSERT_EQ(run.code, 0) << run.err;
  bytes = test::ReadBytes(dir / "env00.png");
  payload.assign(bytes.end() - 3000,
                 bytes.end());  // the pendant may differ; the payload ends the part
  ScrambleStream(payload, "fromenv", 1);
  EXPECT_EQ(payload, test::ReadBytes(source));

  EXPECT_EQ(RunCli({"split", source.string(), "-p", "x", "--password-file", "y"}).code, 2);
  EXPECT_EQ(RunCli({"split", source.string(), "--password-file", (dir / "none").string()}).code, 1);
}

// A part whose name is taken by a folder: the part writer's own message for the kind of
// part, and the system's reason.
TEST(CliSplit, PartNameTakenNamesTheKindAndTheReason) {
  test::TempDir dir;
  test::WriteBytes(dir / "s.bin", test::RandomBytes(100));
  std::filesystem::create_directories(dir / "s00.png" / "inside");
  const struct {
    std::vector<std::string> options;
    std::string_view message;
  } cases[] = {{{}, msg::kCreateDisguisedFailed},
               {{"--encrypt", "-p", "x"}, msg::kCreateScrambledFailed},
               {{"--plain"}, msg::kWritePartFailed}};
  for (const auto& c : cases) {
    std::vector<std::string> args = {"split", (dir / "s.bin").string()};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const auto run = RunCli(args);
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(std::strerror(EISDIR)), std::string::npos) << run.err;
  }
}

// A file of no set under a part's name stops the split (164), naming it, unless --overwrite.
TEST(CliSplit, FileOfNoSetIsReplacedOnlyWithOverwrite) {
  test::TempDir dir;
  test::WriteBytes(dir / "s.bin", test::RandomBytes(100));
  test::WriteBytes(dir / "s00.png", test::RandomBytes(50, 3));
  const auto refused = RunCli({"split", (dir / "s.bin").string()});
  EXPECT_EQ(refused.code, 1);
  EXPECT_NE(refused.err.find(msg::kForeignFile164), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find((dir / "s00.png").string()), std::string::npos) << refused.err;
  EXPECT_EQ(RunCli({"split", (dir / "s.bin").string(), "--overwrite"}).code, 0);
}

TEST(CliSplit, UsageAndFailures) {
  test::TempDir dir;
  EXPECT_EQ(RunCli({}).code, 2);
  EXPECT_EQ(RunCli({"split"}).code, 2);
  EXPECT_EQ(RunCli({"split", "x", "-s", "abc"}).code, 2);
  EXPECT_EQ(RunCli({"frobnicate"}).code, 2);
  EXPECT_NE(RunCli({"info", "x", "\x1b[2J"}).err.find("\\x1b[2J"), std::string::npos);
  const auto help = RunCli({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("split"), std::string::npos);

  auto run = RunCli({"split", (dir / "missing.bin").string()});
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.err.find(msg::kCannotOpenFile), std::string::npos);
  EXPECT_NE(run.err.find(msg::kSplitFailedClosing), std::string::npos);

  test::WriteBytes(dir / "s.bin", test::RandomBytes(100));
  run = RunCli({"split", (dir / "s.bin").string(), "-o", (dir / "no" / "sub").string(), "--mkdir"});
  EXPECT_NE(run.err.find(std::strerror(ENOENT)), std::string::npos) << run.err;  // (161)
  run = RunCli({"split", (dir / "s.bin").string(), "-o", (dir / "s.bin").string()});
  EXPECT_NE(run.err.find(msg::kSaveFolderIsAFile), std::string::npos) << run.err;
  for (const char* size : {"0", "40000"}) {  // out of range: a usage error naming the range
    run = RunCli({"split", (dir / "s.bin").string(), "-s", size});
    EXPECT_EQ(run.code, 2) << size;
    EXPECT_NE(run.err.find("32767"), std::string::npos) << run.err;
  }
  EXPECT_EQ(RunCli({"split", "--help"}).out.find("{false}"), std::string::npos);

  run = RunCli({"split", (dir / "s.bin").string(), "--encrypt"});
  EXPECT_EQ(run.code, 2);
  EXPECT_NE(run.err.find("--encrypt"), std::string::npos);

  run = RunCli({"info", (dir / "missing.kvr").string()});
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.err.find(msg::kCannotOpen202), std::string::npos);
  EXPECT_NE(run.err.find((dir / "missing.kvr").string()), std::string::npos) << run.err;
  run = RunCli({"info", (dir / "s.bin").string()});
  EXPECT_EQ(run.code, 1);
}

}  // namespace
}  // namespace kivora
