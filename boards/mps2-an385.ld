/* Arm MPS2 with the AN385 image (Cortex-M3), as qemu's -M mps2-an385 models
 * it: code memory at 0, data memory at 0x20000000. */
MEMORY
{
    FLASH (rx) : ORIGIN = 0x00000000, LENGTH = 4M
    RAM (rwx)  : ORIGIN = 0x20000000, LENGTH = 64K
}
INCLUDE cortex-m.ld
