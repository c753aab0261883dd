#include "core/format/RecoveryFormat.h"

#include <algorithm>
#include <cstdio>

#include "core/KivoraError.h"
#include "core/io/Crc32.h"
#include "core/io/File.h"
#include "core/io/LittleEndian.h"
#include "core/text/Messages.h"

namespace kivora {
namespace {

constexpr std::uint8_t kImplantedFlag = 1;
constexpr std::uint8_t kDisguisedFlag = 2;

class Writer {
 public:
  template <typename T>
  void Int(T value) {
    AppendLittleEndian(out, value);
  }
  void Bytes(std::string_view s) { out.insert(out.end(), s.begin(), s.end()); }
  void Text(std::string_view s) {
    Int<std::uint16_t>(static_cast<std::uint16_t>(s.size()));
    Bytes(s);
  }
  std::vector<std::uint8_t> out;
};

class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> data) : data_(data) {}
  bool ok = true;
  size_t pos = 0;

  template <typename T>
  T Int() {
    if (!Need(sizeof(T))) return 0;
    const T v = LoadLittleEndian<T>(data_, pos);
    pos += sizeof(T);
    return v;
  }
  std::string Text() {
    const size_t n = Int<std::uint16_t>();
    if (n > kMaxRecoveryNameBytes || !Need(n)) {
      ok = false;
      return {};
    }
    std::string s(reinterpret_cast<const char*>(data_.data() + pos), n);
    pos += n;
    return s;
  }
  std::string_view Raw(size_t n) {
    if (!Need(n)) return {};
    std::string_view s(reinterpret_cast<const char*>(data_.data() + pos), n);
    pos += n;
    return s;
  }

 private:
  bool Need(size_t n) {
    if (ok && data_.size() - pos >= n) return true;
    ok = false;
    return false;
  }
  std::span<const std::uint8_t> data_;
};

int DivideUp(std::int64_t a, std::int64_t b) { return static_cast<int>((a + b - 1) / b); }

}  // namespace

int RecoveryPlan::GroupOf(int part) const {
  const auto it = std::upper_bound(groups.begin(), groups.end(), part,
                                   [](int p, const RecoveryGroup& g) { return p < g.firstPart; });
  return static_cast<int>(it - groups.begin()) - 1;
}

std::vector<RecoveryGroup> SplitIntoGroups(int partCount, int groupCount) {
  std::vector<RecoveryGroup> groups;
  if (partCount <= 0 || groupCount <= 0) return groups;
  const int base = partCount / groupCount;
  const int larger = partCount % groupCount;  // groups that take one part more
  int first = 0;
  for (int g = 0; g < groupCount; ++g) {
    const int size = base + (g < larger ? 1 : 0);
    groups.push_back({first, size});
    first += size;
  }
  return groups;
}

RecoveryPlan PlanRecovery(int partCount, const RecoveryAmount& amount) {
  if (amount.count < 0 || amount.count > kMaxRecoveryPerGroup || amount.percent < 0 ||
      amount.percent > 100) {
    throw KivoraError(msg::kRecoveryAmountInvalid);
  }
  RecoveryPlan plan;
  if (partCount <= 0 || !amount.Any()) return plan;
  int maxGroup = kMaxGroupShards - amount.count;
  if (amount.count == 0) {
    maxGroup = kMaxShareGroupShards;
    while (maxGroup + DivideUp(std::int64_t{maxGroup} * amount.percent, 100) >
           kMaxShareGroupShards) {
      --maxGroup;
    }
  }
  plan.groups = SplitIntoGroups(partCount, DivideUp(partCount, maxGroup));
  const int biggest = plan.groups.front().partCount;
  plan.perGroup =
      amount.count > 0 ? amount.count : DivideUp(std::int64_t{biggest} * amount.percent, 100);
  return plan;
}

bool PlanIsPossible(int partCount, std::uint32_t groupCount, int perGroup) {
  if (partCount <= 0 || groupCount == 0 || groupCount > static_cast<std::uint32_t>(partCount) ||
      perGroup < 1 || perGroup > kMaxRecoveryPerGroup) {
    return false;
  }
  const auto matches = [&](const RecoveryAmount& amount) {
    const RecoveryPlan plan = PlanRecovery(partCount, amount);
    return plan.perGroup == perGroup && plan.groups.size() == groupCount;
  };
  if (matches({perGroup, 0})) return true;
  for (int percent = 1; percent <= 100; ++percent) {
    if (matches({0, percent})) return true;
  }
  return false;
}

RecoveryNaming MakeRecoveryNaming(std::string_view baseName, std::string_view extension,
                                  int recoveryCount, bool numberFromOne) {
  RecoveryNaming n;
  n.prefix = std::string(baseName) + "_rec";
  n.suffix = "." + std::string(extension);
  n.width = std::max(2, static_cast<int>(std::to_string(recoveryCount).size()));
  n.firstNumber = numberFromOne ? 1 : 0;
  return n;
}

std::string RecoveryFileName(const RecoveryNaming& n, int index) {
  char number[32];
  std::snprintf(number, sizeof number, "%.*d", n.width, index + n.firstNumber);
  return n.prefix + number + n.suffix;
}

bool LooksLikeRecoveryName(std::string_view name) {
  const size_t rec = name.rfind("_rec");
  if (rec == std::string_view::npos) return false;
  size_t i = rec + 4;
  const size_t digitsStart = i;
  while (i < name.size() && name[i] >= '0' && name[i] <= '9') ++i;
  return i > digitsStart && i < name.size() && name[i] == '.';
}

bool RecoveryHeader::SameSet(const RecoveryHeader& o) const {
  return definitionCrc == o.definitionCrc && sourceName == o.sourceName &&
         sourceSize == o.sourceSize && implanted == o.implanted && disguised == o.disguised &&
         definitionName == o.definitionName && partCount == o.partCount &&
         groupCount == o.groupCount && perGroup == o.perGroup && naming == o.naming &&
         definitionLength == o.definitionLength;
}

std::uint64_t RecoveryStripeLength(std::uint64_t shardLength) {
  const std::uint64_t units = StripeCount(shardLength, kRecoveryStripeUnit);
  return std::max<std::uint64_t>(1, StripeCount(units, kMaxRecoveryStripes)) * kRecoveryStripeUnit;
}

std::uint64_t StripeCount(std::uint64_t length, std::uint64_t stripeLength) {
  return length / stripeLength + (length % stripeLength != 0 ? 1 : 0);
}

std::vector<std::uint8_t> EncodeRecoveryHeader(const RecoveryHeader& h) {
  Writer w;
  w.Bytes(h.version == 1   ? kRecoveryHeaderMagic
          : h.version == 2 ? kRecoveryHeaderMagic2
                           : kRecoveryHeaderMagic3);
  w.Int<std::uint32_t>(0);  // header length, set below
  w.Int<std::uint32_t>(h.definitionCrc);
  w.Int<std::uint64_t>(h.sourceSize);
  w.Int<std::uint8_t>((h.implanted ? kImplantedFlag : 0) | (h.disguised ? kDisguisedFlag : 0));
  w.Int<std::uint8_t>(0);
  w.Int<std::uint16_t>(h.perGroup);
  w.Int<std::uint16_t>(h.index);
  w.Int<std::uint16_t>(static_cast<std::uint16_t>(h.covered.size()));
  w.Int<std::uint32_t>(h.partCount);
  w.Int<std::uint32_t>(h.groupCount);
  w.Int<std::uint32_t>(h.group);
  w.Int<std::uint32_t>(h.firstPart);
  w.Int<std::uint64_t>(h.shardLength);
  w.Int<std::uint32_t>(h.shardCrc);
  w.Int<std::uint64_t>(h.definitionLength);
  w.Int<std::uint8_t>(static_cast<std::uint8_t>(h.naming.width));
  w.Int<std::uint8_t>(static_cast<std::uint8_t>(h.naming.firstNumber));
  if (h.version != 1) w.Int<std::uint32_t>(h.pendantCrc);
  if (h.version >= 3) w.Int<std::uint64_t>(h.stripeLength);
  w.Text(h.sourceName);
  w.Text(h.definitionName);
  w.Text(h.naming.prefix);
  w.Text(h.naming.suffix);
  for (const CoveredFile& c : h.covered) {
    w.Int<std::uint64_t>(c.length);
    w.Int<std::uint32_t>(c.crc);
  }
  if (h.version >= 3) {
    for (const auto& stripes : h.coveredStripes)
      for (const std::uint32_t crc : stripes) w.Int<std::uint32_t>(crc);
    for (const std::uint32_t crc : h.shardStripes) w.Int<std::uint32_t>(crc);
  }
  const auto length = static_cast<std::uint32_t>(w.out.size() + 4);
  for (int i = 0; i < 4; ++i)
    w.out[8 + static_cast<size_t>(i)] = static_cast<std::uint8_t>(length >> (8 * i));
  w.Int<std::uint32_t>(StreamCrc32(w.out));
  return std::move(w.out);
}

std::optional<RecoveryHeader> DecodeRecoveryHeader(std::span<const std::uint8_t> bytes) {
  Reader r(bytes);
  RecoveryHeader h;
  const std::string_view magic = r.Raw(kRecoveryHeaderMagic.size());
  if (magic == kRecoveryHeaderMagic) {
    h.version = 1;
  } else if (magic == kRecoveryHeaderMagic2) {
    h.version = 2;
  } else if (magic != kRecoveryHeaderMagic3) {
    return std::nullopt;
  }
  const std::uint32_t length = r.Int<std::uint32_t>();
  if (!r.ok || length < 16 || length > bytes.size()) return std::nullopt;
  const auto body = bytes.first(length - 4);
  Reader crc(bytes.subspan(length - 4, 4));
  if (StreamCrc32(body) != crc.Int<std::uint32_t>()) return std::nullopt;

  h.definitionCrc = r.Int<std::uint32_t>();
  h.sourceSize = r.Int<std::uint64_t>();
  const auto flags = r.Int<std::uint8_t>();
  h.implanted = (flags & kImplantedFlag) != 0;
  h.disguised = (flags & kDisguisedFlag) != 0;
  const auto reserved = r.Int<std::uint8_t>();
  if ((flags & ~(kImplantedFlag | kDisguisedFlag)) != 0 || reserved != 0) return std::nullopt;
  h.perGroup = r.Int<std::uint16_t>();
  h.index = r.Int<std::uint16_t>();
  const int k = r.Int<std::uint16_t>();
  h.partCount = r.Int<std::uint32_t>();
  h.groupCount = r.Int<std::uint32_t>();
  h.group = r.Int<std::uint32_t>();
  h.firstPart = r.Int<std::uint32_t>();
  h.shardLength = r.Int<std::uint64_t>();
  h.shardCrc = r.Int<std::uint32_t>();
  h.definitionLength = r.Int<std::uint64_t>();
  h.naming.width = r.Int<std::uint8_t>();
  h.naming.firstNumber = r.Int<std::uint8_t>();
  if (h.version != 1) h.pendantCrc = r.Int<std::uint32_t>();
  if (h.version >= 3) h.stripeLength = r.Int<std::uint64_t>();
  h.sourceName = r.Text();
  h.definitionName = r.Text();
  h.naming.prefix = r.Text();
  h.naming.suffix = r.Text();
  if (!r.ok || k < 1 || h.perGroup < 1 || k + h.perGroup > kMaxGroupShards ||
      h.index >= h.perGroup || h.group >= h.groupCount || h.groupCount > h.partCount ||
      h.partCount > kMaxRecoveryPartCount ||
      std::uint64_t{h.firstPart} + static_cast<std::uint64_t>(k) > h.partCount ||
      h.naming.width < 1 || h.naming.width > 10 || h.naming.firstNumber > 1) {
    return std::nullopt;
  }
  std::uint64_t longest = 0;
  h.covered.resize(static_cast<size_t>(k));
  for (CoveredFile& c : h.covered) {
    c.length = r.Int<std::uint64_t>();
    c.crc = r.Int<std::uint32_t>();
    longest = std::max(longest, c.length);
  }
  if (!r.ok || longest != h.shardLength) return std::nullopt;
  if (h.version >= 3) {
    // The stripe length follows from the shard's: counts below are bounded by it.
    if (h.stripeLength != RecoveryStripeLength(h.shardLength)) return std::nullopt;
    const auto readStripes = [&](std::uint64_t covered) {
      std::vector<std::uint32_t> crcs(StripeCount(covered, h.stripeLength));
      for (std::uint32_t& stripeCrc : crcs) stripeCrc = r.Int<std::uint32_t>();
      return crcs;
    };
    for (const CoveredFile& c : h.covered) h.coveredStripes.push_back(readStripes(c.length));
    h.shardStripes = readStripes(h.shardLength);
  }
  if (!r.ok || r.pos != body.size()) return std::nullopt;
  return h;
}

std::array<std::uint8_t, kRecoveryTrailerBytes> RecoveryTrailer(std::uint64_t headerOffset) {
  std::array<std::uint8_t, kRecoveryTrailerBytes> t{};
  for (size_t i = 0; i < 8; ++i) t[i] = static_cast<std::uint8_t>(headerOffset >> (8 * i));
  std::copy(kRecoveryTrailerMagic.begin(), kRecoveryTrailerMagic.end(), t.begin() + 8);
  return t;
}

std::optional<RecoveryFileInfo> ReadRecoveryInfo(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
  try {
    File file = File::OpenRead(path);
    const auto size = static_cast<std::uint64_t>(file.Size());
    if (size < kRecoveryTrailerBytes) return std::nullopt;
    std::array<std::uint8_t, kRecoveryTrailerBytes> trailer{};
    file.Seek(static_cast<std::int64_t>(size - kRecoveryTrailerBytes));
    file.ReadExact(trailer);
    Reader t(trailer);
    const std::uint64_t offset = t.Int<std::uint64_t>();
    if (t.Raw(8) != kRecoveryTrailerMagic || offset > size - kRecoveryTrailerBytes) {
      return std::nullopt;
    }
    // Read the fixed part first to learn the header's length, then the whole header.
    std::vector<std::uint8_t> head(12);
    if (size - kRecoveryTrailerBytes - offset < head.size()) return std::nullopt;
    file.Seek(static_cast<std::int64_t>(offset));
    file.ReadExact(head);
    Reader h(head);
    const std::string_view magic = h.Raw(8);
    if (magic != kRecoveryHeaderMagic && magic != kRecoveryHeaderMagic2 &&
        magic != kRecoveryHeaderMagic3)
      return std::nullopt;
    const std::uint32_t length = h.Int<std::uint32_t>();
    if (length < head.size() || length > size - kRecoveryTrailerBytes - offset) return std::nullopt;
    head.resize(length);
    file.ReadExact(std::span(head).subspan(12));
    std::optional<RecoveryHeader> header = DecodeRecoveryHeader(head);
    if (!header) return std::nullopt;
    if (header->shardLength > size || header->definitionLength > size) return std::nullopt;
    RecoveryFileInfo info;
    info.headerOffset = offset;
    info.headerLength = length;
    info.shardOffset = offset + length;
    info.definitionOffset = info.shardOffset + header->shardLength;
    if (info.definitionOffset < info.shardOffset ||
        info.definitionOffset + header->definitionLength + kRecoveryTrailerBytes != size) {
      return std::nullopt;
    }
    info.header = std::move(*header);
    return info;
  } catch (const KivoraError&) {
    return std::nullopt;
  }
}

}  // namespace kivora
