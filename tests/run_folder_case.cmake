# Runs one folder case: like a scenario (see run_scenario.cmake), but the case's folder is
# made here, since git keeps neither an empty folder nor one without read permission.
#   CASE=empty   the home holds an empty folder "progs"
#   CASE=locked  the home holds "progs" with a numbered program file and mode 000. The
#                superuser reads any folder, so as root ktsim runs as nobody (setpriv) in a
#                home nobody owns; without setpriv the case is skipped.
# The transcript must equal folder-cases/CASE.out, the home written $HOME.
set(script ${CMAKE_CURRENT_LIST_DIR}/folder-cases/${CASE}.scn)
set(expected_file ${CMAKE_CURRENT_LIST_DIR}/folder-cases/${CASE}.out)

if(EXISTS ${WORK})
  execute_process(COMMAND chmod -R u+rwx ${WORK})
endif()
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/progs)
foreach(f KtProg.DAT CHR4.BIN CHR6.BIN)
  file(COPY ${DATA}/${f} DESTINATION ${WORK})
endforeach()

set(launcher)
if(CASE STREQUAL "locked")
  file(COPY "${DATA}/programs/01 Init.prg" DESTINATION ${WORK}/progs)
  execute_process(COMMAND id -u OUTPUT_VARIABLE uid OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(uid STREQUAL "0")
    find_program(SETPRIV setpriv)
    if(NOT SETPRIV)
      message("SKIPPED: running as root and setpriv is missing, so the folder's mode would not count")
      return()
    endif()
    execute_process(COMMAND chown -R 65534:65534 ${WORK} RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "chown of ${WORK} failed")
    endif()
    set(launcher ${SETPRIV} --reuid=65534 --regid=65534 --clear-groups)
  endif()
  execute_process(COMMAND chmod 000 ${WORK}/progs)
endif()

execute_process(COMMAND ${launcher} ${KTSIM} ktprog --home ${WORK} --script ${script}
  OUTPUT_VARIABLE transcript ERROR_VARIABLE errors RESULT_VARIABLE rc TIMEOUT 120)
execute_process(COMMAND chmod -R u+rwx ${WORK})
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "ktsim failed (${rc}): ${errors}")
endif()
string(REPLACE "${WORK}" "$HOME" transcript "${transcript}")

if("$ENV{UPDATE_GOLDEN}" STREQUAL "1")
  file(WRITE ${expected_file} "${transcript}")
  message(STATUS "wrote ${expected_file}")
  return()
endif()
file(READ ${expected_file} expected)
if(NOT transcript STREQUAL expected)
  file(WRITE ${WORK}.actual.out "${transcript}")
  execute_process(COMMAND diff -u ${expected_file} ${WORK}.actual.out OUTPUT_VARIABLE diff)
  message(FATAL_ERROR "transcript differs from ${CASE}.out:\n${diff}")
endif()
