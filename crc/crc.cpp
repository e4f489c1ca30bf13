// CRC engine: a bit-serial shift-register CRC generator and the driver that
// feeds it a buffer of any address and length.

// The alignment checks guard against a caller error that would read the wrong
// units (or fault on a core that traps misaligned loads), so they stay active
// in every build, NDEBUG or not. This must come before any other include.
#undef NDEBUG
#include <cassert>

#include "crc/crc.h"

#include <stdint.h>

// Generator polynomials in Koopman notation: the coefficients of x^n down to
// x^1, with x^n in bit n-1 and the x^0 term implied.
static const u32 c_poly8_g = 0x8E;         // x^8 + x^4 + x^3 + x^2 + 1 (0x1D)
static const u32 c_poly16_g = 0x8810;      // x^16 + x^12 + x^5 + 1 (0x1021)
static const u32 c_poly32_g = 0x82608EDB;  // 0x04C11DB7 in normal form

// Returns the little-endian value of the `len` bytes at `buf`, read byte by
// byte so that neither the host's byte order nor its alignment rules matter.
static u32 crc_load(const unsigned char* buf, u32 len)
{
    u32 value = 0;
    for (u32 b = 0; b < len; ++b) {
        value |= (u32)buf[b] << (8 * b);
    }
    return value;
}

// A step whose feedback bit is 1 XORs (poly << 1) | 1 into the shifted
// register. Bit n-1 of that value, at the feedback bit, is the coefficient of
// x^(n-1), and none of the three polynomials has that term: the XOR never
// changes the feedback bit. So the next step's feedback bit can be read from
// the shifted register before the XOR is done, which keeps the XOR off the
// path from one step to the next.
static_assert((((c_poly8_g << 1) | 1) & (1u << 7)) == 0, "CRC-8 polynomial with an x^7 term");
static_assert((((c_poly16_g << 1) | 1) & (1u << 15)) == 0, "CRC-16 polynomial with an x^15 term");
static_assert((((c_poly32_g << 1) | 1) & (1u << 31)) == 0, "CRC-32 polynomial with an x^31 term");

// Feeds the `bits` data bits of `unit`, least significant first, to the
// register `crc` of the CRC with polynomial `poly` and feedback bit `top`, one
// register step per bit, and returns the register. A step is f = (bit `top` of
// the register) XOR (the data bit), then register = (register << 1) XOR
// (((poly << 1) | 1) if f is 1, else 0), without a branch.
static u32 crc_feed(u32 crc, u32 unit, u32 bits, u32 poly, u32 top)
{
    const u32 feed = (poly << 1) | 1;
    u32 feedback = (crc >> top) & 1;
    for (u32 i = 0; i < bits; ++i) {
        const u32 shifted = crc << 1;
        crc = shifted ^ (feed & (0u - (feedback ^ ((unit >> i) & 1))));
        feedback = (shifted >> top) & 1;
    }
    return crc;
}

#if !defined(__OPTIMIZE_SIZE__)
// The CRC-32 path of builds optimised for speed. Builds optimised for size, as
// for a microcontroller's flash, feed every width through crc_feed instead: it
// is the same computation in less code.

// Returns `value` with the order of its 32 bits reversed: bit 0 becomes bit 31.
static u32 crc_reverse(u32 value)
{
    // Swaps neighbouring bits, pairs and nibbles (t marks the bits that differ
    // from their partner), then the bytes.
    u32 t = ((value >> 1) ^ value) & 0x55555555;
    value ^= t | (t << 1);
    t = ((value >> 2) ^ value) & 0x33333333;
    value ^= t | (t << 2);
    t = ((value >> 4) ^ value) & 0x0F0F0F0F;
    value ^= t | (t << 4);
    return (value >> 24) | ((value >> 8) & 0xFF00) | ((value << 8) & 0xFF0000) | (value << 24);
}

// Does what crc_feed does for the CRC-32, with a shift and an XOR as the only
// work from one step to the next. The unit's bits are XORed into the register
// all at once, reversed, so that each reaches bit 31 just for its own step:
// f is then bit 31 of the register alone, and no data bit is left over in the
// register after the last step.
static u32 crc_feed32(u32 crc, u32 unit, u32 bits)
{
    const u32 feed = (c_poly32_g << 1) | 1;
    crc ^= crc_reverse(unit);
    // All ones when the feedback bit is 1, else 0.
    u32 feedback = 0u - (crc >> 31);
    // Eight steps at a time, so that the compiler can unroll them.
    for (u32 i = 0; i < bits; i += 8) {
        for (u32 j = 0; j < 8; ++j) {
            const u32 shifted = crc << 1;
            crc = shifted ^ (feed & feedback);
            feedback = 0u - (shifted >> 31);
        }
    }
    return crc;
}
#endif

// Feeds the run of `len` bytes at `data` to the register `crc`, one unit of the
// given width at a time and one register step per data bit, least significant
// bit first, and returns the register. The register is never masked: for CRC-8
// and CRC-16 only its low 8 or 16 bits are the CRC.
static u32 crc_soft(const void* data, u32 len, u32 crc, int crc_type, int unit_type)
{
    // The address as an integer, so that the alignment test reads the same on
    // hosts whose pointers are wider than 32 bits.
    const uintptr_t buf = (uintptr_t)data;
    u32 unit_len = 1;
    if (unit_type == unit_type_16) {
        assert((((u32)buf | len) & 1) == 0);
        unit_len = 2;
    } else if (unit_type == unit_type_32) {
        assert((((u32)buf | len) & 3) == 0);
        unit_len = 4;
    }
    const u32 unit_bits = 8 * unit_len;

    u32 poly = c_poly32_g;
    u32 feedback_bit = 31;
    if (crc_type == crc_type_8) {
        poly = c_poly8_g;
        feedback_bit = 7;
    } else if (crc_type == crc_type_16) {
        poly = c_poly16_g;
        feedback_bit = 15;
    }

    const unsigned char* p = (const unsigned char*)data;
    for (const unsigned char* end = p + len; p != end; p += unit_len) {
        const u32 unit = crc_load(p, unit_len);
#if !defined(__OPTIMIZE_SIZE__)
        if (feedback_bit == 31) {
            crc = crc_feed32(crc, unit, unit_bits);
            continue;
        }
#endif
        crc = crc_feed(crc, unit, unit_bits, poly, feedback_bit);
    }
    return crc;
}

// Feeds `len` bytes at `buf` to the engine in up to three runs: an unaligned
// head as bytes, the aligned body as 32-bit units, the tail as bytes.
static u32 crc_align(const void* buf, u32 len, u32 crc, int crc_type)
{
    const unsigned char* p = (const unsigned char*)buf;
    // The bytes up to the next multiple of 4, or all of them if fewer. A run
    // of no bytes leaves the register as it is, so the head and the tail are
    // fed without a test: less code on a device.
    u32 head = (0u - (u32)(uintptr_t)p) & 3;
    if (head > len) {
        head = len;
    }
    crc = crc_soft(p, head, crc, crc_type, unit_type_8);
    p += head;
    len -= head;
    const u32 body = len & ~(u32)3;
    if (body != 0) {
        crc = crc_soft(p, body, crc, crc_type, unit_type_32);
    }
    return crc_soft(p + body, len - body, crc, crc_type, unit_type_8);
}

u32 crc32(const void* buf, u32 len, u32 crc)
{
    return crc_align(buf, len, crc, crc_type_32);
}

u32 crc16(const void* buf, u32 len, u32 crc)
{
    return crc_align(buf, len, crc, crc_type_16) & 0xFFFF;
}

u32 crc8(const void* buf, u32 len, u32 crc)
{
    return crc_align(buf, len, crc, crc_type_8) & 0xFF;
}
