#include <gtest/gtest.h>
#include <sodium.h>

#include <array>
#include <functional>
#include <string>

#include "core/io/LittleEndian.h"
#include "core/set/CommitJournal.h"
#include "core/set/CommitNames.h"

namespace kivora {
namespace {

const std::string kMovie = "movie";
const std::array<std::uint8_t, 32> kKey = {1, 2, 3};
const std::array<std::uint8_t, 32> kOtherKey = {1, 2, 4};
// The set before the commit and after it.
const std::vector<SetMembers> kMembers = {
    {"movie.kvr", {"movie00.png", "movie01.png", "movie02.png"}, {"movie_rec00.png"}},
    {"movie.kvr", {"movie00.png", std::string(255, 'p')}, {}}};

CommitJournal SampleJournal() {
  return {{{HiddenNameFor(kMovie, "movie00.png"), "movie00.png", 7, 0x12345678u},
           {HiddenNameFor(kMovie, std::string(255, 'p')), std::string(255, 'p'), 0, std::nullopt},
           {HiddenNameFor(kMovie, "movie.kvr"), "movie.kvr", 1ull << 40, 0u}},
          {"movie02.png", "movie_rec00.png"},
          kMembers};
}

// The body changed by `change`, with its MAC made right again.
std::vector<std::uint8_t> Resealed(std::vector<std::uint8_t> bytes,
                                   const std::function<void(std::vector<std::uint8_t>&)>& change) {
  bytes.resize(bytes.size() - 32);
  change(bytes);
  std::array<std::uint8_t, 32> mac{};
  crypto_generichash(mac.data(), mac.size(), bytes.data(), bytes.size(), kKey.data(), kKey.size());
  bytes.insert(bytes.end(), mac.begin(), mac.end());
  return bytes;
}

TEST(CommitJournal, RoundTripsAndEveryTruncationIsRefused) {
  const std::vector<std::uint8_t> bytes = EncodeCommitJournal(SampleJournal(), kKey);
  EXPECT_EQ(DecodeCommitJournal(bytes, kKey), SampleJournal());
  EXPECT_TRUE(JournalFitsSet(SampleJournal(), kMovie));
  for (size_t length = 0; length < bytes.size(); ++length)
    EXPECT_FALSE(DecodeCommitJournal(std::span(bytes).first(length), kKey)) << length;
}

TEST(CommitJournal, HostileJournalsAreRefused) {
  const std::vector<std::uint8_t> good = EncodeCommitJournal(SampleJournal(), kKey);
  auto withName = [](std::string name) {
    CommitJournal j = SampleJournal();
    j.removals[0] = std::move(name);
    return EncodeCommitJournal(j, kKey);
  };
  const struct {
    const char* what;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"bad MAC",
       [&] {
         auto b = good;
         b[30] ^= 1;
         return b;
       }()},
      {"another user's key", EncodeCommitJournal(SampleJournal(), kOtherKey)},
      {"bad magic", Resealed(good, [](auto& b) { b[0] = 'k'; })},
      {"version 1", Resealed(good, [](auto& b) { b[8] = 1; })},
      {"huge rename count",
       Resealed(good, [](auto& b) { StoreLittleEndian<std::uint32_t>(b, 12, ~0u); })},
      {"huge removal count",
       Resealed(good, [](auto& b) { StoreLittleEndian<std::uint32_t>(b, 16, ~0u); })},
      {"huge member count",
       Resealed(good, [](auto& b) { StoreLittleEndian<std::uint32_t>(b, 20, ~0u); })},
      {"unknown flag", Resealed(good, [](auto& b) { b[24] = 2; })},
      {"trailing byte", Resealed(good, [](auto& b) { b.push_back(0); })},
      {"name with '/'", withName("../movie00.png")},
      {"name '..'", withName("..")},
      {"name '.'", withName(".")},
      {"empty name", withName("")},
      {"name with NUL", withName(std::string("a\0b", 3))},
      {"name of 256 bytes", withName(std::string(256, 'n'))},
  };
  for (const auto& c : cases) EXPECT_FALSE(DecodeCommitJournal(c.bytes, kKey)) << c.what;
}

TEST(CommitJournal, JournalsThatReachBeyondTheSetDoNotFit) {
  const std::string own = HiddenNameFor(kMovie, "movie00.png");
  const struct {
    const char* what;
    CommitJournal journal;
  } cases[] = {
      {"hidden name of another set",
       {{{HiddenNameFor("other", "movie00.png"), "movie00.png", 1, {}}}, {}, kMembers}},
      {"plain file as hidden name", {{{"movie01.png", "movie00.png", 1, {}}}, {}, kMembers}},
      {"hidden file as target", {{{own, HiddenNameFor(kMovie, "x"), 1, {}}}, {}, kMembers}},
      {"target twice",
       {{{own, "movie00.png", 1, {}}, {HiddenNameFor(kMovie, "y"), "movie00.png", 1, {}}},
        {},
        kMembers}},
      {"renamed file removed", {{{own, "movie00.png", 1, {}}}, {"movie00.png"}, kMembers}},
      {"journal as target", {{{own, CommitJournalName(kMovie), 1, {}}}, {}, kMembers}},
      {"hidden file removed", {{}, {own}, kMembers}},
      {"removal of no set's file", {{{own, "movie00.png", 1, {}}}, {"victim.txt"}, kMembers}},
      {"target of no set",
       {{{HiddenNameFor(kMovie, "notes.txt"), "notes.txt", 1, {}}}, {}, kMembers}},
      {"no members", {{{own, "movie00.png", 1, {}}}, {}, {}}},
      {"members of another set",
       {{{HiddenNameFor(kMovie, "other00.png"), "other00.png", 1, {}}},
        {"other.kvr"},
        {{"other.kvr", {"other00.png", "other01.png"}, {}}}}},
      {"definition of another set",
       {{{HiddenNameFor(kMovie, "victim.kvr"), "victim.kvr", 1, {}}},
        {},
        {{"victim.kvr", {"movie00.png"}, {}}}}},
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
