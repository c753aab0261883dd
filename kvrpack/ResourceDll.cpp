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
  StoreLittleEndian<std::uint16_t>(out, 0x00, 0x5A4D);  // "MZ"
  StoreLittleEndian<std::uint16_t>(out, 0x02, 0x0090);  // bytes on the last 512-byte page
  StoreLittleEndian<std::uint16_t>(out, 0x04, 0x0003);  // pages
  StoreLittleEndian<std::uint16_t>(out, 0x08, 0x0004);  // header size in 16-byte paragraphs
  StoreLittleEndian<std::uint16_t>(out, 0x0C, 0xFFFF);  // maximum extra paragraphs
  StoreLittleEndian<std::uint16_t>(out, 0x10, 0x00B8);  // initial SP
  StoreLittleEndian<std::uint16_t>(out, 0x18,
                                   0x0040);  // relocation table offset: a new-style executable
  StoreLittleEndian<std::uint32_t>(out, 0x3C, static_cast<std::uint32_t>(kPeHeader));
}

void WriteCoffHeader(Bytes& out) {
  StoreLittleEndian<std::uint32_t>(out, kPeHeader, 0x00004550);  // "PE\0\0"
  StoreLittleEndian<std::uint16_t>(out, kCoffHeader + 0, kMachineI386);
  StoreLittleEndian<std::uint16_t>(out, kCoffHeader + 2, 1);  // sections
  // Time stamp, symbol table and symbol count stay 0.
  StoreLittleEndian<std::uint16_t>(out, kCoffHeader + 16,
                                   static_cast<std::uint16_t>(kOptionalHeaderSize));
  StoreLittleEndian<std::uint16_t>(out, kCoffHeader + 18, kCharacteristics);
}

void WriteOptionalHeader(Bytes& out, std::uint32_t sectionSize, std::uint32_t rawSize) {
  const std::size_t h = kOptionalHeader;
  StoreLittleEndian<std::uint16_t>(out, h + 0, kPe32Magic);
  // Linker version, code size, uninitialized data, entry point and base of code stay 0.
  StoreLittleEndian<std::uint32_t>(out, h + 8, rawSize);       // initialized data
  StoreLittleEndian<std::uint32_t>(out, h + 24, kSectionRva);  // base of data
  StoreLittleEndian<std::uint32_t>(out, h + 28, kImageBase);
  StoreLittleEndian<std::uint32_t>(out, h + 32, kSectionAlignment);
  StoreLittleEndian<std::uint32_t>(out, h + 36, kFileAlignment);
  StoreLittleEndian<std::uint16_t>(out, h + 40, 4);  // operating system version 4.0
  StoreLittleEndian<std::uint16_t>(out, h + 48, 4);  // subsystem version 4.0
  StoreLittleEndian<std::uint32_t>(
      out, h + 56,
      static_cast<std::uint32_t>(kSectionRva + AlignUp(sectionSize, kSectionAlignment)));
  StoreLittleEndian<std::uint32_t>(out, h + 60, static_cast<std::uint32_t>(kHeadersSize));
  StoreLittleEndian<std::uint16_t>(out, h + 68, kSubsystemWindowsGui);
  StoreLittleEndian<std::uint16_t>(out, h + 70, kDllNxCompatible);
  StoreLittleEndian<std::uint32_t>(out, h + 72, 0x00100000);  // stack reserve
  StoreLittleEndian<std::uint32_t>(out, h + 76, 0x00001000);  // stack commit
  StoreLittleEndian<std::uint32_t>(out, h + 80, 0x00100000);  // heap reserve
  StoreLittleEndian<std::uint32_t>(out, h + 84, 0x00001000);  // heap commit
  StoreLittleEndian<std::uint32_t>(out, h + 92, static_cast<std::uint32_t>(kDataDirectoryCount));
  const std::size_t resourceDirectory = h + 96 + kResourceDirectoryIndex * 8;
  StoreLittleEndian<std::uint32_t>(out, resourceDirectory, kSectionRva);
  StoreLittleEndian<std::uint32_t>(out, resourceDirectory + 4, sectionSize);
}

void WriteSectionHeader(Bytes& out, std::uint32_t sectionSize, std::uint32_t rawSize) {
  const std::size_t s = kSectionTable;
  constexpr char kName[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
  std::copy(std::begin(kName), std::end(kName), out.begin() + static_cast<std::ptrdiff_t>(s));
  StoreLittleEndian<std::uint32_t>(out, s + 8, sectionSize);
  StoreLittleEndian<std::uint32_t>(out, s + 12, kSectionRva);
  StoreLittleEndian<std::uint32_t>(out, s + 16, rawSize);
  StoreLittleEndian<std::uint32_t>(out, s + 20, static_cast<std::uint32_t>(kHeadersSize));
  StoreLittleEndian<std::uint32_t>(out, s + 36, kResourceSectionFlags);
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
  StoreLittleEndian<std::uint32_t>(image, kChecksumOffset, PeChecksum(image, kChecksumOffset));
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
