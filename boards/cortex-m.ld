/* Sections of a Cortex-M image of this project. The board's script defines the
 * memory regions FLASH (where the image is loaded, from its first byte) and
 * RAM, then includes this file.
 *
 * The image is the FLASH content from image_start to image_end: the vector
 * table first, then code, read-only data and the initial values of .data. */

ENTRY(reset_handler)

SECTIONS
{
    .text : {
        image_start = .;
        KEEP(*(.vectors))
        *(.text .text.*)
        *(.rodata .rodata.*)
        . = ALIGN(4);
    } > FLASH

    .ARM.exidx : {
        *(.ARM.exidx .ARM.exidx.* .gnu.linkonce.armexidx.*)
    } > FLASH

    .data : {
        . = ALIGN(4);
        data_start = .;
        *(.data .data.*)
        . = ALIGN(4);
        data_end = .;
    } > RAM AT > FLASH
    data_load = LOADADDR(.data);
    image_end = data_load + SIZEOF(.data);

    .bss (NOLOAD) : {
        . = ALIGN(4);
        bss_start = .;
        *(.bss .bss.* COMMON)
        . = ALIGN(4);
        bss_end = .;
    } > RAM

    stack_top = ORIGIN(RAM) + LENGTH(RAM);

    /* The programs run without a heap. */
    ASSERT(!DEFINED(malloc) && !DEFINED(_malloc_r), "a heap allocator was linked in")

    /* The start-up code runs no constructors: refuse a program that needs them. */
    .init_array : { *(.init_array .init_array.*) } > FLASH
    ASSERT(SIZEOF(.init_array) == 0, "static constructors are not run by this start-up")
}
