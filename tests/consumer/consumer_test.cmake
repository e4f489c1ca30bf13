# Installs the build in BUILD_DIR to a fresh prefix under WORK_DIR, then
# configures, builds and runs the consumer project in SOURCE_DIR against that
# prefix alone, and checks what the install and the stamp left.
#
#   cmake -DBUILD_DIR=<dir> -DWORK_DIR=<dir> -DSOURCE_DIR=<dir>
#         -DGENERATOR=<generator> -DCXX=<compiler>
#         [-DFIRMWARE_DIR=<dir> -DTOOLCHAIN=<file>] -P consumer_test.cmake
#
# With FIRMWARE_DIR, the example firmware is also cross-built with TOOLCHAIN
# against the prefix (the package found from a cross build) and booted.

set(prefix "${WORK_DIR}/prefix")
set(build "${WORK_DIR}/build")
file(REMOVE_RECURSE "${WORK_DIR}")

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  message("${out}${err}")
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "failed (${status}): ${ARGN}")
  endif()
endfunction()

run("${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}")
foreach(installed bin/genchecksum include/crc/crc.h share/man/man1/genchecksum.1)
  if(NOT EXISTS "${prefix}/${installed}")
    message(FATAL_ERROR "not installed: ${installed}")
  endif()
endforeach()

# Only the prefix: no package registry, so nothing else can answer.
run("${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${build}" -G "${GENERATOR}" "-DCMAKE_CXX_COMPILER=${CXX}"
  "-DCMAKE_PREFIX_PATH=${prefix}" -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF)
run("${CMAKE_COMMAND}" --build "${build}")
run("${build}/consumer")

# A stamp that fails fails the build: the same project with a command that
# always fails in place of genchecksum.
find_program(false_command false REQUIRED)
run("${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${WORK_DIR}/failing" -G "${GENERATOR}"
  "-DCMAKE_CXX_COMPILER=${CXX}" "-DCMAKE_PREFIX_PATH=${prefix}" -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF
  "-DGENCHECKSUM_EXECUTABLE=${false_command}")
execute_process(COMMAND "${CMAKE_COMMAND}" --build "${WORK_DIR}/failing" RESULT_VARIABLE status
  OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(status EQUAL 0 OR NOT "${out}${err}" MATCHES "Stamping consumer")
  message(FATAL_ERROR "the build passed although its stamp failed:\n${out}${err}")
endif()

# The post-build steps stamped consumer.bin (beside the program) and
# images/consumer.img: app_len (bytes 28..31, little-endian) is the length.
foreach(image "${build}/consumer.bin" "${build}/images/consumer.img")
  if(NOT EXISTS "${image}")
    message(FATAL_ERROR "genchecksum_stamp made no ${image}")
  endif()
  file(SIZE "${image}" len)
  file(READ "${image}" field OFFSET 28 LIMIT 4 HEX)
  string(REGEX REPLACE "(..)(..)(..)(..)" "\\4\\3\\2\\1" field "${field}")
  math(EXPR app_len "0x${field}")
  if(NOT app_len EQUAL len)
    message(FATAL_ERROR "app_len of ${image} is ${app_len}, its length is ${len}")
  endif()
  message(STATUS "${image} stamped: app_len ${app_len}")
endforeach()

if(FIRMWARE_DIR)
  set(firmware "${WORK_DIR}/firmware")
  run("${CMAKE_COMMAND}" -S "${FIRMWARE_DIR}" -B "${firmware}" -G "${GENERATOR}"
    "-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}" "-DCMAKE_PREFIX_PATH=${prefix}" -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF)
  file(STRINGS "${firmware}/CMakeCache.txt" found REGEX "^genchecksum_DIR:")
  if(NOT found MATCHES "${prefix}")
    message(FATAL_ERROR "the cross build did not take the package from the prefix: ${found}")
  endif()
  run("${CMAKE_COMMAND}" --build "${firmware}")
  run("${CMAKE_CTEST_COMMAND}" --test-dir "${firmware}" --output-on-failure)
endif()
