# Runs one scenario: a fresh home folder with the shipped data files (and the scenario's own
# files from NAME.setup and NAME.home/ when they exist), ktsim on the script, and the transcript
# (with the files NAME.files names) compared with NAME.out. With the environment variable UPDATE_GOLDEN=1 the transcript is
# written to NAME.out instead (review the change in git diff before committing it).
cmake_policy(SET CMP0054 NEW)  # a quoted word is the word, never a variable of that name
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
# NAME.setup puts more into the home folder, one line each, words separated by tabs:
#   home<TAB>OTHER              the files of scenarios/OTHER.home (shared by several scenarios)
#   program<TAB>FILE<TAB>PATH   data/programs/FILE copied to PATH in the home folder
if(EXISTS ${dir}/${name}.setup)
  file(STRINGS ${dir}/${name}.setup setup_lines)
  foreach(line IN LISTS setup_lines)
    string(REPLACE "\t" ";" words "${line}")
    list(GET words 0 verb)
    if(verb STREQUAL "home")
      list(GET words 1 other)
      file(COPY ${dir}/${other}.home/ DESTINATION ${WORK})
    elseif(verb STREQUAL "program")
      list(GET words 1 from)
      list(GET words 2 to)
      get_filename_component(to_dir "${WORK}/${to}" DIRECTORY)
      file(MAKE_DIRECTORY "${to_dir}")
      configure_file("${DATA}/programs/${from}" "${WORK}/${to}" COPYONLY)
    elseif(NOT verb MATCHES "^#" AND NOT verb STREQUAL "")
      message(FATAL_ERROR "${name}.setup: not understood: ${line}")
    endif()
  endforeach()
endif()
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
