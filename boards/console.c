/* Text output and end of run through semihosting, and the report of a failed
 * assertion. */

#include "console.h"

#include <stddef.h>

/* Semihosting operations (Arm semihosting 2.0). */
#define SYS_OPEN 0x01u
#define SYS_WRITE 0x05u
#define SYS_EXIT 0x18u
#define SYS_EXIT_EXTENDED 0x20u
#define ADP_STOPPED_APPLICATION_EXIT 0x20026u
#define ADP_STOPPED_RUN_TIME_ERROR 0x20023u

/* Exit status of a run that ended in a failed assertion. */
#define ASSERT_EXIT_STATUS 2

void __assert_func(const char* file, int line, const char* func, const char* expr) __attribute__((noreturn));

/* Asks the host to carry out semihosting operation `op` with the argument
 * `arg` and returns its result. On M-profile cores the request is BKPT 0xAB. */
static uint32_t semihost_call(uint32_t op, const void* arg)
{
    register uint32_t r0 __asm__("r0") = op;
    register const void* r1 __asm__("r1") = arg;
    __asm__ volatile("bkpt 0xAB" : "+r"(r0) : "r"(r1) : "memory");
    return r0;
}

/* The host's standard output: the special file ":tt" opened for writing
 * (mode 4, "w"), once. */
static uint32_t console_handle(void)
{
    static uint32_t handle = 0;
    static int opened = 0;
    if (!opened) {
        static const char c_tt_g[] = ":tt";
        const uint32_t block[3] = {(uint32_t)(uintptr_t)c_tt_g, 4, sizeof c_tt_g - 1};
        handle = semihost_call(SYS_OPEN, block);
        opened = 1;
    }
    return handle;
}

void console_puts(const char* s)
{
    size_t len = 0;
    while (s[len] != '\0') {
        ++len;
    }
    const uint32_t block[3] = {console_handle(), (uint32_t)(uintptr_t)s, (uint32_t)len};
    semihost_call(SYS_WRITE, block);
}

void console_put_hex(uint32_t value)
{
    char text[11] = "0x";
    for (int i = 0; i < 8; ++i) {
        const uint32_t digit = (value >> (28 - 4 * i)) & 0xF;
        text[2 + i] = (char)(digit < 10 ? '0' + digit : 'A' + digit - 10);
    }
    text[10] = '\0';
    console_puts(text);
}

void console_put_dec(uint32_t value)
{
    char text[11];
    int i = 10;
    text[i] = '\0';
    do {
        text[--i] = (char)('0' + value % 10);
        value /= 10;
    } while (value != 0);
    console_puts(text + i);
}

void console_exit(int status)
{
    /* The extended exit carries the status. A host without it returns, and
     * the plain exit then tells at least success from failure. */
    const uint32_t block[2] = {ADP_STOPPED_APPLICATION_EXIT, (uint32_t)status};
    semihost_call(SYS_EXIT_EXTENDED, block);
    semihost_call(SYS_EXIT, (const void*)(uintptr_t)(status == 0 ? ADP_STOPPED_APPLICATION_EXIT
                                                                 : ADP_STOPPED_RUN_TIME_ERROR));
    for (;;) {
    }
}

/* Replaces newlib's handler, which prints through stdio and so pulls in a
 * heap: the same report, written directly, then the end of the run. */
void __assert_func(const char* file, int line, const char* func, const char* expr)
{
    console_puts("assertion \"");
    console_puts(expr);
    console_puts("\" failed: file \"");
    console_puts(file);
    console_puts("\", line ");
    console_put_dec((uint32_t)line);
    if (func != NULL) {
        console_puts(", function: ");
        console_puts(func);
    }
    console_puts("\n");
    console_exit(ASSERT_EXIT_STATUS);
}
