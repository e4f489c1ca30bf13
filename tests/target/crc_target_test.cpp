// The CRC engine on the device: check values, every address modulo 4 with
// runs that take the head, body and tail paths, and chaining at every split.
// Prints a line for each of the first failed checks and a summary through
// semihosting; the exit status is 0 when every check passed and 1 otherwise.

#include "console.h"
#include "crc/crc.h"
#include "crc_check_values.h"
#include "crc_of_width.h"

#include <string.h>

namespace {

// A 43-byte message: at offsets 0..3 it has a head of 0..3 bytes, a body of
// several words and a tail. Its values with init 0xFFFFFFFF were computed on
// the host with Boost.CRC (crc_optimal<32, 0x04C11DB7, 0xFFFFFFFF, 0, true,
// false>, and the 16- and 8-bit equivalents).
const char c_fox_g[] = "The quick brown fox jumps over the lazy dog";
const check_case c_fox_cases_g[] = {
    {32, 0xFFFFFFFF, c_fox_g, 0x633A0D7D},
    {16, 0xFFFFFFFF, c_fox_g, 0xE536},
    {8, 0xFFFFFFFF, c_fox_g, 0x83},
};

const u32 c_offsets_g = 4;
// Failed checks reported one by one; the summary counts all of them.
const u32 c_failures_shown_g = 20;

u32 g_checks = 0;
u32 g_failures = 0;

// Counts one check and reports it when `got` differs from `expected`.
void expect(const char* what, int width, u32 offset, u32 split, u32 got, u32 expected)
{
    ++g_checks;
    if (got == expected) {
        return;
    }
    ++g_failures;
    if (g_failures > c_failures_shown_g) {
        return;
    }
    console_puts("FAIL ");
    console_puts(what);
    console_puts(" crc");
    console_put_dec((u32)width);
    console_puts(" offset ");
    console_put_dec(offset);
    console_puts(" split ");
    console_put_dec(split);
    console_puts(": got ");
    console_put_hex(got);
    console_puts(", expected ");
    console_put_hex(expected);
    console_puts("\n");
}

// Copies `len` bytes to an address that is `offset` modulo 4 (the bytes
// around them are set, so a read past either end changes the result).
const unsigned char* place(u32 offset, const void* src, u32 len)
{
    alignas(4) static unsigned char storage[4 + 64 + 4];
    memset(storage, 0xA5, sizeof storage);
    memcpy(storage + offset, src, len);
    return storage + offset;
}

// One call over the whole text and, at every split point, two chained calls.
void check_case_at_offsets(const check_case& c)
{
    const u32 len = (u32)strlen(c.text);
    for (u32 offset = 0; offset < c_offsets_g; ++offset) {
        const unsigned char* buf = place(offset, c.text, len);
        expect(c.text, c.width, offset, len, crc_of_width(c.width, buf, len, c.init), c.expected);
        for (u32 split = 0; split <= len; ++split) {
            const u32 first = crc_of_width(c.width, buf, split, c.init);
            expect(c.text, c.width, offset, split, crc_of_width(c.width, buf + split, len - split, first),
                   c.expected);
        }
    }
}

// A zero length returns the initial value (crc8: its low 8 bits), at any address.
void check_empty()
{
    const u32 init = 0x89ABCDEF;
    for (u32 offset = 0; offset < c_offsets_g; ++offset) {
        const unsigned char* buf = place(offset, "x", 1);
        expect("empty", 32, offset, 0, crc32(buf, 0, init), init);
        expect("empty", 16, offset, 0, crc16(buf, 0, init) & 0xFFFF, init & 0xFFFF);
        expect("empty", 8, offset, 0, crc8(buf, 0, init), init & 0xFF);
    }
}

}  // namespace

int main()
{
    for (const check_case& c : c_check_cases_g) {
        check_case_at_offsets(c);
    }
    for (const check_case& c : c_fox_cases_g) {
        check_case_at_offsets(c);
    }
    check_empty();

    console_puts("crc target test: ");
    console_put_dec(g_checks);
    console_puts(" checks, ");
    console_put_dec(g_failures);
    console_puts(" failed\n");
    return g_failures == 0 ? 0 : 1;
}
