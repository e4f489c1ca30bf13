// crc32, crc16 and crc8 against an independent implementation (Boost.CRC) over
// seeded random buffers: every length up to a few hundred bytes and a few of
// about a MiB, every start address modulo 8, initial values 0, all ones and
// random, in one call and chained at a random split.
//
// The seed is fixed so that a CI failure can be replayed; set
// GENCHECKSUM_ORACLE_SEED to explore other buffers. A failure names the seed,
// width, length, offset, initial value and split.

#include "crc_oracle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

const int c_widths_g[] = {8, 16, 32};
const u32 c_default_seed_g = 0x0C4C0A11;
// Every length from 0 to this one is compared.
const u32 c_max_short_len_g = 400;
const u32 c_mib_g = 1u << 20;

u32 oracle_seed()
{
    const char* text = std::getenv("GENCHECKSUM_ORACLE_SEED");
    return text && *text ? (u32)std::strtoul(text, nullptr, 0) : c_default_seed_g;
}

std::vector<unsigned char> random_bytes(std::mt19937& rng, u32 len)
{
    std::vector<unsigned char> v(len);
    for (auto& b : v) b = (unsigned char)rng();
    return v;
}

// Copies `bytes` into a heap block of exactly `offset` + their length bytes,
// at `offset`: the data then ends where the block ends, so that a read past the
// end is caught by AddressSanitizer in a checked build, and the first byte
// sits `offset` bytes past the allocator's (at least 8-byte) alignment.
std::vector<unsigned char> placed(const std::vector<unsigned char>& bytes, u32 offset)
{
    std::vector<unsigned char> block(offset + bytes.size(), 0xA5);
    std::copy(bytes.begin(), bytes.end(), block.begin() + offset);
    return block;
}

// One buffer, one width, one initial value: the oracle's CRC equals the
// engine's in one call and when chained at `split`.
struct diff_case {
    u32 seed;
    int width;
    u32 len;
    u32 offset;
    u32 init;
    u32 split;
};

testing::Message describe(const diff_case& c)
{
    return testing::Message() << "seed 0x" << std::hex << c.seed << " crc" << std::dec << c.width << " length "
                              << c.len << " offset " << c.offset << " init 0x" << std::hex << c.init
                              << " split " << std::dec << c.split;
}

// Compares one case; `expected` is the oracle's CRC of the bytes at `buf`.
// Returns false (after a failure is recorded) when the engine disagrees.
bool agrees(const diff_case& c, const unsigned char* buf, u32 expected)
{
    const u32 whole = crc_of_width(c.width, buf, c.len, c.init);
    EXPECT_EQ(whole, expected) << describe(c) << " (one call)";
    const u32 first = crc_of_width(c.width, buf, c.split, c.init);
    const u32 chained = crc_of_width(c.width, buf + c.split, c.len - c.split, first);
    EXPECT_EQ(chained, expected) << describe(c) << " (chained)";
    return whole == expected && chained == expected;
}

TEST(crc_oracle, every_short_length_offset_and_initial_value)
{
    const u32 seed = oracle_seed();
    std::mt19937 rng(seed);
    for (u32 len = 0; len <= c_max_short_len_g; ++len) {
        const std::vector<unsigned char> bytes = random_bytes(rng, len);
        for (const u32 init : {0u, 0xFFFFFFFFu, (u32)rng()}) {
            for (const int width : c_widths_g) {
                const u32 expected = oracle_crc(width, bytes.data(), len, init);
                for (u32 offset = 0; offset < 8; ++offset) {
                    const std::vector<unsigned char> block = placed(bytes, offset);
                    const diff_case c = {seed, width, len, offset, init, (u32)(rng() % (len + 1))};
                    // One disagreement is enough to diagnose; thousands
                    // more would only bury it.
                    if (!agrees(c, block.data() + offset, expected)) return;
                }
            }
        }
    }
}

TEST(crc_oracle, buffers_of_about_a_mebibyte)
{
    const u32 seed = oracle_seed() + 1;
    std::mt19937 rng(seed);
    struct big {
        u32 len;
        u32 init;
    };
    const big cases[] = {{c_mib_g, 0xFFFFFFFF}, {c_mib_g + 5, 0}, {c_mib_g - 3, (u32)rng()}};
    for (const big& b : cases) {
        const std::vector<unsigned char> bytes = random_bytes(rng, b.len);
        const u32 offset = rng() % 8;
        const std::vector<unsigned char> block = placed(bytes, offset);
        for (const int width : c_widths_g) {
            const diff_case c = {seed, width, b.len, offset, b.init, (u32)(rng() % (b.len + 1))};
            agrees(c, block.data() + offset, oracle_crc(width, bytes.data(), b.len, b.init));
        }
    }
}

}  // namespace
