# Runs one scenario: a fresh home folder with the shipped data files (and the scenario's own
# files from NAME.home/ when that folder exists), ktsim on the script, and the transcript
# (with the files NAME.files names) compared with NAME.out. With the environment variable UPDATE_GOLDEN=1 the transcript is
# written to NAME.out instead (review the change in git diff before committing it).
get_filename_component(dir ${SCENARIO} DIRECTORY)
get_filename_component(name ${SCENARIO} NAME_WE)
set(program ktprog)
if(name MATCHES "^ktboot-")
  set(program ktboot)
endif()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
foreach(f KtProg.DAT CHR4.BIN CHR6.BIN)
  if(EXISTS ${DATA}/${f})
    file(COPY ${DATA}/${f} DESTINATION ${WORK})
  endif()
endforeach()
if(IS_DIRECTORY ${dir}/${name}.home)
  file(COPY ${dir}/${name}.home/ DESTINATION ${WORK})
endif()

execute_process(COMMAND ${KTSIM} ${program} --home ${WORK} --script ${SCENARIO}
  OUTPUT_VARIABLE transcript ERROR_VARIABLE errors RESULT_VARIABLE rc TIMEOUT 120)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "ktsim failed (${rc}): ${errors}")
endif()
# NAME.files lists files of the home folder whose bytes follow the transcript (see
# dump_files.py): what the run left on disk is part of what it must produce.
if(EXISTS ${dir}/${name}.files)
  find_program(PYTHON3 python3 REQUIRED)
  execute_process(COMMAND ${PYTHON3} ${dir}/../dump_files.py ${WORK} ${dir}/${name}.files
    OUTPUT_VARIABLE dumped RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "dump_files.py failed (${rc})")
  endif()
  string(APPEND transcript "${dumped}")
endif()
# Transcripts name the home folder; the expected files write it as $HOME.
string(REPLACE "${WORK}" "$HOME" transcript "${transcript}")

if("$ENV{UPDATE_GOLDEN}" STREQUAL "1")
  file(WRITE ${dir}/${name}.out "${transcript}")
  message(STATUS "wrote ${dir}/${name}.out")
  return()
endif()
if(NOT EXISTS ${dir}/${name}.out)
  message(FATAL_ERROR "${name}.out is missing; run with UPDATE_GOLDEN=1 to create it")
endif()
file(READ ${dir}/${name}.out expected)
if(NOT transcript STREQUAL expected)
  file(WRITE ${WORK}.actual.out "${transcript}")
  execute_process(COMMAND diff -u ${dir}/${name}.out ${WORK}.actual.out OUTPUT_VARIABLE diff)
  message(FATAL_ERROR "transcript differs from ${name}.out:\n${diff}")
endif()
