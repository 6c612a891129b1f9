# Bad input to quorlix-tool gets one line on standard error and status 2;
# --help gets the usage on standard output and status 0.
# cmake [-DEMULATOR=...] -DTOOL=... -P tool_errors.cmake
set(cases
  "perft"
  "perft -1"
  "perft 21"
  "think 0"
  "gen x"
  "perft 3x"
  "perft 2 8/8/8/8/8/8/8/8 w - - 0 1"
  "perft 2 4k3/8/8/8/8/8/8/4K2K w - - 0 1"
  "perft 2 P3k3/8/8/8/8/8/8/4K3 w - - 0 1"
  "perft 2 4k3/4R3/8/8/8/8/8/4K3 w - - 0 1"
  "perft 2 7k/8/8/8/NNNNNNNN/NNNNNNNN/8/K7 w - - 0 1"
  "perft 2 rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w"
  "perft 2 rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1 9"
  "divide 2 rnbqkbnr/pppppppp/9/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"
  "perft 9 7k/6pp/8/8/8/8/QQQQQQQ1/K7 w - - 0 1"
  "nonsense")
foreach(case ${cases})
  separate_arguments(args UNIX_COMMAND "${case}")
  execute_process(COMMAND ${EMULATOR} ${TOOL} ${args} RESULT_VARIABLE status
                  OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 2 OR err STREQUAL "")
    message(FATAL_ERROR "'${case}': status ${status}, stderr '${err}'")
  endif()
endforeach()

# Asked for, the usage goes to standard output, and the status is 0.
execute_process(COMMAND ${EMULATOR} ${TOOL} --help RESULT_VARIABLE status
                OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT out MATCHES "usage: quorlix-tool perft" OR NOT err STREQUAL "")
  message(FATAL_ERROR "'--help': status ${status}, stdout '${out}', stderr '${err}'")
endif()
