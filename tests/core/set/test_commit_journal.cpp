#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/io/Crc32.h"
#include "core/io/LittleEndian.h"
#include "core/set/CommitJournal.h"
#include "core/set/CommitNames.h"

namespace kivora {
namespace {

const std::string kMovie = "movie.kvr";

CommitJournal SampleJournal() {
  return {{{HiddenNameFor(kMovie, "movie.001"), "movie.001", 7, 0x12345678u},
           {HiddenNameFor(kMovie, std::string(255, 'p')), std::string(255, 'p'), 0, std::nullopt},
           {HiddenNameFor(kMovie, kMovie), kMovie, 1ull << 40, 0u}},
          {"movie.003", "movie_rec00.png"}};
}

// The body changed by `change`, with its CRC-32 made right again.
std::vector<std::uint8_t> Resealed(std::vector<std::uint8_t> bytes,
                                   const std::function<void(std::vector<std::uint8_t>&)>& change) {
  bytes.resize(bytes.size() - 4);
  change(bytes);
  AppendLittleEndian<std::uint32_t>(bytes, StreamCrc32(bytes));
  return bytes;
}

TEST(CommitJournal, RoundTripsAndEveryTruncationIsRefused) {
  const std::vector<std::uint8_t> bytes = EncodeCommitJournal(SampleJournal());
  EXPECT_EQ(DecodeCommitJournal(bytes), SampleJournal());
  EXPECT_TRUE(JournalFitsSet(SampleJournal(), kMovie));
  for (size_t length = 0; length < bytes.size(); ++length)
    EXPECT_FALSE(DecodeCommitJournal(std::span(bytes).first(length))) << length;
}

TEST(CommitJournal, HostileJournalsAreRefused) {
  const std::vector<std::uint8_t> good = EncodeCommitJournal(SampleJournal());
  auto withName = [](std::string name) {
    CommitJournal j = SampleJournal();
    j.removals[0] = std::move(name);
    return EncodeCommitJournal(j);
  };
  const struct {
    const char* what;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"bad CRC",
       [&] {
         auto b = good;
         b[30] ^= 1;
         return b;
       }()},
      {"bad magic", Resealed(good, [](auto& b) { b[0] = 'k'; })},
      {"version 2", Resealed(good, [](auto& b) { b[8] = 2; })},
      {"huge rename count",
       Resealed(good, [](auto& b) { StoreLittleEndian<std::uint32_t>(b, 12, ~0u); })},
      {"huge removal count",
       Resealed(good, [](auto& b) { StoreLittleEndian<std::uint32_t>(b, 16, ~0u); })},
      {"unknown flag", Resealed(good, [](auto& b) { b[20] = 2; })},
      {"trailing byte", Resealed(good, [](auto& b) { b.push_back(0); })},
      {"name with '/'", withName("../movie.001")},
      {"name '..'", withName("..")},
      {"name '.'", withName(".")},
      {"empty name", withName("")},
      {"name with NUL", withName(std::string("a\0b", 3))},
      {"name of 256 bytes", withName(std::string(256, 'n'))},
  };
  for (const auto& c : cases) EXPECT_FALSE(DecodeCommitJournal(c.bytes)) << c.what;
}

TEST(CommitJournal, JournalsThatReachBeyondTheSetDoNotFit) {
  const std::string own = HiddenNameFor(kMovie, "movie.001");
  const struct {
    const char* what;
    CommitJournal journal;
  } cases[] = {
      {"hidden name of another set",
       {{{HiddenNameFor("other.kvr", "movie.001"), "movie.001", 1, {}}}, {}}},
      {"plain file as hidden name", {{{"movie.002", "movie.001", 1, {}}}, {}}},
      {"hidden file as target", {{{own, HiddenNameFor(kMovie, "x"), 1, {}}}, {}}},
      {"target twice",
       {{{own, "movie.001", 1, {}}, {HiddenNameFor(kMovie, "y"), "movie.001", 1, {}}}, {}}},
      {"renamed file removed", {{{own, "movie.001", 1, {}}}, {"movie.001"}}},
      {"journal as target", {{{own, CommitJournalName(kMovie), 1, {}}}, {}}},
      {"hidden file removed", {{}, {own}}},
  };
  for (const auto& c : cases) EXPECT_FALSE(JournalFitsSet(c.journal, kMovie)) << c.what;
}

TEST(CommitNames, HiddenNamesStayPlainAndBelongToTheirSet) {
  const std::string longName(250, 'n');
  const struct {
    std::string set, target;
  } cases[] = {{"a.kvr", "a.001"},   {"a.kvr", longName},    {longName, "a.001"},
               {longName, longName}, {"a.kvr", "b.kvnew.c"}, {"a.kvnew.b", "a.001"}};
  for (const auto& c : cases) {
    const std::string hidden = HiddenNameFor(c.set, c.target);
    EXPECT_TRUE(IsPlainEntryName(hidden)) << hidden;
    EXPECT_TRUE(IsHiddenNameOf(c.set, hidden)) << hidden;
    EXPECT_NE(hidden, HiddenNameFor(c.set, c.target + "x")) << hidden;
  }
  EXPECT_EQ(HiddenNameFor("a.kvr", "a.001"), ".a.kvr.kvnew.a.001");
  // The set "a" does not sweep the hidden files of the set "a.kvnew.b".
  EXPECT_FALSE(IsHiddenNameOf("a", HiddenNameFor("a.kvnew.b", "a.001")));
}

}  // namespace
}  // namespace kivora
