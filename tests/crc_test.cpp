// The public entry points crc32, crc16 and crc8: published check values, every
// address, chaining.

#include "crc/crc.h"
#include "crc_check_values.h"
#include "crc_of_width.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

// A buffer whose first byte sits at a chosen offset from an 8-byte boundary.
struct placed_bytes {
    alignas(8) unsigned char storage[8 + 1024];
};

const unsigned char* place(placed_bytes& pb, u32 offset, const void* src, u32 len)
{
    std::memset(pb.storage, 0xA5, sizeof pb.storage);
    std::memcpy(pb.storage + offset, src, len);
    return pb.storage + offset;
}

std::vector<unsigned char> random_bytes(std::mt19937& rng, size_t len)
{
    std::vector<unsigned char> v(len);
    for (auto& b : v) b = (unsigned char)rng();
    return v;
}

const int c_widths_g[] = {8, 16, 32};
const u32 c_seed_g = 20261211;

TEST(crc_entry, check_values_at_every_offset)
{
    for (const check_case& c : c_check_cases_g) {
        const u32 len = (u32)std::strlen(c.text);
        for (u32 offset = 0; offset < 8; ++offset) {
            SCOPED_TRACE(testing::Message() << "crc" << c.width << " of \"" << c.text << "\" from 0x" << std::hex
                                            << c.init << " at offset " << offset);
            placed_bytes pb;
            EXPECT_EQ(crc_of_width(c.width, place(pb, offset, c.text, len), len, c.init), c.expected);
        }
    }
}

TEST(crc_entry, empty_buffer_returns_initial_value_at_every_offset)
{
    placed_bytes pb;
    for (u32 offset = 0; offset < 8; ++offset) {
        for (u32 init : {0u, 0xFFFFFFFFu, 0x12345678u}) {
            SCOPED_TRACE(testing::Message() << "offset " << offset << " init 0x" << std::hex << init);
            EXPECT_EQ(crc32(pb.storage + offset, 0, init), init);
            EXPECT_EQ(crc16(pb.storage + offset, 0, init), init & 0xFFFF);
            EXPECT_EQ(crc8(pb.storage + offset, 0, init), init & 0xFF);
        }
    }
}

// Whatever mix of head, body and tail a placement makes, the result equals
// feeding the bytes one call at a time.
TEST(crc_entry, same_bytes_at_offsets_0_to_7_give_one_value)
{
    std::mt19937 rng(c_seed_g);
    for (u32 len = 1; len <= 67; ++len) {
        const std::vector<unsigned char> bytes = random_bytes(rng, len);
        for (int width : c_widths_g) {
            u32 bytewise = 0xFFFFFFFF;
            for (u32 k = 0; k < len; ++k) bytewise = crc_of_width(width, &bytes[k], 1, bytewise);
            for (u32 offset = 0; offset < 8; ++offset) {
                SCOPED_TRACE(testing::Message() << "seed " << c_seed_g << " crc" << width << " len " << len
                                                << " offset " << offset);
                placed_bytes pb;
                EXPECT_EQ(crc_of_width(width, place(pb, offset, bytes.data(), len), len, 0xFFFFFFFF), bytewise);
            }
        }
    }
}

TEST(crc_entry, chaining_at_every_split_gives_the_single_call_value)
{
    std::mt19937 rng(c_seed_g + 1);
    const u32 len = 48;
    const std::vector<unsigned char> bytes = random_bytes(rng, len);
    for (int width : c_widths_g) {
        for (u32 offset = 0; offset < 4; ++offset) {
            placed_bytes pb;
            const unsigned char* buf = place(pb, offset, bytes.data(), len);
            const u32 whole = crc_of_width(width, buf, len, 0xFFFFFFFF);
            for (u32 split = 0; split <= len; ++split) {
                SCOPED_TRACE(testing::Message() << "seed " << c_seed_g + 1 << " crc" << width << " offset "
                                                << offset << " split " << split);
                const u32 first = crc_of_width(width, buf, split, 0xFFFFFFFF);
                EXPECT_EQ(crc_of_width(width, buf + split, len - split, first), whole);
            }
        }
    }
}

// For CRC-8 and CRC-16 the bits of the initial value above the CRC's width
// take no part in the result.
TEST(crc_entry, narrow_crcs_use_only_the_low_bits_of_the_initial_value)
{
    std::mt19937 rng(c_seed_g + 2);
    const std::vector<unsigned char> bytes = random_bytes(rng, 100);
    for (u32 high : {0x00000000u, 0xFFFF0000u, 0x5A5A0000u}) {
        EXPECT_EQ(crc16(bytes.data(), 100, high | 0x1D0F), crc16(bytes.data(), 100, 0x1D0F));
        EXPECT_EQ(crc8(bytes.data(), 100, high | 0xC700 | 0x3C), crc8(bytes.data(), 100, 0x3C));
    }
}

}  // namespace
