# Every include points down.  abi/ (the shared C headers) includes only
# itself; platform/ only abi/; frame/ only abi/ and platform/; a subsystem
# folder only abi/, platform/, frame/ and itself.  The simulator and the
# shell stand outside the library and are not checked here.
#   cmake -DSOURCE=<top> -P check_layering.cmake
cmake_minimum_required(VERSION 3.25)
set(subsystems config show stats runcfg distr dynauth monitor)
set(allowed_abi abi)
set(allowed_platform abi platform)
set(allowed_frame abi platform frame)

set(failures "")
foreach(folder abi platform frame ${subsystems})
  if(DEFINED allowed_${folder})
    set(allowed ${allowed_${folder}})
  else()
    set(allowed abi platform frame ${folder})
  endif()
  file(GLOB sources ${SOURCE}/${folder}/*.h ${SOURCE}/${folder}/*.hpp ${SOURCE}/${folder}/*.cpp ${SOURCE}/${folder}/*.c)
  foreach(source IN LISTS sources)
    file(STRINGS ${source} includes REGEX "^#include \"[a-z_]+/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^#include \"([a-z_]+)/.*" "\\1" target "${line}")
      if(NOT target IN_LIST allowed)
        file(RELATIVE_PATH shown ${SOURCE} ${source})
        string(APPEND failures "${shown}: ${line}\n")
      endif()
    endforeach()
  endforeach()
endforeach()
if(failures)
  message(FATAL_ERROR "includes that point across or up:\n${failures}")
endif()
