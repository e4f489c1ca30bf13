// A measuring stick for bench/compare.sh, not part of the product: the fastest
// faithful bit-serial stamper we could write by hand, to compare genchecksum
// against. It does what genchecksum does on a valid image (one buffer, one read,
// app_len into bytes 28..31, CRC-32 over the whole image from 0xFFFFFFFF, one
// step per data bit and no table, the CRC into bytes 32..35, one write of the
// whole buffer) with none of its checks, through raw POSIX calls, and on x86-64
// with a hand-written step: the bit-reversed 32-bit unit is XORed into the
// register's top, and each of its 32 steps is one flag-driven select of the
// polynomial (cmovs on the sign left by the previous XOR) and one shift and XOR,
// a dependency chain of two single-cycle instructions per bit.
//
//   ref_stamper image.bin

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

typedef uint32_t u32;

// x^32 + ... + 1 in normal form: the XOR of a step whose feedback bit is 1.
static const u32 c_step_poly_g = 0x04C11DB7;

static u32 reverse_bits(u32 v)
{
    v = ((v >> 1) & 0x55555555u) | ((v & 0x55555555u) << 1);
    v = ((v >> 2) & 0x33333333u) | ((v & 0x33333333u) << 2);
    v = ((v >> 4) & 0x0F0F0F0Fu) | ((v & 0x0F0F0F0Fu) << 4);
    return __builtin_bswap32(v);
}

// Feeds the 32 data bits held reversed in `top` (the first bit in bit 31).
static inline u32 ref_unit(u32 crc, u32 top)
{
#if defined(__x86_64__)
    u32 doubled;
    u32 feed;
    const u32 poly = c_step_poly_g;
#define REF_STEP                                                                                                  \
    "leal (%q[crc],%q[crc]), %[doubled]\n\tmovl $0, %[feed]\n\tcmovsl %[poly], %[feed]\n\txorl %[doubled], %[feed]\n\t" \
    "movl %[feed], %[crc]\n\t"
#define REF_STEP8 REF_STEP REF_STEP REF_STEP REF_STEP REF_STEP REF_STEP REF_STEP REF_STEP
    __asm__("xorl %[top], %[crc]\n\t" REF_STEP8 REF_STEP8 REF_STEP8 REF_STEP8
            : [crc] "+r"(crc), [doubled] "=&r"(doubled), [feed] "=&r"(feed)
            : [top] "r"(top), [poly] "r"(poly)
            : "cc");
#undef REF_STEP8
#undef REF_STEP
#else
    crc ^= top;
    for (int i = 0; i < 32; ++i) crc = (crc << 1) ^ (c_step_poly_g & (0u - (crc >> 31)));
#endif
    return crc;
}

__attribute__((noinline)) static u32 ref_crc32(const unsigned char* p, u32 len, u32 crc)
{
    for (; len >= 4; len -= 4, p += 4) {
        const u32 unit = (u32)p[0] | (u32)p[1] << 8 | (u32)p[2] << 16 | (u32)p[3] << 24;
        crc = ref_unit(crc, reverse_bits(unit));
    }
    for (; len != 0; --len, ++p) {
        crc ^= reverse_bits(*p);
        for (int i = 0; i < 8; ++i) crc = (crc << 1) ^ (c_step_poly_g & (0u - (crc >> 31)));
    }
    return crc;
}

int main(int argc, char* argv[])
{
    if (argc < 2) return -1;
    const int fd = open(argv[1], O_RDWR);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0 || st.st_size < 36) return -1;
    const u32 len = (u32)st.st_size;
    unsigned char* buf = (unsigned char*)std::malloc(len);
    if (!buf || read(fd, buf, len) != (ssize_t)len) return -1;
    for (int b = 0; b < 4; ++b) buf[28 + b] = (unsigned char)(len >> (8 * b));
    const u32 crc = ref_crc32(buf, len, 0xFFFFFFFF);
    std::printf("crcval=0x%x.\n", (unsigned)crc);
    for (int b = 0; b < 4; ++b) buf[32 + b] = (unsigned char)(crc >> (8 * b));
    if (pwrite(fd, buf, len, 0) != (ssize_t)len) return -1;
    std::free(buf);
    return close(fd) == 0 ? 0 : -1;
}
