cmake_minimum_required(VERSION 3.25)
# Runs shell transcripts: NAME.in goes to `radsh --echo` on standard input
# (plus the options in NAME.args, if any) and the output, followed by the
# exit status, must equal NAME.out byte for byte.
#   -DRADSH=...          the shell
#   -DEMULATOR=a|b|c     the cross emulator and its arguments, '|'-separated (may be empty)
#   -DEMPTY_PLUGIN=...   a library without handlers, for @EMPTY_PLUGIN@ in NAME.args
#   -DCASE=NAME          one case of this directory; without it, every case
#   -DUPDATE=ON          write NAME.out instead of comparing
#   -DREFERENCE=...      with UPDATE: also write the command reference there
# NAME.mask, if any, holds lines "REGEX => REPLACEMENT" for output that
# differs from run to run (a process's memory figures); they are applied
# to the output before it is compared or written.
# NAME.same, if any, holds lines "FILE FILE" naming files the run wrote that
# must be equal byte for byte; the verdict for each pair ends the output.
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

function(run_case name)
  set(command ${emulator} ${RADSH} --echo)
  if(EXISTS ${directory}/${name}.args)
    file(READ ${directory}/${name}.args extra)
    string(REPLACE "@EMPTY_PLUGIN@" "${EMPTY_PLUGIN}" extra "${extra}")
    separate_arguments(extra UNIX_COMMAND "${extra}")
    list(APPEND command ${extra})
  endif()
  execute_process(COMMAND ${command} INPUT_FILE ${directory}/${name}.in WORKING_DIRECTORY ${directory}
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
  apply_masks(${name} out)
  set(actual "${out}[exit status ${status}]\n")
  if(EXISTS ${directory}/${name}.same)
    file(STRINGS ${directory}/${name}.same pairs)
    foreach(pair IN LISTS pairs)
      separate_arguments(files UNIX_COMMAND "${pair}")
      execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${files} RESULT_VARIABLE differ)
      if(differ EQUAL 0)
        string(APPEND actual "[same: ${pair}]\n")
      else()
        string(APPEND actual "[differ: ${pair}]\n")
      endif()
    endforeach()
  endif()
  if(UPDATE)
    file(WRITE ${directory}/${name}.out "${actual}")
    message(STATUS "wrote ${name}.out")
    return()
  endif()
  file(READ ${directory}/${name}.out expected)
  if(NOT actual STREQUAL expected)
    message(FATAL_ERROR "transcript ${name} differs.\n--- expected\n${expected}--- actual\n${actual}--- stderr\n${err}")
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
