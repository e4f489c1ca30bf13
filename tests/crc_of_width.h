// Reaches the CRC engine's entry points by width, for tests that run the same
// case over all three.

#ifndef TESTS_CRC_OF_WIDTH_H
#define TESTS_CRC_OF_WIDTH_H

#include "crc/crc.h"

// Calls the entry point of the given width (8, 16 or 32).
inline u32 crc_of_width(int width, const void* buf, u32 len, u32 crc)
{
    switch (width) {
    case 8:
        return crc8(buf, len, crc);
    case 16:
        return crc16(buf, len, crc);
    default:
        return crc32(buf, len, crc);
    }
}

#endif
