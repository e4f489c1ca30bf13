// Published check values of the engine's CRC family, shared by the host tests
// and the tests that run on the device.

#ifndef TESTS_CRC_CHECK_VALUES_H
#define TESTS_CRC_CHECK_VALUES_H

#include "crc/crc.h"

// The entry point of `width` (8, 16 or 32) over the ASCII `text` (no
// terminating zero) from `init` gives `expected`; for crc16, its low 16 bits.
struct check_case {
    int width;
    u32 init;
    const char* text;
    u32 expected;
};

// Check values of this CRC family: polynomial 0x04C11DB7 / 0x1021 / 0x1D,
// input reflected, output not reflected, no final XOR.
const check_case c_check_cases_g[] = {
    {32, 0xFFFFFFFF, "abc", 0xBC7DDB53}, {32, 0xFFFFFFFF, "123456789", 0x9B63D02C},
    {32, 0x00000000, "abc", 0x0B19A653}, {32, 0x00000000, "123456789", 0x11B4BFB4},
    {16, 0xFFFFFFFF, "abc", 0x5B86},     {16, 0xFFFFFFFF, "123456789", 0x89F6},
    {16, 0x00000000, "abc", 0x971A},     {16, 0x00000000, "123456789", 0x9184},
    {8, 0xFFFFFFFF, "abc", 0xEF},        {8, 0xFFFFFFFF, "123456789", 0xE9},
    {8, 0x00000000, "abc", 0xE1},        {8, 0x00000000, "123456789", 0x6A},
};

#endif
