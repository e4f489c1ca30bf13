// genchecksum: stamps an application image in place with its length and CRC-32.
//
// Header fields, little-endian:
//   bytes 28..31  app_len  the file's length in bytes
//   bytes 32..35  app_crc  crc32 over the whole file with crc 0xFFFFFFFF, taken
//                          after app_len is stored and while app_crc still
//                          holds its previous content
//
// Every message goes to standard output; the status is 0 on success, -1 on any
// failure.

#include "crc/crc.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

static const long c_app_len_offset_g = 28;
static const long c_app_crc_offset_g = 32;
// The smallest image that holds both header fields.
static const long c_header_len_g = 36;
// The length travels as a signed 32-bit number, so images stay below 2^31 bytes.
static const long long c_max_len_g = 0x7FFFFFFF;
static const u32 c_crc_init_g = 0xFFFFFFFF;

// Stores `value` little-endian into the four bytes at `p`.
static void put_le32(unsigned char* p, u32 value)
{
    p[0] = (unsigned char)value;
    p[1] = (unsigned char)(value >> 8);
    p[2] = (unsigned char)(value >> 16);
    p[3] = (unsigned char)(value >> 24);
}

// Returns true when `path` names something that exists but is not a regular
// file (after following symbolic links). Such a path is refused before it is
// opened: opening a FIFO would block, and the length of a directory or a device
// is not an image's length. A path that can't be examined is left to the open,
// which then reports it.
static bool is_other_than_file(const char* path)
{
    std::error_code ec;
    const std::filesystem::file_status st = std::filesystem::status(path, ec);
    return !ec && st.type() != std::filesystem::file_type::regular;
}

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::printf("Wrong input! Useage: %s appname\n", argc > 0 && argv[0] ? argv[0] : "genchecksum");
        return -1;
    }
    const char* path = argv[1];

    if (is_other_than_file(path)) {
        std::printf("%s is not a regular file.\n", path);
        return -1;
    }
    std::FILE* file = std::fopen(path, "rb");
    if (!file) {
        std::printf("open %s fail.\n", path);
        return -1;
    }

    long file_len = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        file_len = std::ftell(file);
    }
    if (file_len < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
        std::printf("read file fail.\n");
        std::fclose(file);
        return -1;
    }
    if (file_len < c_header_len_g) {
        std::printf("%s is too short: %ld bytes, the header needs %ld.\n", path, file_len, c_header_len_g);
        std::fclose(file);
        return -1;
    }
    if ((long long)file_len > c_max_len_g) {
        std::printf("%s is too large: %ld bytes, the limit is %lld.\n", path, file_len, c_max_len_g);
        std::fclose(file);
        return -1;
    }
    const int len = (int)file_len;

    unsigned char* buf = (unsigned char*)std::malloc((size_t)len);
    if (!buf) {
        std::printf("malloc %d fail.\n", len);
        std::fclose(file);
        return -1;
    }
    if (std::fread(buf, 1, (size_t)len, file) != (size_t)len) {
        std::printf("read file fail.\n");
        std::free(buf);
        std::fclose(file);
        return -1;
    }
    std::fclose(file);

    put_le32(buf + c_app_len_offset_g, (u32)len);
    const u32 crc = crc32(buf, (u32)len, c_crc_init_g);
    std::printf("crcval=0x%x.\n", (unsigned)crc);
    put_le32(buf + c_app_crc_offset_g, crc);

    // The file is updated in place, never truncated: its length does not change
    // and only bytes 28..35 differ, so a write that fails part-way leaves every
    // other byte as it was, and the file keeps its inode, links, mode and owner.
    file = std::fopen(path, "r+b");
    if (!file) {
        std::printf("open %s for rewrite fail.\n", path);
        std::free(buf);
        return -1;
    }
    const bool written = std::fwrite(buf, 1, (size_t)len, file) == (size_t)len;
    std::free(buf);
    // Buffered bytes reach the file only at the flush or the close, so a
    // failure there is a failed write too.
    const bool flushed = written && std::fflush(file) == 0;
    const bool closed = std::fclose(file) == 0;
    if (!written || !flushed || !closed) {
        std::printf("write file fail.\n");
        return -1;
    }
    return 0;
}
