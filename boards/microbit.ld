/* BBC micro:bit (nRF51822, Cortex-M0), as qemu's -M microbit models it. */
MEMORY
{
    FLASH (rx) : ORIGIN = 0x00000000, LENGTH = 256K
    RAM (rwx)  : ORIGIN = 0x20000000, LENGTH = 16K
}
INCLUDE cortex-m.ld
