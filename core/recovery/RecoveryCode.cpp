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
  // The rows of the used shards, inverted, turn them back into the data shards.
  std::vector<std::uint8_t> rows(k * k);
  for (size_t i = 0; i < k; ++i) {
    for (size_t c = 0; c < k; ++c) rows[i * k + c] = matrix_[static_cast<size_t>(used[i]) * k + c];
  }
  std::vector<std::uint8_t> inverse(k * k);
  if (gf_invert_matrix(rows.data(), inverse.data(), k_) != 0) {
    throw std::runtime_error("recovery shards do not determine the data");
  }
  // A wanted shard is its own row of the code applied to the data: that row times the
  // inverse, applied to the used shards.
  std::vector<std::uint8_t> coefficients(wanted.size() * k);
  for (size_t w = 0; w < wanted.size(); ++w) {
    const std::uint8_t* row = matrix_.data() + static_cast<size_t>(wanted[w]) * k;
    for (size_t c = 0; c < k; ++c) {
      std::uint8_t sum = 0;
      for (size_t j = 0; j < k; ++j) sum ^= gf_mul(row[j], inverse[j * k + c]);
      coefficients[w * k + c] = sum;
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
