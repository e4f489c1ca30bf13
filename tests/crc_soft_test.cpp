// The private bit-serial engine crc_soft: unit widths agree, and its alignment
// preconditions stop the process with their exact texts in every build type.

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

// crc_soft is private to the engine's source, so the source is compiled here.
#include "crc/crc.cpp"

namespace {

alignas(4) unsigned char g_run[4096];

// Turns a literal text into a POSIX extended regular expression matching it.
std::string quote_regex(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (std::strchr("()|&*+?.[]{}^$\\", c)) out += '\\';
        out += c;
    }
    return out;
}

TEST(crc_soft, unit_widths_give_one_register)
{
    std::mt19937 rng(4096);
    for (auto& b : g_run) b = (unsigned char)rng();
    for (int type : {crc_type_8, crc_type_16, crc_type_32}) {
        for (u32 init : {0u, 0xFFFFFFFFu, 0xDEADBEEFu}) {
            SCOPED_TRACE(testing::Message() << "crc_type " << type << " init 0x" << std::hex << init);
            const u32 bytes = crc_soft(g_run, sizeof g_run, init, type, unit_type_8);
            // The whole register, bits above the CRC's width included.
            EXPECT_EQ(crc_soft(g_run, sizeof g_run, init, type, unit_type_16), bytes);
            EXPECT_EQ(crc_soft(g_run, sizeof g_run, init, type, unit_type_32), bytes);
        }
    }
}

TEST(crc_soft, check_value_from_words_and_a_byte)
{
    alignas(4) static const unsigned char text[] = "123456789";
    const u32 words = crc_soft(text, 8, 0xFFFFFFFF, crc_type_32, unit_type_32);
    EXPECT_EQ(crc_soft(text + 8, 1, words, crc_type_32, unit_type_8), 0x9B63D02Cu);
    EXPECT_EQ(crc_soft(text, 9, 0xFFFFFFFF, crc_type_32, unit_type_8), 0x9B63D02Cu);
}

TEST(crc_soft, empty_run_returns_the_register)
{
    for (int unit : {unit_type_8, unit_type_16, unit_type_32}) {
        EXPECT_EQ(crc_soft(g_run, 0, 0xC0FFEE11, crc_type_32, unit), 0xC0FFEE11u);
        EXPECT_EQ(crc_soft(g_run, 0, 0xC0FFEE11, crc_type_8, unit), 0xC0FFEE11u);
    }
}

TEST(crc_soft_death, misaligned_16_bit_run_stops_the_process)
{
    const std::string text = quote_regex("(((u32)buf | len) & 1) == 0");
    EXPECT_DEATH(crc_soft(g_run + 1, 2, 0, crc_type_32, unit_type_16), text);
    EXPECT_DEATH(crc_soft(g_run, 3, 0, crc_type_16, unit_type_16), text);
}

TEST(crc_soft_death, misaligned_32_bit_run_stops_the_process)
{
    const std::string text = quote_regex("(((u32)buf | len) & 3) == 0");
    EXPECT_DEATH(crc_soft(g_run + 2, 4, 0, crc_type_32, unit_type_32), text);
    EXPECT_DEATH(crc_soft(g_run, 6, 0, crc_type_8, unit_type_32), text);
}

}  // namespace
