/* Minimal start-up for the Cortex-M programs of this project, run under
 * qemu with semihosting: the vector table (which carries the image header),
 * the reset handler that prepares RAM and runs main, and a fault handler that
 * ends the run with a failure instead of hanging the emulator.
 *
 * The same file serves Cortex-M0 (ARMv6-M) and Cortex-M3 (ARMv7-M); entries 4
 * to 6 are reserved on the first and fault handlers on the second. */

#include "console.h"
#include "image_header.h"

#include <stdint.h>

/* Defined by the linker script. */
extern uint32_t data_load[];
extern uint32_t data_start[];
extern uint32_t data_end[];
extern uint32_t bss_start[];
extern uint32_t bss_end[];
extern uint32_t stack_top[];

extern int main(void);

/* Exit status of a run that ended in a fault. */
#define FAULT_EXIT_STATUS 3

void reset_handler(void) __attribute__((noreturn));
void fault_handler(void) __attribute__((noreturn));

typedef void (*handler)(void);

struct vector_table {
    const uint32_t* stack;
    handler entry[6];   /* reset, NMI, HardFault, MemManage, BusFault, UsageFault */
    uint32_t app_len;   /* bytes 28..31 */
    uint32_t app_crc;   /* bytes 32..35 */
    handler rest[7];    /* reserved, reserved, SVCall, debug, reserved, PendSV, SysTick */
};

__attribute__((section(".vectors"), used))
const struct vector_table vectors = {
    stack_top,
    {reset_handler, fault_handler, fault_handler, fault_handler, fault_handler, fault_handler},
    IMAGE_APP_LEN_PLACEHOLDER,
    IMAGE_APP_CRC_PLACEHOLDER,
    {0, 0, fault_handler, fault_handler, 0, fault_handler, fault_handler},
};

void reset_handler(void)
{
    for (uint32_t *src = data_load, *dst = data_start; dst < data_end; ++src, ++dst) {
        *dst = *src;
    }
    for (uint32_t* dst = bss_start; dst < bss_end; ++dst) {
        *dst = 0;
    }
    console_exit(main());
}

void fault_handler(void)
{
    console_puts("fault\n");
    console_exit(FAULT_EXIT_STATUS);
}
