#include <gtest/gtest.h>
#include <libdeflate.h>
#include <sodium.h>

#include <memory>

#include "core/KivoraError.h"
#include "core/format/DefinitionReader.h"
#include "core/format/DefinitionWriter.h"
#include "core/io/Crc32.h"
#include "core/operations/JoinOperation.h"
#include "core/operations/ResplitOperation.h"
#include "core/operations/TestOperation.h"
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
  bool Join(const std::string& password, bool requireEncryption = false) {
    JoinRequest request;
    request.definitionPath = definition;
    request.outputFolder = out;
    request.password = password;
    request.requireEncryption = requireEncryption;
    return RunJoin(test::With(request, loaded), pendants, ui).completed;
  }
  bool Resplit(std::optional<std::vector<int>> selected, const std::string& password,
               const std::filesystem::path& source) {
    ResplitRequest request;
    request.definitionPath = definition;
    request.source = source;
    request.selected = std::move(selected);
    request.password = password;
    return RunResplit(test::With(request, loaded), pendants, ui).completed;
  }
  // Records part i's checksums as the file is now, in the loaded definition and, when
  // asked, in the file (where the MAC then no longer matches).
  void ForgeChecksums(size_t i, bool inFile = true) {
    PartRecord& rec = split.parts[i];
    rec.PartCrc = StreamCrc32(test::ReadBytes(PartPath(i)));
    rec.Crc = SealedRecordCrc(StreamCrc32(Payload(i)));
    loaded.parts[i] = rec;
    if (inFile) Rewrite();
  }
  // Writes the definition as split.header and split.parts now say, with the MAC the
  // split computed.
  void Rewrite() {
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
    const TestOutcome tested =
        RunTest({.definitionPath = definition, .loaded = loaded}, pendants, ui);
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
    ForgeChecksums(1, false);
  };
  struct Row {
    const char* what;
    std::function<void()> tamper;
    std::string password;
    std::optional<std::string> error;  // none: part 1 fails its tags (251)
  };
  const Row rows[] = {
      {"wrong password", {}, "wrong", msg::kWrongPassword231().Chinese()},
      {"flipped byte, joined anyway",
       [&] {
         flip();
         ui.answers = {Answer::Yes};
       },
       kPassword, std::nullopt},
      // Forged checksums in the file fail the definition's MAC; the chunks' tags catch
      // them where only the definition read into memory was forged.
      {"flipped byte, checksums forged",
       [&] {
         flip();
         ForgeChecksums(1);
       },
       kPassword, msg::kDefinitionNotAuthentic252().Chinese()},
      {"flipped byte, checksums forged in memory",
       [&] {
         flip();
         ForgeChecksums(1, false);
       },
       kPassword, std::nullopt},
      {"part of another set, checksums forged in memory", swapInOtherSet, kPassword, std::nullopt},
      {"protection flag cleared",
       [&] {
         split.header.Protected = false;
         test::WriteBytes(definition, EncodeDefinition(split.header, split.parts));
       },
       kPassword, msg::kDefinitionNotAuthentic252().Chinese()},
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
    EXPECT_EQ(ui.errors.back(),
              row.error.value_or(msg::kPartNotAuthentic251(PartPath(1)).Chinese()));
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
  EXPECT_EQ(ui.errors,
            std::vector<std::string>{
                msg::kLineThenLine(msg::kResplitFailed311, msg::kPasswordOrSourceWrong).Chinese()});
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
  EXPECT_EQ(whole.size(), records.size() + kAuthenticatedBlockBytes);
  EXPECT_TRUE(std::equal(records.begin(), records.end(), whole.begin()));

  // Without its block, or with bytes behind its MAC, the definition is refused.
  Bytes longer = whole;
  longer.push_back(0);
  for (const Bytes& bytes : {records, longer}) {
    test::WriteBytes(definition, bytes);
    try {
      ReadDefinition(definition, pendants);
      ADD_FAILURE() << "a sealed set's definition was read without its whole block";
    } catch (const KivoraError& e) {
      EXPECT_EQ(e.what(), std::string(msg::kBadEncryptionBlock217));
    }
  }
}

TEST_F(EncryptedSetTest, AnEditedDefinitionIsRefusedBeforeAnythingIsWritten) {
  const std::string notAuthentic = msg::kDefinitionNotAuthentic252().Chinese();
  struct Row {
    const char* what;
    std::function<void()> edit;
    std::string error;
  };
  const Row rows[] = {
      {"source name", [this] { split.header.SourceName = "x.exe"; }, notAuthentic},
      {"comment", [this] { split.header.Comment = "edited"; }, notAuthentic},
      {"a part's size", [this] { split.parts[0].Size -= 1; }, notAuthentic},
      {"the last part dropped",
       [this] {
         split.header.SourceSize -= *PlainSize(split.parts.back().Size, kSealedChunkBytes);
         split.header.PartCount -= 1;
         std::filesystem::remove(PartPath(split.parts.size() - 1));
         split.parts.pop_back();
       },
       notAuthentic},
      // Relabelled as the first block version, which has no MAC: its keys differ.
      {"MAC dropped", [this] { split.header.Encryption->version = 1; },
       msg::kWrongPassword231().Chinese()},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::filesystem::remove_all(dir.path());
    std::filesystem::create_directories(dir.path());
    Make(test::RandomBytes(450000, 5), true);
    row.edit();
    Rewrite();
    out = dir / "made";  // --mkdir: made only once the set proves itself
    ui = test::RecordingEvents();
    ui.answers = {Answer::Yes, Answer::Yes};
    EXPECT_FALSE(Join(kPassword));
    EXPECT_EQ(ui.errors, std::vector<std::string>{row.error});
    EXPECT_FALSE(std::filesystem::exists(out));

    ui = test::RecordingEvents();
    EXPECT_FALSE(
        RunTest({.definitionPath = definition, .loaded = loaded, .password = SecretText(kPassword)},
                pendants, ui)
            .ran);
    EXPECT_EQ(ui.errors, std::vector<std::string>{row.error});

    ui = test::RecordingEvents();
    ui.answers = {Answer::Yes, Answer::Yes};
    EXPECT_FALSE(Resplit(std::nullopt, kPassword, dir / "movie.avi"));
    EXPECT_EQ(ui.errors, std::vector<std::string>{row.error});
  }
}

TEST_F(EncryptedSetTest, TestGivenThePasswordOpensEveryChunk) {
  Make(test::RandomBytes(450000, 5), true);
  EXPECT_FALSE(
      RunTest({.definitionPath = definition, .loaded = loaded}, pendants, ui).authenticated);
  const TestOutcome proved =
      RunTest({.definitionPath = definition, .loaded = loaded, .password = SecretText(kPassword)},
              pendants, ui);
  EXPECT_TRUE(proved.authenticated);
  EXPECT_EQ(proved.findings, std::set<PartTestResult>{PartTestResult::Ok});

  // A changed part whose checksums a forger recorded passes the checksums alone.
  Bytes part = test::ReadBytes(PartPath(1));
  part[part.size() - 100] ^= 0x01;
  test::WriteBytes(PartPath(1), part);
  ForgeChecksums(1, false);
  const SetCipher cipher(kPassword, *loaded.header.Encryption);
  IoBuffer buffer;
  EXPECT_EQ(TestPart(loaded, 1, PartPath(1), buffer), PartTestResult::Ok);
  EXPECT_EQ(TestPart(loaded, 1, PartPath(1), buffer, {}, &cipher), PartTestResult::Corrupt);
}

// Keys as the format's description derives them, with libsodium alone.
std::array<std::uint8_t, 32> DocumentedSubkey(std::string_view password, const EncryptionParams& p,
                                              std::uint64_t id, const char* context) {
  std::array<std::uint8_t, 32> master{}, key{};
  EXPECT_EQ(crypto_pwhash(master.data(), 32, password.data(), password.size(), p.salt.data(),
                          p.opsLimit, p.memLimit, crypto_pwhash_ALG_ARGON2ID13),
            0);
  crypto_kdf_derive_from_key(key.data(), 32, id, context, master.data());
  return key;
}

TEST_F(EncryptedSetTest, KeysAndMacAreAsDocumentedWithTheNormalisedPassword) {
  const std::string composed = "caf\xC3\xA9";     // é as one code point (NFC)
  const std::string decomposed = "cafe\xCC\x81";  // e and a combining accent (NFD)
  Make(test::RandomBytes(1000, 5), true, [&](SplitRequest& s) { s.password = decomposed; });
  const EncryptionParams& p = *loaded.header.Encryption;
  EXPECT_EQ(DocumentedSubkey(composed, p, 2, "KvrSeal2"), p.check);
  const auto macKey = DocumentedSubkey(composed, p, 3, "KvrSeal2");
  const Bytes stored = test::ReadBytes(definition);
  std::array<std::uint8_t, 32> mac{};
  crypto_generichash(mac.data(), 32, stored.data(), stored.size() - 32, macKey.data(), 32);
  EXPECT_TRUE(std::equal(mac.begin(), mac.end(), stored.end() - 32));
  EXPECT_TRUE(Join(composed));
  EXPECT_THROW(SetCipher("\xFF", p), KivoraError);  // not UTF-8
}

TEST_F(EncryptedSetTest, SetsOfTheFirstBlockVersionStillJoin) {
  // One plain part of one chunk, sealed as the first version describes it.
  const Bytes plain = test::RandomBytes(1000, 3);
  DefinitionHeader h;
  h.CipherKind = kSealedCipher;
  h.Protected = true;
  h.SourceName = "movie.avi";
  h.SourceSize = 1000;
  h.PartCount = 1;
  EncryptionParams& p =
      h.Encryption.emplace(EncryptionParams{.version = 1,
                                            .opsLimit = test::kQuickKeyCost.opsLimit,
                                            .memLimit = test::kQuickKeyCost.memLimit,
                                            .chunkSize = kSealedChunkBytes});
  randombytes_buf(p.salt.data(), p.salt.size());
  p.check = DocumentedSubkey(kPassword, p, 2, "KvrSeal1");
  const auto key = DocumentedSubkey(kPassword, p, 1, "KvrSeal1");
  Bytes data(p.salt.begin(), p.salt.end());
  data.resize(16 + 4 + 8, 0);  // part 0, chunk 0
  std::array<std::uint8_t, 24> nonce{};
  crypto_generichash(nonce.data(), nonce.size(), data.data(), data.size(), nullptr, 0);
  data.push_back(1);  // the part's last chunk
  Bytes sealed(plain.size() + kSealTagBytes);
  crypto_aead_xchacha20poly1305_ietf_encrypt(sealed.data(), nullptr, plain.data(), plain.size(),
                                             data.data(), data.size(), nullptr, nonce.data(),
                                             key.data());
  test::WriteBytes(dir / "movie.001", sealed);
  const PartRecord record{"movie.001", static_cast<std::int32_t>(sealed.size()),
                          SealedRecordCrc(StreamCrc32(sealed))};
  definition = dir / "movie.kvr";
  test::WriteBytes(definition, EncodeDefinition(h, std::span(&record, 1)));
  loaded = ReadDefinition(definition, pendants);
  out = dir / "out";
  std::filesystem::create_directories(out);

  EXPECT_EQ(ProtectionText(loaded.header).Chinese(), msg::kPasswordEncryptsUnsigned().Chinese());
  EXPECT_FALSE(Join(kPassword, true));
  ASSERT_TRUE(Join(kPassword));
  EXPECT_EQ(test::ReadBytes(out / "movie.avi"), plain);
  EXPECT_EQ(ui.warnings,
            std::vector<std::string>{std::string(msg::kDefinitionNotAuthenticatedNote)});
}

TEST(SealedPayload, PiecesAndThreadsSealAlikeAndOnlyTheWholeInOrderOpens) {
  const SetCipher cipher = SetCipher::ForNewSet("pw", test::kQuickKeyCost);
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
