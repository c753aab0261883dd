#include <gtest/gtest.h>
#include <libdeflate.h>

#include <memory>

#include "core/KivoraError.h"
#include "core/format/DefinitionWriter.h"
#include "core/io/Crc32.h"
#include "core/operations/JoinOperation.h"
#include "core/operations/ResplitOperation.h"
#include "core/operations/VerifyOperation.h"
#include "core/payload/SealedPayload.h"
#include "core/text/Messages.h"
#include "core/threads/HelperThread.h"
#include "tests/support/SetFixture.h"

namespace kivora {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr const char* kPassword = "密碼 pass";

class EncryptedSetTest : public test::SetFixture {
 protected:
  std::filesystem::path definition;
  std::filesystem::path out;

  void Make(Bytes source, bool encrypt, const std::function<void(SplitRequest&)>& more = {}) {
    out = dir / "out";
    std::filesystem::create_directories(out);
    definition = MakeSetOf(std::move(source), [&](SplitRequest& s) {
      s.partSizeKb = 100;  // two sealed chunks a part
      s.password = kPassword;
      s.encrypt = encrypt;
      if (more) more(s);
    });
  }
  // The payload bytes of part i as stored.
  Bytes Payload(size_t i) const {
    const Bytes part = test::ReadBytes(PartPath(i));
    const PartRecord& rec = split.parts.at(i);
    const auto from = split.header.Disguised ? rec.PendantSize : 0;
    return Bytes(part.begin() + from, part.begin() + from + rec.Size);
  }
  bool Join(const std::string& password) {
    JoinRequest request;
    request.definitionPath = definition;
    request.outputFolder = out;
    request.password = password;
    return CallEngine(ui, JoinFailure(), false,
                      [&] { return RunJoin(loaded, request, pendants, ui); });
  }
  bool Resplit(std::optional<std::vector<int>> selected, const std::string& password,
               const std::filesystem::path& source) {
    ResplitRequest request;
    request.definitionPath = definition;
    request.source = source;
    request.selected = std::move(selected);
    request.password = password;
    return CallEngine(ui, ResplitFailure(), false,
                      [&] { return RunResplit(loaded, request, pendants, ui); });
  }
  // Rewrites the definition so part i's checksums match the file as it is now.
  void ForgeChecksums(size_t i) {
    PartRecord& rec = split.parts[i];
    rec.PartCrc = StreamCrc32(test::ReadBytes(PartPath(i)));
    rec.Crc = SealedRecordCrc(StreamCrc32(Payload(i)));
    test::WriteBytes(definition, EncodeDefinition(split.header, split.parts));
    loaded = ReadDefinition(definition, pendants);
  }
  bool OutputIsEmpty() const { return std::filesystem::is_empty(out); }
};

TEST_F(EncryptedSetTest, RoundTripsInBothModes) {
  struct Row {
    const char* what;
    bool encrypt;
    bool disguise;
    bool implant;
  };
  const Row rows[] = {
      {"compatible, disguised", false, true, false},
      {"compatible, plain, implanted", false, false, true},
      {"encrypted, disguised", true, true, false},
      {"encrypted, plain", true, false, false},
      {"encrypted, disguised, implanted", true, true, true},
      {"encrypted, plain, implanted", true, false, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::filesystem::remove_all(dir.path());
    std::filesystem::create_directories(dir.path());
    Make(test::RandomBytes(450000, 5), row.encrypt, [&](SplitRequest& s) {
      s.disguise = row.disguise;
      s.implant = row.implant;
    });
    EXPECT_EQ(loaded.header.CipherKind, row.encrypt ? kSealedCipher : kBlockCipher);
    EXPECT_EQ(loaded.header.Encryption.has_value(), row.encrypt);
    EXPECT_EQ(loaded.header, split.header);
    std::vector<Bytes> parts;
    for (size_t i = 0; i < split.parts.size(); ++i) {
      parts.push_back(test::ReadBytes(PartPath(i)));
      // A sealed part records checksums of what it stores, never of the source.
      if (row.encrypt) {
        EXPECT_EQ(split.parts[i].Crc, ~StreamCrc32(Payload(i)));
      }
    }

    ui = test::RecordingEvents();
    const VerifyOutcome tested = RunVerify(loaded, definition, pendants, ui);
    EXPECT_EQ(tested.findings, std::set<PartTestResult>{PartTestResult::Ok});
    EXPECT_TRUE(ui.passwords.empty());

    ui = test::RecordingEvents();
    ASSERT_TRUE(Join(kPassword)) << (ui.errors.empty() ? "" : ui.errors[0]);
    EXPECT_EQ(test::ReadBytes(out / "movie.avi"), content);

    ui = test::RecordingEvents();
    ASSERT_TRUE(Resplit(std::nullopt, kPassword, dir / "movie.avi"))
        << (ui.errors.empty() ? "" : ui.errors[0]);
    for (size_t i = 0; i < parts.size(); ++i) EXPECT_EQ(test::ReadBytes(PartPath(i)), parts[i]);
  }
}

TEST_F(EncryptedSetTest, ZerosLeaveNoPatternAndEverySplitDiffers) {
  const auto compressedShare = [](const Bytes& data) {
    std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)> c(
        libdeflate_alloc_compressor(9), &libdeflate_free_compressor);
    Bytes packed(libdeflate_zlib_compress_bound(c.get(), data.size()));
    return static_cast<double>(libdeflate_zlib_compress(c.get(), data.data(), data.size(),
                                                        packed.data(), packed.size())) /
           static_cast<double>(data.size());
  };
  const auto payloads = [&] {
    Bytes all;
    for (size_t i = 0; i < split.parts.size(); ++i) {
      const Bytes p = Payload(i);
      all.insert(all.end(), p.begin(), p.end());
    }
    return all;
  };
  const Bytes zeros(1 << 20, 0);

  Make(zeros, false);
  EXPECT_LT(compressedShare(payloads()), 0.5);  // the scrambled zeros repeat

  Make(zeros, true);
  const Bytes first = payloads();
  EXPECT_GE(compressedShare(first), 0.99);
  Make(zeros, true);
  EXPECT_NE(payloads(), first);  // a new salt, a new key
}

TEST_F(EncryptedSetTest, JoinFailuresAreNamedAndWriteNothing) {
  const auto flip = [this] {
    Bytes part = test::ReadBytes(PartPath(1));
    part[part.size() - 100] ^= 0x01;
    test::WriteBytes(PartPath(1), part);
  };
  // The second part of another split of the same source with the same password.
  const auto swapInOtherSet = [this] {
    const SplitOutcome mine = split;
    const KvrDefinition loadedMine = loaded;
    const auto definitionMine = definition;
    std::filesystem::create_directories(dir / "other");
    Make(content, true, [this](SplitRequest& s) { s.saveFolder = dir / "other"; });
    const Bytes other = test::ReadBytes(PartPath(1));
    split = mine;
    loaded = loadedMine;
    definition = definitionMine;
    test::WriteBytes(PartPath(1), other);
    ForgeChecksums(1);
  };
  struct Row {
    const char* what;
    std::function<void()> tamper;
    std::string password;
    bool authenticationFails;  // else the password is refused
  };
  const Row rows[] = {
      {"wrong password", {}, "wrong", false},
      {"flipped byte, joined anyway",
       [&] {
         flip();
         ui.answers = {Answer::Yes};
       },
       kPassword, true},
      {"flipped byte, checksums forged",
       [&] {
         flip();
         ForgeChecksums(1);
       },
       kPassword, true},
      {"part of another set, checksums forged", swapInOtherSet, kPassword, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::filesystem::remove_all(dir.path());
    std::filesystem::create_directories(dir.path());
    Make(test::RandomBytes(450000, 5), true);
    ui = test::RecordingEvents();
    if (row.tamper) row.tamper();
    EXPECT_FALSE(Join(row.password));
    ASSERT_FALSE(ui.errors.empty());
    EXPECT_EQ(ui.errors.back(), row.authenticationFails
                                    ? msg::kPartNotAuthentic251(PartPath(1)).Chinese()
                                    : std::string(msg::kWrongPassword231));
    EXPECT_TRUE(OutputIsEmpty());
  }
}

TEST_F(EncryptedSetTest, ResplitWritesOnlyWhatTheSourceProves) {
  Make(test::RandomBytes(450000, 5), true);
  const Bytes part1 = test::ReadBytes(PartPath(1));
  std::filesystem::remove(PartPath(1));

  ui = test::RecordingEvents();
  EXPECT_FALSE(Resplit(std::vector<int>{1}, "wrong", dir / "movie.avi"));
  EXPECT_EQ(ui.errors, std::vector<std::string>{std::string(msg::kWrongPassword231)});
  EXPECT_FALSE(std::filesystem::exists(PartPath(1)));

  Bytes changed = content;
  changed[static_cast<size_t>(*PlainSize(split.parts[0].Size, kSealedChunkBytes)) + 10] ^= 1;
  test::WriteBytes(dir / "changed.avi", changed);
  ui = test::RecordingEvents();
  EXPECT_FALSE(Resplit(std::vector<int>{1}, kPassword, dir / "changed.avi"));
  EXPECT_EQ(ui.errors, (std::vector<std::string>{std::string(msg::kPasswordOrSourceWrong),
                                                 std::string(msg::kResplitFailed311)}));
  EXPECT_FALSE(std::filesystem::exists(PartPath(1)));

  ui = test::RecordingEvents();
  EXPECT_TRUE(Resplit(std::vector<int>{1}, kPassword, dir / "movie.avi"));
  EXPECT_EQ(test::ReadBytes(PartPath(1)), part1);
}

TEST_F(EncryptedSetTest, DefinitionKeepsItsParametersBehindTheRecords) {
  Make(test::RandomBytes(1000), true);
  ASSERT_TRUE(loaded.header.Encryption);
  EXPECT_EQ(loaded.header.Encryption->chunkSize, kSealedChunkBytes);
  EXPECT_TRUE(loaded.header.Protected);
  // The records alone, as a reader of the older kinds reads them, and the block after.
  DefinitionHeader withoutBlock = split.header;
  withoutBlock.Encryption.reset();
  const Bytes records = EncodeDefinition(withoutBlock, split.parts);
  const Bytes whole = test::ReadBytes(definition);
  EXPECT_EQ(whole.size(), records.size() + kEncryptionBlockBytes);
  EXPECT_TRUE(std::equal(records.begin(), records.end(), whole.begin()));

  test::WriteBytes(definition, records);
  try {
    ReadDefinition(definition, pendants);
    ADD_FAILURE() << "a sealed set without its parameters was read";
  } catch (const KivoraError& e) {
    EXPECT_EQ(e.what(), std::string(msg::kBadEncryptionBlock217));
  }
}

TEST(SealedPayload, PiecesAndThreadsSealAlikeAndOnlyTheWholeInOrderOpens) {
  const SetCipher cipher = SetCipher::ForNewSet("pw");
  const std::int64_t c = kSealedChunkBytes;
  HelperThread helper;
  const auto seal = [&](const Bytes& plain, size_t piece, HelperThread* h, int part = 0) {
    PayloadSealer sealer(cipher, part, static_cast<std::int64_t>(plain.size()), h);
    Bytes out;
    for (size_t at = 0; at < plain.size(); at += piece) {
      const auto s = sealer.Seal(std::span(plain).subspan(at, std::min(piece, plain.size() - at)));
      out.insert(out.end(), s.begin(), s.end());
    }
    const auto s = sealer.Finish();
    out.insert(out.end(), s.begin(), s.end());
    return out;
  };
  const auto open = [&](const Bytes& sealed, size_t piece, int part = 0) {
    PayloadOpener opener(cipher, part, static_cast<std::int64_t>(sealed.size()), &helper);
    Bytes out;
    for (size_t at = 0; at < sealed.size(); at += piece) {
      const auto s =
          opener.Open(std::span(sealed).subspan(at, std::min(piece, sealed.size() - at)));
      out.insert(out.end(), s.begin(), s.end());
    }
    return opener.Authentic() ? std::optional(out) : std::nullopt;
  };
  for (const std::int64_t size : {std::int64_t{0}, std::int64_t{1}, c - 1, c, c + 1, 3 * c + 5}) {
    SCOPED_TRACE(size);
    const Bytes plain = test::RandomBytes(static_cast<size_t>(size), 9);
    const Bytes sealed = seal(plain, 1 << 20, nullptr);
    EXPECT_EQ(seal(plain, 1000, &helper), sealed);
    EXPECT_EQ(static_cast<std::int64_t>(sealed.size()), SealedSize(size, kSealedChunkBytes));
    EXPECT_EQ(PlainSize(static_cast<std::int64_t>(sealed.size()), kSealedChunkBytes), size);
    EXPECT_EQ(open(sealed, 777), plain);
  }

  const Bytes sealed = seal(test::RandomBytes(static_cast<size_t>(3 * c + 5), 9), 1 << 20, nullptr);
  const auto chunk = static_cast<size_t>(c + kSealTagBytes);
  Bytes cut(sealed.begin(), sealed.begin() + static_cast<std::ptrdiff_t>(2 * chunk));
  EXPECT_FALSE(open(cut, 4096));  // two whole chunks, but not the last ones
  Bytes swapped = sealed;
  std::swap_ranges(swapped.begin(), swapped.begin() + static_cast<std::ptrdiff_t>(chunk),
                   swapped.begin() + static_cast<std::ptrdiff_t>(chunk));
  EXPECT_FALSE(open(swapped, 4096));
  EXPECT_FALSE(open(sealed, 4096, 1));  // another part's place
  EXPECT_FALSE(
      PlainSize(c + kSealTagBytes + 5, kSealedChunkBytes));  // a last chunk without its tag
}

}  // namespace
}  // namespace kivora
