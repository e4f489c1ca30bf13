// The independent reference for the CRC engine: Boost.CRC's generic bitwise
// CRC, configured with the engine's parameters (input reflected, remainder not
// reflected, no final XOR). Shared by the differential tests and the fuzz target.

#ifndef TESTS_CRC_ORACLE_H
#define TESTS_CRC_ORACLE_H

#include "crc/crc.h"
#include "crc_of_width.h"

#include <boost/crc.hpp>

#include <cstddef>

// Returns Boost.CRC's CRC of the given width (8, 16 or 32) over `len` bytes at
// `buf`, from the low `width` bits of `init`.
inline u32 oracle_crc(int width, const void* buf, std::size_t len, u32 init)
{
    switch (width) {
    case 8: {
        boost::crc_basic<8> crc(0x1D, (unsigned char)init, 0, true, false);
        crc.process_bytes(buf, len);
        return crc.checksum();
    }
    case 16: {
        boost::crc_basic<16> crc(0x1021, (unsigned short)init, 0, true, false);
        crc.process_bytes(buf, len);
        return crc.checksum();
    }
    default: {
        boost::crc_basic<32> crc(0x04C11DB7, init, 0, true, false);
        crc.process_bytes(buf, len);
        return crc.checksum();
    }
    }
}

#endif
