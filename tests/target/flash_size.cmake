# Prints the flash that the CRC engine's objects take (.text plus .rodata,
# which holds the assertion texts, file and function names) and, when BUDGET
# is given, fails if it is larger.
#
#   cmake -DSIZE=<arm-none-eabi-size> -DNM=<arm-none-eabi-nm> -DLABEL=<text>
#         -DOBJECTS=<obj;...> [-DBUDGET=<bytes>] -P flash_size.cmake

execute_process(COMMAND "${SIZE}" -A ${OBJECTS} OUTPUT_VARIABLE table RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${SIZE} failed on ${OBJECTS}")
endif()

set(text 0)
set(rodata 0)
string(REPLACE "\n" ";" lines "${table}")
foreach(line IN LISTS lines)
  if(line MATCHES "^\\.text[^ ]*[ ]+([0-9]+)")
    math(EXPR text "${text} + ${CMAKE_MATCH_1}")
  elseif(line MATCHES "^\\.rodata[^ ]*[ ]+([0-9]+)")
    math(EXPR rodata "${rodata} + ${CMAKE_MATCH_1}")
  endif()
endforeach()
math(EXPR total "${text} + ${rodata}")

# The figure must include live assertions: the engine calls newlib's handler.
execute_process(COMMAND "${NM}" -u ${OBJECTS} OUTPUT_VARIABLE undefined)
if(NOT undefined MATCHES "__assert_func")
  message(FATAL_ERROR "${LABEL}: the engine's assertions are compiled out")
endif()

set(figure "${LABEL}: ${total} bytes of flash (.text ${text} + .rodata ${rodata})")
if(DEFINED BUDGET)
  if(total GREATER BUDGET)
    message(FATAL_ERROR "${figure}, over the budget of ${BUDGET} bytes")
  endif()
  message(STATUS "${figure}, budget ${BUDGET} bytes")
else()
  message(STATUS "${figure}")
endif()
