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

// Returns the little-endian value of `bytes` bytes at `p`, read byte by byte so
// that neither the host's byte order nor its alignment rules matter.
static u32 crc_load(const unsigned char* p, u32 bytes)
{
    u32 value = 0;
    for (u32 b = 0; b < bytes; ++b) {
        value |= (u32)p[b] << (8 * b);
    }
    return value;
}

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
    for (u32 n = len / unit_len; n != 0; --n, p += unit_len) {
        const u32 unit = crc_load(p, unit_len);
        for (u32 i = 0; i < unit_bits; ++i) {
            const u32 f = ((crc >> feedback_bit) ^ (unit >> i)) & 1;
            crc = f ? ((crc ^ poly) << 1) | 1 : crc << 1;
        }
    }
    return crc;
}

// Feeds `len` bytes at `buf` to the engine in up to three runs: an unaligned
// head as bytes, the aligned body as 32-bit units, the tail as bytes.
static u32 crc_align(const void* buf, u32 len, u32 crc, int crc_type)
{
    const unsigned char* p = (const unsigned char*)buf;
    const u32 m = (u32)((uintptr_t)p & 3);
    if (m != 0) {
        const u32 head = (4 - m < len) ? 4 - m : len;
        crc = crc_soft(p, head, crc, crc_type, unit_type_8);
        p += head;
        len -= head;
    }
    if (len == 0) {
        return crc;
    }
    const u32 body = len & ~(u32)3;
    if (body != 0) {
        crc = crc_soft(p, body, crc, crc_type, unit_type_32);
        p += body;
    }
    if ((len & 3) != 0) {
        crc = crc_soft(p, len & 3, crc, crc_type, unit_type_8);
    }
    return crc;
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
