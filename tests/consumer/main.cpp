// Links the installed engine: exits 0 when crc32 gives its check value.

#include "crc/crc.h"

#include <cstdio>

int main()
{
    const u32 crc = crc32("123456789", 9, 0xFFFFFFFF);
    std::printf("crc32(\"123456789\")=0x%08X\n", (unsigned)crc);
    return crc == 0x9B63D02C ? 0 : 1;
}
