# Build helpers for the Cortex-M programs of this project (the target tests and
# the example firmware). Include after project() in a build configured with
# cmake/arm-none-eabi.cmake.

get_filename_component(GENCHECKSUM_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(GENCHECKSUM_BOARDS_DIR "${CMAKE_CURRENT_LIST_DIR}")

option(GENCHECKSUM_WERROR "Treat compiler warnings as errors" OFF)

# Compiles `target` for the core `cpu` as the engine is meant to run there:
# size-optimised, no exceptions, no RTTI, assertions left on. Two flags keep the
# assertion texts short without touching them: __FILE__ loses the path up to
# the repository ("crc/crc.cpp"), and newlib's assert names the function with
# __func__ ("crc_soft") instead of g++'s full signature.
function(genchecksum_cortex_m_options target cpu)
  target_compile_options(${target} PRIVATE
    -mcpu=${cpu} -mthumb -Os -ffunction-sections -fdata-sections
    $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti>
    -fmacro-prefix-map=${GENCHECKSUM_ROOT}/=
    -Wall -Wextra -Wpedantic $<$<BOOL:${GENCHECKSUM_WERROR}>:-Werror>)
  target_compile_definitions(${target} PRIVATE __ASSERT_FUNC=__func__)
  set_target_properties(${target} PROPERTIES CXX_STANDARD 17 CXX_STANDARD_REQUIRED ON CXX_EXTENSIONS OFF)
endfunction()

# Adds the CRC engine for `cpu` as the object library `name`, from the same
# crc/ sources as the host build.
function(genchecksum_cortex_m_crc name cpu)
  add_library(${name} OBJECT "${GENCHECKSUM_ROOT}/crc/crc.cpp")
  target_include_directories(${name} PUBLIC "${GENCHECKSUM_ROOT}")
  genchecksum_cortex_m_options(${name} ${cpu})
endfunction()

# Adds the program `name` (file name.elf) for `cpu` on `board` (a linker
# script boards/<board>.ld) from the sources after the two, with this folder's
# start-up code and console. Its output and exit status go through semihosting.
function(genchecksum_cortex_m_program name cpu board)
  add_executable(${name} ${ARGN}
    "${GENCHECKSUM_BOARDS_DIR}/startup.c" "${GENCHECKSUM_BOARDS_DIR}/console.c")
  set_target_properties(${name} PROPERTIES SUFFIX .elf
    LINK_DEPENDS "${GENCHECKSUM_BOARDS_DIR}/${board}.ld;${GENCHECKSUM_BOARDS_DIR}/cortex-m.ld")
  target_include_directories(${name} PRIVATE "${GENCHECKSUM_BOARDS_DIR}")
  genchecksum_cortex_m_options(${name} ${cpu})
  target_link_options(${name} PRIVATE
    -mcpu=${cpu} -mthumb --specs=nano.specs -nostartfiles -Wl,--gc-sections
    "-L${GENCHECKSUM_BOARDS_DIR}" "-T${board}.ld" "-Wl,-Map=$<TARGET_FILE_DIR:${name}>/${name}.map")
endfunction()

# Adds the test `name`: runs `image` (an ELF file or a raw image) on qemu's
# `machine` and expects EXPECT_STATUS as its exit status and, if given, output
# that matches EXPECT_OUTPUT. With FLIP (an offset or "last") it runs a copy
# of the image with that byte inverted.
function(genchecksum_qemu_test name machine image)
  cmake_parse_arguments(PARSE_ARGV 3 arg "" "EXPECT_STATUS;EXPECT_OUTPUT;FLIP" "")
  find_program(GENCHECKSUM_QEMU_ARM qemu-system-arm REQUIRED)
  set(args "-DQEMU=${GENCHECKSUM_QEMU_ARM}" "-DMACHINE=${machine}" "-DIMAGE=${image}"
    "-DEXPECT_STATUS=${arg_EXPECT_STATUS}")
  if(DEFINED arg_EXPECT_OUTPUT)
    list(APPEND args "-DEXPECT_OUTPUT=${arg_EXPECT_OUTPUT}")
  endif()
  if(DEFINED arg_FLIP)
    list(APPEND args "-DFLIP=${arg_FLIP}" "-DCOPY=${CMAKE_CURRENT_BINARY_DIR}/${name}.bin")
  endif()
  add_test(NAME ${name} COMMAND "${CMAKE_COMMAND}" ${args} -P "${GENCHECKSUM_BOARDS_DIR}/qemu_run.cmake")
  set_tests_properties(${name} PROPERTIES TIMEOUT 120)
endfunction()
