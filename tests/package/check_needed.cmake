cmake_minimum_required(VERSION 3.25)
# The library depends on the C runtime only: its NEEDED entries are the C
# library and the loader (and, in a sanitizer build, the sanitizers'
# runtimes), never libstdc++, libgcc_s or libm; and it has no text
# relocations, which a non-PIC runtime archive would have brought in; nor
# does it carry the runtime's exception support.
#   -DREADELF=...  the target's readelf    -DLIBRARY=...  the library
#   -DSANITIZE=ON  allow the sanitizer runtimes
execute_process(COMMAND ${READELF} -d ${LIBRARY} OUTPUT_VARIABLE dynamic RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${READELF} -d ${LIBRARY} failed")
endif()
set(allowed "^(libc\\.so\\.[0-9]+|ld-linux[-a-z0-9_]*\\.so\\.[0-9]+|ld\\.so\\.1)$")
if(SANITIZE)
  set(allowed "${allowed}|^lib(asan|ubsan)\\.so\\.[0-9]+$")
endif()

# Each finding is an error of its own (SEND_ERROR goes on, and fails the run).
string(REGEX MATCHALL "\\(NEEDED\\)[^\n]*\\[[^]\n]+\\]" entries "${dynamic}")
set(needed "")
foreach(entry IN LISTS entries)
  string(REGEX REPLACE ".*\\[([^]]+)\\]$" "\\1" name "${entry}")
  list(APPEND needed ${name})
  if(NOT name MATCHES "${allowed}")
    message(SEND_ERROR "NEEDED ${name}: not the C runtime")
  endif()
endforeach()
if(NOT needed MATCHES "libc\\.so")
  message(SEND_ERROR "no NEEDED entry for the C library: is this the dynamic section?\n${dynamic}")
endif()
if(dynamic MATCHES "TEXTREL")
  message(SEND_ERROR "text relocations: a runtime archive that is not position-independent")
endif()
# Built without exceptions, the library must not carry the C++ runtime's
# exception support either: its emergency pool is allocated when the
# library loads and lost when a consumer unloads it.  A range-checking call
# (string_view::substr, vector::at) is what usually drags it in.
execute_process(COMMAND ${READELF} -s --wide ${LIBRARY} OUTPUT_VARIABLE symbols)
if(symbols MATCHES "__cxa_allocate_exception")
  message(SEND_ERROR "the library carries the exception runtime: find the range-checking call that throws")
endif()
message(STATUS "NEEDED: ${needed}")
