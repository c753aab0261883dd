// What tools that nobody here wrote make of kvrpack's DLL and script: python3-pefile,
// the mingw objdump, and the mingw resource compiler and linker.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <iterator>
#include <sstream>

#include "kvrpack/PluginBuilder.h"
#include "tests/kvrpack/KvrpackTestSupport.h"

namespace kvrpack {
namespace {

using test::ShellQuote;

constexpr const char* kPython = "/usr/bin/python3";

std::string Hex(std::string_view bytes) {
  std::string out;
  char digits[3];
  for (unsigned char c : bytes) {
    std::snprintf(digits, sizeof digits, "%02x", c);
    out += digits;
  }
  return out;
}

std::string Hex(const test::Bytes& bytes) {
  return Hex(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

class ExternalToolsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Texts a resource compiler must read through its escapes, pictures of sizes that do
    // and do not fill whole alignment units, in a folder whose path holds blanks, a
    // hyphen, letters with and without a Big5 form, a quote and a backslash.
    request.texts = {"測試\"掛件\"", "版本 1.0", "jpg", "C:\\new 作者", "說明\r\n第二行\t!"};
    const auto folder = dir / "my-pics 2026" / "圖片 한 \"q\\b\"";
    std::filesystem::create_directories(folder);
    const std::size_t sizes[] = {1, 8, 513, 4096};
    for (std::size_t i = 0; i < std::size(sizes); ++i) {
      const auto path = folder / ("pic " + std::to_string(i) + ".png");
      test::WriteFile(path, test::PictureBytes(sizes[i], static_cast<std::uint32_t>(i + 10)));
      request.pictures.push_back(path.string());
    }
    const BuildOutcome outcome = BuildPlugin(request, {dll(), dir / "template.rc"});
    ASSERT_TRUE(outcome.ok) << outcome.message.Chinese();
  }
  std::filesystem::path dll() const { return dir / "template.dll"; }

  // pe_dump.py's lines for `file`; skips the test when pefile is missing.
  std::string PeDump(const std::filesystem::path& file, bool resourcesOnly) {
    const test::ProgramRun run =
        test::RunShell(std::string(kPython) + " " + ShellQuote(PE_DUMP_SCRIPT) +
                       (resourcesOnly ? " --resources-only " : " ") + ShellQuote(file.string()));
    EXPECT_EQ(run.code, 0) << "pefile could not parse " << file;
    return run.out;
  }
  bool HavePefile() {
    return ::access(kPython, X_OK) == 0 &&
           test::RunShell(std::string(kPython) + " -c 'import pefile' 2>/dev/null").code == 0;
  }

  test::TempFolder dir;
  PluginRequest request;
};

TEST_F(ExternalToolsTest, PefileReadsTheHeadersResourcesAndStrings) {
  if (!HavePefile()) GTEST_SKIP() << "python3-pefile not installed: pefile check skipped";
  const std::string dump = PeDump(dll(), false);
  for (const char* fact :
       {"header machine 0x14c", "header dll 1", "header magic 0x10b", "header entry 0x0",
        "header code 0", "header sections .rsrc", "header imports 0", "header exports 0",
        "header checksum_ok 1", "header section_alignment 0x1000", "header file_alignment 0x200",
        "header size_of_image_ok 1"}) {
    EXPECT_NE(dump.find(std::string(fact) + "\n"), std::string::npos) << fact << "\n" << dump;
  }
  for (std::size_t i = 0; i < request.pictures.size(); ++i) {
    const std::string line = "resource KVR " + std::to_string(101 + i) + " 1028 " +
                             Hex(test::ReadFile(request.pictures[i])) + "\n";
    EXPECT_NE(dump.find(line), std::string::npos) << line;
  }
  EXPECT_EQ(dump.find("resource KVR 105"), std::string::npos);
  for (std::size_t i = 0; i < kTextCount; ++i) {
    const std::string line =
        "string " + std::to_string(511 + i) + " " + Hex(request.texts[i]) + "\n";
    EXPECT_NE(dump.find(line), std::string::npos) << line << dump;
  }
}

TEST_F(ExternalToolsTest, ObjdumpAcceptsTheDll) {
  const auto objdump = test::FindProgram("i686-w64-mingw32-objdump");
  if (!objdump) GTEST_SKIP() << "i686-w64-mingw32-objdump not installed: objdump check skipped";
  const test::ProgramRun run =
      test::RunShell(ShellQuote(objdump->string()) + " -p " + ShellQuote(dll().string()));
  ASSERT_EQ(run.code, 0);
  EXPECT_NE(run.out.find("file format pei-i386"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\tDLL\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Resource Directory [.rsrc]"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find(": KVR,"), std::string::npos) << run.out;
  for (const char* id :
       {"ID: 0x000065", "ID: 0x000068", "ID: 0x000006", "ID: 0x000020", "ID: 0x000021"}) {
    EXPECT_NE(run.out.find(id), std::string::npos) << id;
  }
}

// The script compiled by the mingw resource compiler (reading it as code page 950, in
// the language of a Traditional Chinese system) and linked into a DLL holds the same
// resources, strings and bytes as the DLL that kvrpack wrote itself.
TEST_F(ExternalToolsTest, TheScriptCompiledByWindresGivesTheSameResources) {
  const auto windres = test::FindProgram("i686-w64-mingw32-windres");
  const auto ld = test::FindProgram("i686-w64-mingw32-ld");
  if (!windres || !ld) {
    GTEST_SKIP() << "i686-w64-mingw32-windres/ld not installed: resource compiler check skipped";
  }
  if (!HavePefile()) GTEST_SKIP() << "python3-pefile not installed: comparison skipped";
  const auto object = dir / "compiled.o";
  const auto compiled = dir / "compiled.dll";
  const std::string compile = ShellQuote(windres->string()) + " -c 950 -l 0x404 -i " +
                              ShellQuote((dir / "template.rc").string()) + " -o " +
                              ShellQuote(object.string());
  ASSERT_EQ(test::RunShell(compile).code, 0) << compile;
  const std::string link = ShellQuote(ld->string()) + " --dll -e 0 -o " +
                           ShellQuote(compiled.string()) + " " + ShellQuote(object.string());
  ASSERT_EQ(test::RunShell(link).code, 0) << link;

  const std::string ours = PeDump(dll(), true);
  EXPECT_NE(ours.find("resource KVR 104"), std::string::npos);
  EXPECT_EQ(PeDump(compiled, true), ours);
}

}  // namespace
}  // namespace kvrpack
