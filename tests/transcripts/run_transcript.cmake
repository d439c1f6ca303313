cmake_minimum_required(VERSION 3.25)
# Runs shell transcripts: NAME.in goes to `radsh --echo` on standard input
# (plus the options in NAME.args, if any) and the output, followed by the
# exit status, must equal NAME.out byte for byte.  The store is in memory
# unless NAME.args names one: @STORE@ there is a store file in a folder of
# the case's own, made empty before the case and removed after it.  A line
# "! restart" in NAME.in ends one run of radsh and starts the next on the
# same store, so that a case can show what a store keeps.
#   -DRADSH=...          the shell
#   -DSCRATCH=...        a folder for the cases' stores and inputs
#   -DPERSISTENT=ON|OFF  whether the build has a persistent store (OFF: cases with @STORE@ are skipped)
#   -DEMULATOR=a|b|c     the cross emulator and its arguments, '|'-separated (may be empty)
#   -DEMPTY_PLUGIN=...   a library without handlers, for @EMPTY_PLUGIN@ in NAME.args
#   -DCASE=NAME          one case of this directory; without it, every case
#   -DUPDATE=ON          write NAME.out instead of comparing
#   -DREFERENCE=...      with UPDATE: also write the command reference there
# NAME.mask, if any, holds lines "REGEX => REPLACEMENT" for output that
# differs from run to run (a process's memory figures); they are applied
# to the output before it is compared or written.
set(directory ${CMAKE_CURRENT_LIST_DIR})
string(REPLACE "|" ";" emulator "${EMULATOR}")

function(apply_masks name text_var)
  if(NOT EXISTS ${directory}/${name}.mask)
    return()
  endif()
  file(STRINGS ${directory}/${name}.mask rules REGEX " => ")
  set(text "${${text_var}}")
  foreach(rule IN LISTS rules)
    string(FIND "${rule}" " => " at)
    string(SUBSTRING "${rule}" 0 ${at} regex)
    math(EXPR after "${at} + 4")
    string(SUBSTRING "${rule}" ${after} -1 replacement)
    string(REGEX REPLACE "${regex}" "${replacement}" text "${text}")
  endforeach()
  set(${text_var} "${text}" PARENT_SCOPE)
endfunction()

# Each run of a case: its output and exit status, appended to `actual_var`.
function(run_parts name command input scratch actual_var)
  set(actual "")
  set(marker "! restart\n")
  string(LENGTH "${marker}" marker_length)
  while(TRUE)
    string(FIND "${input}" "\n${marker}" at)
    if(at EQUAL -1)
      set(part "${input}")
    else()
      math(EXPR cut "${at} + 1")
      math(EXPR rest "${cut} + ${marker_length}")
      string(SUBSTRING "${input}" 0 ${cut} part)
      string(SUBSTRING "${input}" ${rest} -1 input)
    endif()
    file(WRITE ${scratch}/input "${part}")
    execute_process(COMMAND ${command} INPUT_FILE ${scratch}/input WORKING_DIRECTORY ${directory}
                    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
    apply_masks(${name} out)
    string(APPEND actual "${out}[exit status ${status}]\n")
    if(at EQUAL -1)
      break()
    endif()
  endwhile()
  set(${actual_var} "${actual}" PARENT_SCOPE)
  set(stderr_text "${err}" PARENT_SCOPE)
endfunction()

function(run_case name)
  set(command ${emulator} ${RADSH} --echo)
  set(extra "--store :memory:")
  if(EXISTS ${directory}/${name}.args)
    file(READ ${directory}/${name}.args extra)
    if(extra MATCHES "@STORE@" AND NOT PERSISTENT)
      message(STATUS "${name}: skipped, this build keeps its store in memory only")
      return()
    endif()
    if(NOT extra MATCHES "--store")
      string(APPEND extra " --store :memory:")
    endif()
  endif()
  set(scratch ${SCRATCH}/${name})
  file(REMOVE_RECURSE ${scratch})
  file(MAKE_DIRECTORY ${scratch})
  string(REPLACE "@EMPTY_PLUGIN@" "${EMPTY_PLUGIN}" extra "${extra}")
  string(REPLACE "@STORE@" "${scratch}/store.db" extra "${extra}")
  separate_arguments(extra UNIX_COMMAND "${extra}")
  list(APPEND command ${extra})
  file(READ ${directory}/${name}.in input)
  run_parts(${name} "${command}" "${input}" ${scratch} actual)
  file(REMOVE_RECURSE ${scratch})
  if(UPDATE)
    file(WRITE ${directory}/${name}.out "${actual}")
    message(STATUS "wrote ${name}.out")
    return()
  endif()
  file(READ ${directory}/${name}.out expected)
  if(NOT actual STREQUAL expected)
    message(FATAL_ERROR "transcript ${name} differs.\n--- expected\n${expected}--- actual\n${actual}--- stderr\n${stderr_text}")
  endif()
endfunction()

if(UPDATE AND DEFINED REFERENCE)
  execute_process(COMMAND ${emulator} ${RADSH} --reference OUTPUT_FILE ${REFERENCE} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "radsh --reference failed")
  endif()
  message(STATUS "wrote ${REFERENCE}")
endif()

if(DEFINED CASE)
  run_case(${CASE})
else()
  file(GLOB inputs RELATIVE ${directory} ${directory}/*.in)
  foreach(input IN LISTS inputs)
    string(REGEX REPLACE "\\.in$" "" name ${input})
    run_case(${name})
  endforeach()
endif()
