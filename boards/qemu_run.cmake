# Runs a program under qemu with semihosting and checks its exit status and
# output.
#
#   cmake -DQEMU=<qemu-system-arm> -DMACHINE=<machine> -DIMAGE=<file>
#         -DEXPECT_STATUS=<n> [-DEXPECT_OUTPUT=<regex>]
#         [-DFLIP=<offset>|last -DCOPY=<file>] -P qemu_run.cmake
#
# IMAGE is an ELF file or a raw image; qemu loads a raw image given to -kernel
# at address 0 of an M-profile board, where the vector table belongs. With
# FLIP, the program runs from COPY, a copy of IMAGE with one byte (at the
# offset, or the last one) inverted.

set(run "${IMAGE}")
if(DEFINED FLIP)
  file(COPY_FILE "${IMAGE}" "${COPY}")
  if(FLIP STREQUAL "last")
    file(SIZE "${COPY}" len)
    math(EXPR FLIP "${len} - 1")
  endif()
  file(SIZE "${COPY}" size_before)
  file(READ "${COPY}" byte OFFSET ${FLIP} LIMIT 1 HEX)
  math(EXPR value "0x${byte} ^ 0xFF")
  math(EXPR flipped "${value} + 0x100" OUTPUT_FORMAT HEXADECIMAL)
  string(SUBSTRING "${flipped}" 3 2 flipped)
  # The new byte goes through printf as a three-digit octal escape, which every
  # POSIX printf turns into that one byte.
  math(EXPR o1 "${value} / 64")
  math(EXPR o2 "(${value} / 8) % 8")
  math(EXPR o3 "${value} % 8")
  execute_process(
    COMMAND sh -c "printf '\\${o1}${o2}${o3}' | dd of='${COPY}' bs=1 seek=${FLIP} conv=notrunc status=none"
    RESULT_VARIABLE status)
  file(SIZE "${COPY}" size_after)
  file(READ "${COPY}" byte_after OFFSET ${FLIP} LIMIT 1 HEX)
  if(NOT status EQUAL 0 OR NOT size_after EQUAL size_before OR NOT byte_after STREQUAL flipped)
    message(FATAL_ERROR "could not flip byte ${FLIP} of ${COPY} (now 0x${byte_after}, ${size_after} bytes)")
  endif()
  message(STATUS "byte ${FLIP} flipped: 0x${byte} -> 0x${flipped}")
  set(run "${COPY}")
endif()

execute_process(
  COMMAND "${QEMU}" -M ${MACHINE} -nographic -semihosting-config enable=on,target=native -kernel "${run}"
  OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status TIMEOUT 60)
message("${output}${errors}")
if(NOT status STREQUAL "${EXPECT_STATUS}")
  message(FATAL_ERROR "exit status ${status}, expected ${EXPECT_STATUS}")
endif()
if(DEFINED EXPECT_OUTPUT AND NOT output MATCHES "${EXPECT_OUTPUT}")
  message(FATAL_ERROR "the output does not match \"${EXPECT_OUTPUT}\"")
endif()
