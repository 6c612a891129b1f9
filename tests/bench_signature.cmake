# bench's total node count is the engine's signature: any change to it is a
# change of behaviour and must be made on purpose, here and in the commit.
# perft's leaf counts beside it are those of legal chess, through the tool
# as a user runs it (the unit tests check shallower ones in-process).
# cmake [-DEMULATOR=...] [-DCRLF=ON] -DTOOL=... -P bench_signature.cmake
set(EXPECTED_NODES 10759519)
execute_process(COMMAND ${EMULATOR} ${TOOL} bench OUTPUT_VARIABLE output RESULT_VARIABLE status)
if(NOT status STREQUAL "0")
  message(FATAL_ERROR "bench failed with status ${status}")
endif()
string(REGEX MATCH "nodes ([0-9]+) time_ms" total "${output}")
if(NOT CMAKE_MATCH_1 STREQUAL "${EXPECTED_NODES}")
  message(FATAL_ERROR "bench nodes ${CMAKE_MATCH_1}, recorded ${EXPECTED_NODES}\n${output}")
endif()

# perft DEPTH [FEN] must print just the count, and exit with status 0.
function(check_perft leaves)
  execute_process(COMMAND ${EMULATOR} ${TOOL} perft ${ARGN}
                  OUTPUT_VARIABLE output RESULT_VARIABLE status)
  if(CRLF)
    string(REPLACE "\r\n" "\n" output "${output}")
  endif()
  if(NOT status STREQUAL "0" OR NOT output STREQUAL "${leaves}\n")
    message(FATAL_ERROR "perft ${ARGN}: status ${status}, output '${output}', expected ${leaves}")
  endif()
endfunction()
check_perft(4865609 5)
check_perft(4085603 4 "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1")
