/* Text output and end of run of the Cortex-M programs of this project, through
 * semihosting: the debugger or emulator (qemu with -semihosting-config
 * enable=on,target=native) prints the text and ends with the exit status. No
 * stdio and no system-call library: nothing here needs a heap. */

#ifndef BOARDS_CONSOLE_H
#define BOARDS_CONSOLE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Writes the zero-terminated text `s`. */
void console_puts(const char* s);

/* Writes `value` as "0x" and eight upper-case hexadecimal digits. */
void console_put_hex(uint32_t value);

/* Writes `value` in decimal. */
void console_put_dec(uint32_t value);

/* Ends the run with `status` (0: success) as the emulator's exit status. */
void console_exit(int status) __attribute__((noreturn));

#ifdef __cplusplus
}
#endif

#endif
