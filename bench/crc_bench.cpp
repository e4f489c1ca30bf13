// Micro-benchmark of the CRC engine's entry points: crc32, crc16 and crc8 over
// 64 B to 16 MiB, from an aligned address and from one byte past it (the head
// and tail paths), reported in bytes per second.
//
//   build/crc_bench [--benchmark_filter=crc32]

#include "crc/crc.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

const int64_t c_min_len_g = 64;
const int64_t c_max_len_g = 16 << 20;

// Random bytes, enough for the longest run plus the unaligned offset. The
// vector's storage is aligned to at least 16 bytes.
const unsigned char* bench_bytes()
{
    static const std::vector<unsigned char> bytes = [] {
        std::vector<unsigned char> v((size_t)c_max_len_g + 8);
        std::mt19937 rng(20261211);
        for (auto& b : v) b = (unsigned char)rng();
        return v;
    }();
    return bytes.data();
}

// Runs one entry point over range(0) bytes at offset range(1), chaining the
// register through the iterations so that no call can be skipped.
template <u32 (*crc_fn)(const void*, u32, u32)>
void bm_crc(benchmark::State& state)
{
    const u32 len = (u32)state.range(0);
    const unsigned char* buf = bench_bytes() + state.range(1);
    u32 crc = 0xFFFFFFFF;
    for (auto _ : state) {
        crc = crc_fn(buf, len, crc);
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)len);
}

void lengths_and_offsets(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"len", "offset"});
    for (int64_t len = c_min_len_g; len <= c_max_len_g; len *= 8) {
        b->Args({len, 0});
        b->Args({len, 1});
    }
}

BENCHMARK_TEMPLATE(bm_crc, crc32)->Apply(lengths_and_offsets);
BENCHMARK_TEMPLATE(bm_crc, crc16)->Apply(lengths_and_offsets);
BENCHMARK_TEMPLATE(bm_crc, crc8)->Apply(lengths_and_offsets);

}  // namespace

BENCHMARK_MAIN();
