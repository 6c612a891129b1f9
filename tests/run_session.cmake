# Runs the engine on one scripted session and compares its standard output
# byte for byte with the expected transcript; the exit status must be 0.
# cmake -DENGINE=... -DINPUT=x.in -DEXPECTED=x.out -DACTUAL=... -P run_session.cmake
# A cross build adds -DEMULATOR=... to run the engine, and -DCRLF=ON when the
# engine's text-mode output ends lines with CR LF, which is then read as LF.
# -DMASK=ON replaces the UCI info lines' speed and time, which vary from run
# to run, with "*".
execute_process(
  COMMAND ${EMULATOR} ${ENGINE}
  INPUT_FILE ${INPUT}
  OUTPUT_FILE ${ACTUAL}
  RESULT_VARIABLE status
  TIMEOUT 120)
if(NOT status STREQUAL "0")
  message(FATAL_ERROR "exit status ${status}")
endif()
if(CRLF OR MASK)
  file(READ ${ACTUAL} output)
  if(CRLF)
    string(REPLACE "\r\n" "\n" output "${output}")
  endif()
  if(MASK)
    string(REGEX REPLACE " nps [0-9]+ time [0-9]+" " nps * time *" output "${output}")
  endif()
  file(WRITE ${ACTUAL} "${output}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${EXPECTED} ${ACTUAL}
                RESULT_VARIABLE different)
if(different)
  execute_process(COMMAND diff ${EXPECTED} ${ACTUAL})
  message(FATAL_ERROR "output differs from ${EXPECTED}")
endif()
