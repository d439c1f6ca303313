cmake_minimum_required(VERSION 3.25)
# Both manual pages render through man -l with every groff warning on, and
# say nothing on the standard error.  Each finding is an error of its own.
#   -DPAGES=a;b
foreach(page IN LISTS PAGES)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env MANROFFOPT=-ww MANWIDTH=80 MANPAGER=cat PAGER=cat LC_ALL=C.UTF-8
                          man -l ${page}
                  OUTPUT_VARIABLE rendered ERROR_VARIABLE warnings RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR NOT warnings STREQUAL "" OR rendered STREQUAL "")
    message(SEND_ERROR "man -l ${page} (status ${status}):\n${warnings}")
  endif()
  execute_process(COMMAND groff -man -ww -z -Tutf8 ${page} ERROR_VARIABLE warnings RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR NOT warnings STREQUAL "")
    message(SEND_ERROR "groff -ww ${page} (status ${status}):\n${warnings}")
  endif()
endforeach()
