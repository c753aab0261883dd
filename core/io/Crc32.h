#pragma once
// The standard CRC-32 (reflected 0xEDB88320, init and final XOR 0xFFFFFFFF), the
// checksum of every file format here.

#include <cstdint>
#include <filesystem>
#include <span>

namespace kivora {

// CRC-32 of a whole buffer; 0 for an empty one.
std::uint32_t StreamCrc32(std::span<const std::uint8_t> data);
// Continues a CRC-32: pass the previous result (0 to start).
std::uint32_t Crc32Update(std::uint32_t crc, std::span<const std::uint8_t> data);
// CRC-32 of the concatenation A + B from crcA, crcB and the length of B (zlib's
// crc32_combine): lets a checksum be derived without another pass over the data.
std::uint32_t Crc32Combine(std::uint32_t crcA, std::uint32_t crcB, std::uint64_t lengthB);
// CRC-32 of `length` zero bytes.
std::uint32_t Crc32OfZeros(std::uint64_t length);

// CRC-32 of a whole file, read in chunks. 0 for an empty file or one whose content
// cannot be read; throws KivoraError when the file cannot be opened at all.
std::uint32_t FileCrc32(const std::filesystem::path& path);

}  // namespace kivora
