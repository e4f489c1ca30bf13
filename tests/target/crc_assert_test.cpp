// The engine's precondition on the device: a 32-bit run at an address that is
// not a multiple of 4 must stop the program through the assertion (exit
// status 2 and its report), not read a misaligned word. The engine's source
// is compiled into this program to reach its private crc_soft.

#include "console.h"
#include "crc/crc.cpp"

int main()
{
    alignas(4) static const unsigned char buf[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    crc_soft(buf + 1, 4, 0xFFFFFFFF, crc_type_32, unit_type_32);
    console_puts("a misaligned 32-bit run was not stopped\n");
    return 1;
}
