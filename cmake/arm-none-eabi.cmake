# CMake toolchain file for bare-metal Arm Cortex-M with the GNU Arm Embedded
# toolchain (Debian: gcc-arm-none-eabi, libnewlib-arm-none-eabi,
# libstdc++-arm-none-eabi-newlib).
#
#   cmake -S <src> -B <build> -DCMAKE_TOOLCHAIN_FILE=<this repo>/cmake/arm-none-eabi.cmake
#
# It selects the compilers only; the project picks the core (-mcpu=...).

set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(CMAKE_C_COMPILER arm-none-eabi-gcc)
set(CMAKE_CXX_COMPILER arm-none-eabi-g++)
set(CMAKE_ASM_COMPILER arm-none-eabi-gcc)

# There is no operating system to link a test executable for: the compiler
# checks build a static library instead.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

# Libraries, headers and packages come from the target's root only; programs
# (the host tools that run during the build) from the host.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/lib/arm-none-eabi)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
