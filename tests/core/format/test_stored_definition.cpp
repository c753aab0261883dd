// Every reader of the definition as stored finds the same bytes, or none, within bounds.

#include <gtest/gtest.h>

#include <cstdio>

#include "core/format/DefinitionReader.h"
#include "core/format/RecoveryFormat.h"
#include "core/format/StoredDefinition.h"
#include "core/io/File.h"
#include "core/operations/AddRecoveryOperation.h"
#include "core/recovery/RecoveryScan.h"
#include "core/recovery/RecoveryTrust.h"
#include "tests/support/SetFixture.h"

namespace kivora::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Writes head, then `gap` bytes of a hole, then tail.
void WriteFile(const std::filesystem::path& path, const Bytes& head, std::int64_t gap,
               const Bytes& tail) {
  WriteBytes(path, head);
  std::filesystem::resize_file(path, head.size() + static_cast<std::uintmax_t>(gap));
  File file = File::OpenReadWrite(path);
  file.Seek(0, SEEK_END);
  file.Write(tail);
}

class StoredDefinitionTest : public SetFixture {};

TEST_F(StoredDefinitionTest, EveryReaderFindsTheSameBytesOrNone) {
  const auto kvr = MakeSet(
      30000, [](SplitRequest& s) { s.disguise = false; }, "file.avi");
  const auto last = MakeSet(30000, [](SplitRequest& s) {
    s.implant = true;
    s.disguise = false;
  });
  const Bytes part = ReadBytes(last);
  const auto size = static_cast<std::ptrdiff_t>(loaded.parts.back().Size);
  const Bytes payload(part.begin(), part.begin() + size), block(part.begin() + size, part.end());
  const std::int64_t kBig = std::int64_t{80} << 20;
  const struct {
    const char* name;
    std::filesystem::path path;
    Bytes head;
    std::int64_t gap;
    Bytes tail;
    std::optional<Bytes> stored;     // empty: no definition
    bool repairUsesRecovery = true;  // the recovery parts cover the last part as recorded
  } cases[] = {
      {"definition file", kvr, ReadBytes(kvr), 0, {}, ReadBytes(kvr)},
      {"implanted", last, part, 0, {}, block},
      {"bytes between payload and block", last, payload, 5, block, block, false},
      {"bytes after the block", last, part, 0, {1, 2, 3, 4, 0xff, 0xff, 0xff, 0x7f}, {}},
      {"truncated block", last, Bytes(block.begin() + 10, block.end()), 0, {}, {}},
      {"block beyond the bound", last, {0}, kBig, {0x00, 0x00, 0x60, 0x04}, {}},  // 70 MiB
      {"file beyond the bound", kvr, {'K', 'V', '3'}, kBig, {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(c.path, c.head, c.gap, c.tail);
    const auto asStored = ReadDefinitionAsStored(c.path, pendants);
    ASSERT_EQ(asStored.has_value(), c.stored.has_value());
    if (!c.stored) {
      EXPECT_THROW(ReadStoredDefinition(c.path), KivoraError);
      EXPECT_THROW(ReadDefinition(c.path, pendants), KivoraError);
      continue;
    }
    EXPECT_EQ(ReadStoredDefinition(c.path).bytes, *c.stored);
    EXPECT_EQ(asStored->bytes, *c.stored);
    KvrDefinition read = ReadDefinition(c.path, pendants);
    EXPECT_EQ(read.parts, asStored->definition.parts);
    // The recovery parts copy the definition as stored; add-recovery completes only when
    // the repair believes them.
    const auto add = [&] {
      return RunAddRecovery({.definitionPath = c.path, .loaded = read, .amount = {1, 0}}, pendants,
                            ui)
          .completed;
    };
    if (c.repairUsesRecovery) {
      EXPECT_TRUE(add()) << (ui.errors.empty() ? "" : ui.errors.back());
    } else {
      // The failure is the operation's message now, not an exception.
      EXPECT_FALSE(add());
      EXPECT_FALSE(ui.errors.empty());
    }
    const auto info = ReadRecoveryInfo(ListRecoveryParts(c.path, read).at(0).path).value();
    EXPECT_EQ(info.header.definitionLength, c.stored->size());
    EXPECT_EQ(info.header.definitionCrc, asStored->crc);
  }
}

}  // namespace
}  // namespace kivora::test
