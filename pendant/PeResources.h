#pragma once
// A reader of the resource section of a Windows PE file (a plug-in DLL) held in
// memory. The file is never loaded or run: the headers are decoded by hand and every
// offset and size is checked against the bytes given. Only what Kivora uses is
// indexed: the pictures (type "KVR", integer ids) and the string table (type 6).

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace kivora::pendant {

class PeParseResult;

// The indexed resources of one PE image. Like std::span, it refers into the image it
// was parsed from, which must outlive it.
class PeResources {
 public:
  // Resource type of the string table blocks.
  static constexpr std::uint16_t kStringTableType = 6;

  // Decodes the headers and the resource tree of `image`. A truncated or corrupt image
  // gives an error naming what is wrong; an image without resources gives an empty
  // index. Allocates no more than a fraction of image.size().
  static PeParseResult Parse(std::span<const std::uint8_t> image);

  // Integer ids of the resources of type "KVR" (type name compared case-insensitively),
  // in increasing order.
  std::vector<int> KvrIds() const;
  // The bytes of the "KVR" resource `id` (its first language); empty optional when
  // there is no such resource.
  std::optional<std::span<const std::uint8_t>> Kvr(int id) const;
  // String-table entry `id` as UTF-16 units; empty optional when its block is missing.
  // An entry of length 0 in a present block gives an empty string.
  std::optional<std::u16string> String(int id) const;

 private:
  struct Entry {
    std::uint16_t id;
    std::span<const std::uint8_t> data;
  };
  static std::optional<std::span<const std::uint8_t>> Find(const std::vector<Entry>& entries,
                                                           int id);
  friend class PeResourceParser;

  std::vector<Entry> kvr_;           // sorted by id, ids unique
  std::vector<Entry> stringBlocks_;  // sorted by block id, each block checked to hold 16 entries
};

// Why an image was refused.
struct PeError {
  std::string message;
};

// The outcome of PeResources::Parse: the resources, or the reason for refusing the image.
class PeParseResult {
 public:
  PeParseResult(PeResources resources) : value_(std::move(resources)) {}
  PeParseResult(PeError error) : value_(std::move(error)) {}

  bool Ok() const { return std::holds_alternative<PeResources>(value_); }
  explicit operator bool() const { return Ok(); }
  // Only when Ok().
  const PeResources& operator*() const { return std::get<PeResources>(value_); }
  const PeResources* operator->() const { return &std::get<PeResources>(value_); }
  // Only when !Ok().
  const std::string& Error() const { return std::get<PeError>(value_).message; }

 private:
  std::variant<PeResources, PeError> value_;
};

}  // namespace kivora::pendant
