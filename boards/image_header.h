/* The image header that a Cortex-M image of this project carries in its vector
 * table, and the symbols that the linker scripts in this folder define.
 *
 * Bytes 28..31 (entry 7) hold app_len and bytes 32..35 (entry 8) hold app_crc.
 * The ARMv6-M and ARMv7-M architectures reserve both entries, so the core never
 * reads them. Until genchecksum stamps the image they hold the placeholders
 * below; a boot-time check must feed the CRC placeholder in place of the
 * stamped app_crc, because the stamped CRC covers the field's previous content.
 */

#ifndef BOARDS_IMAGE_HEADER_H
#define BOARDS_IMAGE_HEADER_H

#define IMAGE_APP_LEN_OFFSET 28u
#define IMAGE_APP_CRC_OFFSET 32u
#define IMAGE_APP_LEN_PLACEHOLDER 0x00000000u
#define IMAGE_APP_CRC_PLACEHOLDER 0xFFFFFFFFu

#ifdef __cplusplus
extern "C" {
#endif

/* First byte of the image (the vector table) and the byte after its last
 * loaded byte, as the linker script places them. */
extern const unsigned char image_start[];
extern const unsigned char image_end[];

#ifdef __cplusplus
}
#endif

#endif
