// CRC engine: CRC-8, CRC-16 and CRC-32 over a buffer of any address and length.
//
// Every CRC here is computed by a bit-serial shift register that shifts towards
// its most significant bit while the data bits enter least significant bit
// first. In the usual parametric terms each width is:
//
//   crc32: polynomial 0x04C11DB7, input reflected, output not reflected,
//          final XOR 0, initial value from the caller.
//          "123456789" with crc 0xFFFFFFFF gives 0x9B63D02C.
//   crc16: polynomial 0x1021, input reflected, output not reflected,
//          final XOR 0, initial value from the caller (low 16 bits).
//          "123456789" with crc 0xFFFFFFFF gives 0x89F6.
//   crc8:  polynomial 0x1D, input reflected, output not reflected,
//          final XOR 0, initial value from the caller (low 8 bits).
//          "123456789" with crc 0xFFFFFFFF gives 0xE9.
//
// These are not the values of the common "CRC-32" (zlib, Ethernet), which also
// reflects its output and applies a final XOR.
//
// No function keeps state: all may be called from several threads at once, and
// a buffer may be checksummed in pieces by passing the result of one call as
// `crc` to the call over the bytes that follow.

#ifndef CRC_CRC_H
#define CRC_CRC_H

#include <stdint.h>

typedef uint32_t u32;

// Width of the CRC that the engine computes.
enum crc_type { crc_type_8 = 0, crc_type_16 = 1, crc_type_32 = 2 };

// Width of the little-endian data unit that the engine reads at a time.
enum unit_type { unit_type_8 = 0, unit_type_16 = 1, unit_type_32 = 2 };

// Returns the CRC-32 register after `len` bytes at `buf`, starting from `crc`.
u32 crc32(const void* buf, u32 len, u32 crc);

// Returns the CRC-16 after `len` bytes at `buf`, starting from the low 16 bits
// of `crc`; bits 16 to 31 of the result are zero.
u32 crc16(const void* buf, u32 len, u32 crc);

// Returns the CRC-8 after `len` bytes at `buf`, starting from the low 8 bits of
// `crc`; bits 8 to 31 of the result are zero.
u32 crc8(const void* buf, u32 len, u32 crc);

#endif
