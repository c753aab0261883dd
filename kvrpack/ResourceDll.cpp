#include "kvrpack/ResourceDll.h"

#include <algorithm>

namespace kvrpack {
namespace {

// Layout: a bare DOS header, the PE headers right after it, the section table, and the
// resource section at the first file-aligned offset, mapped one page above the base.
constexpr std::size_t kPeHeader = 0x40;  // no DOS stub program
constexpr std::size_t kCoffHeader = kPeHeader + 4;
constexpr std::size_t kOptionalHeader = kCoffHeader + 20;
constexpr std::size_t kDataDirectoryCount = 16;
constexpr std::size_t kOptionalHeaderSize = 96 + kDataDirectoryCount * 8;
constexpr std::size_t kSectionTable = kOptionalHeader + kOptionalHeaderSize;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kChecksumOffset = kOptionalHeader + 64;
constexpr std::size_t kResourceDirectoryIndex = 2;

constexpr std::uint32_t kFileAlignment = 0x200;
constexpr std::uint32_t kSectionAlignment = 0x1000;
constexpr std::uint32_t kSectionRva = kSectionAlignment;
constexpr std::uint32_t kImageBase = 0x10000000;
constexpr std::size_t kHeadersSize = AlignUp(kSectionTable + kSectionHeaderSize, kFileAlignment);

constexpr std::uint16_t kMachineI386 = 0x014C;
// Executable image, line numbers and local symbols stripped, 32-bit words, debug
// information stripped, DLL. Relocations are not marked stripped: with no code there is
// nothing to relocate, so the loader may map the image at any base.
constexpr std::uint16_t kCharacteristics = 0x0002 | 0x0004 | 0x0008 | 0x0100 | 0x0200 | 0x2000;
constexpr std::uint16_t kPe32Magic = 0x010B;
constexpr std::uint16_t kSubsystemWindowsGui = 2;
constexpr std::uint16_t kDllNxCompatible = 0x0100;
// Initialized data, readable.
constexpr std::uint32_t kResourceSectionFlags = 0x00000040 | 0x40000000;

void WriteDosHeader(Bytes& out) {
  PutU16(out, 0x00, 0x5A4D);  // "MZ"
  PutU16(out, 0x02, 0x0090);  // bytes on the last 512-byte page
  PutU16(out, 0x04, 0x0003);  // pages
  PutU16(out, 0x08, 0x0004);  // header size in 16-byte paragraphs
  PutU16(out, 0x0C, 0xFFFF);  // maximum extra paragraphs
  PutU16(out, 0x10, 0x00B8);  // initial SP
  PutU16(out, 0x18, 0x0040);  // relocation table offset: a new-style executable
  PutU32(out, 0x3C, static_cast<std::uint32_t>(kPeHeader));
}

void WriteCoffHeader(Bytes& out) {
  PutU32(out, kPeHeader, 0x00004550);  // "PE\0\0"
  PutU16(out, kCoffHeader + 0, kMachineI386);
  PutU16(out, kCoffHeader + 2, 1);  // sections
  // Time stamp, symbol table and symbol count stay 0.
  PutU16(out, kCoffHeader + 16, static_cast<std::uint16_t>(kOptionalHeaderSize));
  PutU16(out, kCoffHeader + 18, kCharacteristics);
}

void WriteOptionalHeader(Bytes& out, std::uint32_t sectionSize, std::uint32_t rawSize) {
  const std::size_t h = kOptionalHeader;
  PutU16(out, h + 0, kPe32Magic);
  // Linker version, code size, uninitialized data, entry point and base of code stay 0.
  PutU32(out, h + 8, rawSize);       // initialized data
  PutU32(out, h + 24, kSectionRva);  // base of data
  PutU32(out, h + 28, kImageBase);
  PutU32(out, h + 32, kSectionAlignment);
  PutU32(out, h + 36, kFileAlignment);
  PutU16(out, h + 40, 4);  // operating system version 4.0
  PutU16(out, h + 48, 4);  // subsystem version 4.0
  PutU32(out, h + 56,
         static_cast<std::uint32_t>(kSectionRva + AlignUp(sectionSize, kSectionAlignment)));
  PutU32(out, h + 60, static_cast<std::uint32_t>(kHeadersSize));
  PutU16(out, h + 68, kSubsystemWindowsGui);
  PutU16(out, h + 70, kDllNxCompatible);
  PutU32(out, h + 72, 0x00100000);  // stack reserve
  PutU32(out, h + 76, 0x00001000);  // stack commit
  PutU32(out, h + 80, 0x00100000);  // heap reserve
  PutU32(out, h + 84, 0x00001000);  // heap commit
  PutU32(out, h + 92, static_cast<std::uint32_t>(kDataDirectoryCount));
  const std::size_t resourceDirectory = h + 96 + kResourceDirectoryIndex * 8;
  PutU32(out, resourceDirectory, kSectionRva);
  PutU32(out, resourceDirectory + 4, sectionSize);
}

void WriteSectionHeader(Bytes& out, std::uint32_t sectionSize, std::uint32_t rawSize) {
  const std::size_t s = kSectionTable;
  constexpr char kName[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
  std::copy(std::begin(kName), std::end(kName), out.begin() + static_cast<std::ptrdiff_t>(s));
  PutU32(out, s + 8, sectionSize);
  PutU32(out, s + 12, kSectionRva);
  PutU32(out, s + 16, rawSize);
  PutU32(out, s + 20, static_cast<std::uint32_t>(kHeadersSize));
  PutU32(out, s + 36, kResourceSectionFlags);
}

}  // namespace

Bytes WriteResourceDll(std::span<const ResourceType> types, std::uint16_t language) {
  const Bytes section = LayOutResourceSection(types, language, kSectionRva);
  // LayOutResourceSection keeps RVAs below 2^31, so these sizes fit 32 bits.
  const auto sectionSize = static_cast<std::uint32_t>(section.size());
  const auto rawSize = static_cast<std::uint32_t>(AlignUp(section.size(), kFileAlignment));

  Bytes image(kHeadersSize + rawSize, 0);
  WriteDosHeader(image);
  WriteCoffHeader(image);
  WriteOptionalHeader(image, sectionSize, rawSize);
  WriteSectionHeader(image, sectionSize, rawSize);
  std::copy(section.begin(), section.end(), image.begin() + kHeadersSize);
  PutU32(image, kChecksumOffset, PeChecksum(image, kChecksumOffset));
  return image;
}

std::uint32_t PeChecksum(std::span<const std::uint8_t> image, std::size_t checksumOffset) {
  std::uint64_t sum = 0;
  for (std::size_t at = 0; at < image.size(); at += 2) {
    if (at >= checksumOffset && at < checksumOffset + 4) continue;
    const std::uint32_t low = image[at];
    const std::uint32_t high = at + 1 < image.size() ? image[at + 1] : 0;
    sum += low | (high << 8);
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint32_t>(sum + image.size());
}

}  // namespace kvrpack
