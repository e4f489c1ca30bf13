// libFuzzer target for the CRC engine. An input is
//
//   byte 0       the data's offset from an 8-byte boundary (low 3 bits)
//   bytes 1..4   the initial value, little-endian
//   bytes 5..8   where to split the data for chaining, little-endian, taken
//                modulo the data's length + 1
//   bytes 9..    the data
//
// and every entry point must agree with Boost.CRC, in one call and chained at
// the split, with bits above the CRC's width clear. A disagreement aborts with
// the case printed; AddressSanitizer catches reads outside the data.

#include "../crc_oracle.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

static const std::size_t c_prefix_len_g = 9;

static u32 get_le32(const std::uint8_t* p)
{
    return (u32)p[0] | (u32)p[1] << 8 | (u32)p[2] << 16 | (u32)p[3] << 24;
}

static void check(bool ok, const char* what, int width, u32 len, u32 offset, u32 init, u32 split)
{
    if (ok) return;
    std::fprintf(stderr, "crc%d %s: length %u offset %u init 0x%x split %u\n", width, what, (unsigned)len,
                 (unsigned)offset, (unsigned)init, (unsigned)split);
    std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < c_prefix_len_g) return 0;
    const u32 offset = data[0] & 7;
    const u32 init = get_le32(data + 1);
    const u32 len = (u32)(size - c_prefix_len_g);
    const u32 split = get_le32(data + 5) % (len + 1);

    // The data ends where its heap block ends, so a read past it is reported.
    std::vector<std::uint8_t> block(offset + len);
    if (len != 0) std::memcpy(block.data() + offset, data + c_prefix_len_g, len);
    const std::uint8_t* buf = block.data() + offset;

    for (const int width : {8, 16, 32}) {
        const u32 expected = oracle_crc(width, buf, len, init);
        const u32 whole = crc_of_width(width, buf, len, init);
        check(whole == expected, "one call differs from Boost.CRC", width, len, offset, init, split);
        const u32 first = crc_of_width(width, buf, split, init);
        const u32 chained = crc_of_width(width, buf + split, len - split, first);
        check(chained == expected, "chained differs from Boost.CRC", width, len, offset, init, split);
        const u32 width_mask = width == 32 ? 0xFFFFFFFF : (1u << width) - 1;
        check((whole & ~width_mask) == 0, "sets bits above its width", width, len, offset, init, split);
    }
    return 0;
}
