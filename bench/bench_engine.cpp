#include <benchmark/benchmark.h>

#include <vector>

#include "core/io/Crc32.h"
#include "core/payload/GeneratorScrambler.h"
#include "core/payload/Scramblers.h"

namespace {

std::vector<std::uint8_t> Payload(size_t n) {
  std::vector<std::uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(i * 2654435761u >> 13);
  return v;
}

void BM_Crc32(benchmark::State& state) {
  const auto data = Payload(static_cast<size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(kivora::StreamCrc32(data));
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Crc32)->Arg(256 << 10)->Arg(16 << 20);

void BM_BlockScrambler(benchmark::State& state) {
  auto data = Payload(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    kivora::BlockScrambler scrambler("movie00.png", data.size());
    scrambler.Apply(data);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_BlockScrambler)->Arg(256 << 10)->Arg(16 << 20);

void BM_KeystreamCrc(benchmark::State& state) {
  kivora::BlockScrambler scrambler("movie00.png", 512000);
  for (auto _ : state) benchmark::DoNotOptimize(scrambler.KeystreamCrc(512000));
}
BENCHMARK(BM_KeystreamCrc);

void BM_GeneratorScrambler(benchmark::State& state) {
  auto data = Payload(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    kivora::ScrambleStream(data, "movie00.png", 0);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_GeneratorScrambler)->Arg(1 << 20);

}  // namespace
