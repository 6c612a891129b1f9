# bench's total node count is the engine's signature: any change to it is a
# change of behaviour and must be made on purpose, here and in the commit.
set(EXPECTED_NODES 10759519)
execute_process(COMMAND ${TOOL} bench OUTPUT_VARIABLE output RESULT_VARIABLE status)
if(NOT status STREQUAL "0")
  message(FATAL_ERROR "bench failed with status ${status}")
endif()
string(REGEX MATCH "nodes ([0-9]+) time_ms" total "${output}")
if(NOT CMAKE_MATCH_1 STREQUAL "${EXPECTED_NODES}")
  message(FATAL_ERROR "bench nodes ${CMAKE_MATCH_1}, recorded ${EXPECTED_NODES}\n${output}")
endif()
