# genchecksum_stamp(<target> [OUTPUT <file.bin>])
#
# Adds to <target> one ordered post-build sequence:
#   1. ${CMAKE_OBJCOPY} -O binary <target's file> <file.bin>
#   2. genchecksum <file.bin>, which stamps app_len and app_crc into it.
# <target> must be an executable. <file.bin> defaults to <name>.bin beside the
# target's file, where <name> is its OUTPUT_NAME or else the target's name
# (app.elf of target app gives app.bin); a relative OUTPUT is taken from the
# current binary folder. It is declared a byproduct of <target>. A failing
# stamp fails the build.
#
# The genchecksum that runs on the build machine is, in this order:
#   - GENCHECKSUM_EXECUTABLE, when set (cache variable; set it for a cross build
#     that can't or won't find this package, or to override it);
#   - the target genchecksum::genchecksum, imported by find_package(genchecksum)
#     or defined by genchecksum's own build;
#   - genchecksum found on the build machine's PATH, ignoring
#     CMAKE_FIND_ROOT_PATH (a toolchain file's target root holds no host tools).
#
# Comes with the CMake package (find_package(genchecksum CONFIG)); a project can
# also include it straight from genchecksum's source tree, without installing.

include_guard(GLOBAL)

if(CMAKE_VERSION VERSION_LESS 3.20)
  message(FATAL_ERROR "genchecksum_stamp needs CMake 3.20 or newer (generator expressions in BYPRODUCTS)")
endif()

function(genchecksum_stamp target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "OUTPUT" "")
  if(arg_UNPARSED_ARGUMENTS OR arg_KEYWORDS_MISSING_VALUES)
    message(FATAL_ERROR "genchecksum_stamp(${target}): usage is genchecksum_stamp(<target> [OUTPUT <file.bin>])")
  endif()
  if(NOT TARGET ${target})
    message(FATAL_ERROR "genchecksum_stamp: ${target} is not a target")
  endif()
  get_target_property(type ${target} TYPE)
  if(NOT type STREQUAL "EXECUTABLE")
    message(FATAL_ERROR "genchecksum_stamp: ${target} is not an executable")
  endif()
  if(NOT CMAKE_OBJCOPY)
    message(FATAL_ERROR "genchecksum_stamp(${target}): CMAKE_OBJCOPY is not set; set it to your toolchain's objcopy")
  endif()

  if(arg_OUTPUT)
    get_filename_component(out "${arg_OUTPUT}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
    get_filename_component(out_dir "${out}" DIRECTORY)
  else()
    # Beside the target's file. Worked out from the target's properties
    # because BYPRODUCTS can't name it through $<TARGET_FILE_DIR>.
    get_target_property(dir ${target} RUNTIME_OUTPUT_DIRECTORY)
    if(NOT dir)
      get_target_property(dir ${target} BINARY_DIR)
    endif()
    get_property(multi_config GLOBAL PROPERTY GENERATOR_IS_MULTI_CONFIG)
    if(multi_config AND NOT dir MATCHES "\\$<")
      string(APPEND dir "/$<CONFIG>")
    endif()
    get_target_property(name ${target} OUTPUT_NAME)
    if(NOT name)
      set(name ${target})
    endif()
    set(out "${dir}/${name}.bin")
    set(out_dir "${dir}")
  endif()

  if(GENCHECKSUM_EXECUTABLE)
    set(tool "${GENCHECKSUM_EXECUTABLE}")
  elseif(TARGET genchecksum::genchecksum)
    set(tool "$<TARGET_FILE:genchecksum::genchecksum>")
    # Built in the same project: build it before the target's post-build step.
    get_target_property(built genchecksum::genchecksum ALIASED_TARGET)
    if(built)
      add_dependencies(${target} ${built})
    endif()
  else()
    find_program(GENCHECKSUM_EXECUTABLE genchecksum NO_CMAKE_FIND_ROOT_PATH
      DOC "genchecksum to run on the build machine")
    if(NOT GENCHECKSUM_EXECUTABLE)
      message(FATAL_ERROR "genchecksum_stamp(${target}): no genchecksum found; "
        "find_package(genchecksum) or set GENCHECKSUM_EXECUTABLE")
    endif()
    set(tool "${GENCHECKSUM_EXECUTABLE}")
  endif()

  if(NOT tool MATCHES "\\$<")
    # A new genchecksum relinks the target, so its image is stamped again.
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${tool}")
  endif()

  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${out_dir}"
    COMMAND "${CMAKE_OBJCOPY}" -O binary "$<TARGET_FILE:${target}>" "${out}"
    COMMAND "${tool}" "${out}"
    BYPRODUCTS "${out}"
    COMMENT "Stamping ${target}: objcopy -O binary, then genchecksum"
    VERBATIM)
endfunction()
