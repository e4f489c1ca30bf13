// Example firmware for Cortex-M3 (qemu -M mps2-an385) that checks its own
// image at boot, as a bootloader checks an application before it starts it.
//
// The build stamps the image with genchecksum: app_len (bytes 28..31) and
// app_crc (bytes 32..35), which the vector table keeps as header fields (see
// boards/startup.c). app_crc covers the whole image with the placeholder that
// bytes 32..35 held before stamping, so the check feeds the image in three
// chained calls: bytes 0..31, the placeholder, then the rest up to app_len.
// The verdict goes out through semihosting; the exit status is 0 when the
// image is intact and 1 when it is not.

#include "console.h"
#include "crc/crc.h"
#include "image_header.h"

namespace {

const u32 c_crc_init_g = 0xFFFFFFFF;
// Bytes 0..35: the header up to and including app_crc.
const u32 c_header_len_g = IMAGE_APP_CRC_OFFSET + 4;

u32 get_le32(const unsigned char* p)
{
    return (u32)p[0] | (u32)p[1] << 8 | (u32)p[2] << 16 | (u32)p[3] << 24;
}

void put_le32(unsigned char* p, u32 value)
{
    p[0] = (unsigned char)value;
    p[1] = (unsigned char)(value >> 8);
    p[2] = (unsigned char)(value >> 16);
    p[3] = (unsigned char)(value >> 24);
}

// Returns the CRC-32 that genchecksum stamped into an intact image of
// `app_len` bytes at `image`.
u32 image_crc(const unsigned char* image, u32 app_len)
{
    unsigned char placeholder[4];
    put_le32(placeholder, IMAGE_APP_CRC_PLACEHOLDER);
    u32 crc = crc32(image, IMAGE_APP_CRC_OFFSET, c_crc_init_g);
    crc = crc32(placeholder, sizeof placeholder, crc);
    return crc32(image + c_header_len_g, app_len - c_header_len_g, crc);
}

}  // namespace

int main()
{
    const unsigned char* image = image_start;
    const u32 linked_len = (u32)((uintptr_t)image_end - (uintptr_t)image_start);
    const u32 app_len = get_le32(image + IMAGE_APP_LEN_OFFSET);
    const u32 app_crc = get_le32(image + IMAGE_APP_CRC_OFFSET);

    console_puts("app_len=");
    console_put_dec(app_len);
    console_puts(" app_crc=");
    console_put_hex(app_crc);
    console_puts("\n");
    // A length the image can't have (an unstamped image holds the placeholder
    // 0) would send the CRC past the image: refuse it before reading.
    if (app_len < c_header_len_g || app_len > linked_len) {
        console_puts("image check FAILED: app_len is not the image's length\n");
        return 1;
    }
    const u32 crc = image_crc(image, app_len);
    console_puts("computed=");
    console_put_hex(crc);
    console_puts("\n");
    if (crc != app_crc) {
        console_puts("image check FAILED: the image is not the one that was stamped\n");
        return 1;
    }
    console_puts("image check passed\n");
    return 0;
}
