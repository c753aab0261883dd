#include "core/recovery/RecoveryCode.h"

#include <isa-l/erasure_code.h>

#include <stdexcept>

namespace kivora {
namespace {

// ISA-L's pointers are not const; it only reads the inputs.
std::uint8_t* Mutable(const std::uint8_t* p) { return const_cast<std::uint8_t*>(p); }

// Largest piece coded at once: the parity pieces of a group then stay in the cache.
constexpr std::size_t kCodePiece = 32 * 1024;

}  // namespace

RecoveryCode::RecoveryCode(int dataShards, int parityShards) : k_(dataShards), r_(parityShards) {
  if (k_ < 1 || r_ < 1 || k_ + r_ > 255) throw std::invalid_argument("shard counts out of range");
  matrix_.resize(static_cast<size_t>((k_ + r_) * k_));
  gf_gen_cauchy1_matrix(matrix_.data(), k_ + r_, k_);
  parityTables_.resize(static_cast<size_t>(32 * k_ * r_));
  ec_init_tables(k_, r_, matrix_.data() + static_cast<size_t>(k_ * k_), parityTables_.data());
}

void RecoveryCode::AddToParity(int shard, std::span<const std::uint8_t> bytes,
                               std::span<std::uint8_t* const> parity) const {
  std::vector<std::uint8_t*> out(parity.begin(), parity.end());
  for (std::size_t done = 0; done < bytes.size();) {
    const std::size_t n = std::min(kCodePiece, bytes.size() - done);
    ec_encode_data_update(static_cast<int>(n), k_, r_, shard, Mutable(parityTables_.data()),
                          Mutable(bytes.data() + done), out.data());
    for (auto& p : out) p += n;
    done += n;
  }
}

RecoveryCode::Decoder RecoveryCode::MakeDecoder(std::span<const int> used,
                                                std::span<const int> wanted) const {
  if (static_cast<int>(used.size()) != k_) throw std::invalid_argument("need K shards");
  const auto k = static_cast<size_t>(k_);
  // The used data shards stand for themselves. The L data shards not among them follow
  // from the L used parity shards: parity p = sum over data c of a[p][c] x_c, so the lost
  // x_d solve a[p][d] x_d = p + sum over used data j of a[p][j] x_j (in GF(2^8) adding
  // is subtracting). Only that L x L system is inverted, not the K x K one.
  std::vector<int> inputOf(k, -1);  // where a used data shard is among the inputs
  std::vector<size_t> parityInputs;
  std::vector<bool> seen(static_cast<size_t>(k_ + r_), false);
  for (size_t i = 0; i < k; ++i) {
    const int shard = used[i];
    if (shard < 0 || shard >= k_ + r_ || seen[static_cast<size_t>(shard)]) {
      throw std::invalid_argument("used shards out of range or repeated");
    }
    seen[static_cast<size_t>(shard)] = true;
    if (shard < k_) {
      inputOf[static_cast<size_t>(shard)] = static_cast<int>(i);
    } else {
      parityInputs.push_back(i);
    }
  }
  std::vector<size_t> lostData;
  for (size_t c = 0; c < k; ++c) {
    if (inputOf[c] < 0) lostData.push_back(c);
  }
  const size_t lost = lostData.size();  // == parityInputs.size()
  const auto parityRow = [&](size_t s) {
    return matrix_.data() + static_cast<size_t>(used[parityInputs[s]]) * k;
  };
  std::vector<std::uint8_t> system(lost * lost);
  for (size_t s = 0; s < lost; ++s) {
    for (size_t t = 0; t < lost; ++t) system[s * lost + t] = parityRow(s)[lostData[t]];
  }
  std::vector<std::uint8_t> inverse(lost * lost);
  if (lost > 0 && gf_invert_matrix(system.data(), inverse.data(), static_cast<int>(lost)) != 0) {
    throw std::runtime_error("recovery shards do not determine the data");
  }
  // Each lost data shard as a combination of the inputs.
  std::vector<std::uint8_t> lostRows(lost * k, 0);
  std::vector<size_t> lostIndex(k, lost);
  for (size_t t = 0; t < lost; ++t) {
    lostIndex[lostData[t]] = t;
    std::uint8_t* out = lostRows.data() + t * k;
    for (size_t s = 0; s < lost; ++s) {
      const std::uint8_t coefficient = inverse[t * lost + s];
      if (coefficient == 0) continue;
      out[parityInputs[s]] ^= coefficient;
      for (size_t j = 0; j < k; ++j) {
        if (inputOf[j] >= 0) out[inputOf[j]] ^= gf_mul(coefficient, parityRow(s)[j]);
      }
    }
  }
  // A wanted shard is its own row of the code applied to the data shards, each of them
  // an input or a combination of the inputs.
  std::vector<std::uint8_t> coefficients(wanted.size() * k, 0);
  for (size_t w = 0; w < wanted.size(); ++w) {
    const std::uint8_t* row = matrix_.data() + static_cast<size_t>(wanted[w]) * k;
    std::uint8_t* out = coefficients.data() + w * k;
    for (size_t c = 0; c < k; ++c) {
      if (row[c] == 0) continue;
      if (inputOf[c] >= 0) {
        out[inputOf[c]] ^= row[c];
        continue;
      }
      const std::uint8_t* combination = lostRows.data() + lostIndex[c] * k;
      for (size_t i = 0; i < k; ++i) out[i] ^= gf_mul(row[c], combination[i]);
    }
  }
  Decoder d;
  d.k_ = k_;
  d.rows_ = static_cast<int>(wanted.size());
  d.tables_.resize(32 * k * wanted.size());
  if (!wanted.empty()) ec_init_tables(k_, d.rows_, coefficients.data(), d.tables_.data());
  return d;
}

void RecoveryCode::Decoder::Run(std::size_t length, std::span<std::uint8_t* const> inputs,
                                std::span<std::uint8_t* const> outputs) const {
  if (rows_ == 0 || length == 0) return;
  std::vector<std::uint8_t*> in(inputs.begin(), inputs.end());
  std::vector<std::uint8_t*> out(outputs.begin(), outputs.end());
  for (std::size_t done = 0; done < length;) {
    const std::size_t n = std::min(kCodePiece, length - done);
    ec_encode_data(static_cast<int>(n), k_, rows_, Mutable(tables_.data()), in.data(), out.data());
    for (auto& p : in) p += n;
    for (auto& p : out) p += n;
    done += n;
  }
}

}  // namespace kivora
