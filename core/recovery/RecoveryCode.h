#pragma once
// Reed-Solomon erasure coding over GF(2^8) with ISA-L: K data shards and R parity
// shards from a Cauchy matrix, so that any K of the K + R shards give back the rest.
// All field arithmetic is ISA-L's.

#include <cstdint>
#include <span>
#include <vector>

namespace kivora {

class RecoveryCode {
 public:
  // 1 <= dataShards, 1 <= parityShards, dataShards + parityShards <= 255.
  RecoveryCode(int dataShards, int parityShards);

  int DataShards() const { return k_; }
  int ParityShards() const { return r_; }

  // Adds `bytes` of data shard `shard` to the parity shards at the same offset: each of
  // `parity` points at that offset and has room for bytes.size() bytes. Shards of
  // unequal length count as zero-padded, so a shard's bytes may be added piece by
  // piece, in any order, and parity may grow with zeros as longer shards arrive.
  void AddToParity(int shard, std::span<const std::uint8_t> bytes,
                   std::span<std::uint8_t* const> parity) const;

  // Computes shards from others. Shards are numbered 0..K-1 (data) and K..K+R-1
  // (parity).
  class Decoder {
   public:
    // outputs[j] receives shard wanted[j]; inputs[i] holds shard used[i]; each `length`
    // bytes long.
    void Run(std::size_t length, std::span<std::uint8_t* const> inputs,
             std::span<std::uint8_t* const> outputs) const;

   private:
    friend class RecoveryCode;
    int k_ = 0;
    int rows_ = 0;
    std::vector<std::uint8_t> tables_;
  };

  // A decoder that computes the `wanted` shards from the K shards `used` (distinct,
  // any mix of data and parity).
  Decoder MakeDecoder(std::span<const int> used, std::span<const int> wanted) const;

 private:
  int k_;
  int r_;
  std::vector<std::uint8_t> matrix_;        // (K + R) x K; the top K rows are the identity
  std::vector<std::uint8_t> parityTables_;  // ISA-L's tables of the R parity rows
};

}  // namespace kivora
