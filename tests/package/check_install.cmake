cmake_minimum_required(VERSION 3.25)
# Installs the build into a fresh prefix and uses it as an integrator would:
# the C consumer in examples/c-consumer is configured against the prefix
# with the build's own compiler (and toolchain), once through find_package
# and once through pkg-config, and run (under the emulator when cross
# built); the installed radsh runs a command list.  A DESTDIR install of one
# component lands under DESTDIR only.
#   -DBUILD=... -DSOURCE=... -DWORK=...   the build tree, the source tree, a scratch directory
#   -DLIBDIR= -DBINDIR= -DDATADIR= -DMANDIR=  the build's GNUInstallDirs (relative)
#   -DC_COMPILER=... -DTOOLCHAIN=...      the build's C compiler and toolchain file (may be empty)
#   -DEMULATOR=a|b|c                      the cross emulator and its arguments (may be empty)
#   -DC_FLAGS=...                         flags the consumer needs too (the sanitizers)
string(REPLACE "|" ";" emulator "${EMULATOR}")
set(prefix ${WORK}/prefix)

# run(what command...): fails the test with the command's output unless it succeeds;
# its standard output is left in `run_output`.
function(run what)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${what} failed (${status}):\n${out}\n${err}")
  endif()
  set(run_output "${out}" PARENT_SCOPE)
endfunction()

function(install_everything)
  file(REMOVE_RECURSE ${WORK})
  run("install" ${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix})
  foreach(path IN ITEMS
      ${LIBDIR}/libradiuscmd.so ${LIBDIR}/libradiuscmd.so.1 ${LIBDIR}/libradsim.so.1
      include/radiuscmd/abi/radius_records.h include/radiuscmd/config/config_commands.h include/radiuscmd/sim/radsim.h
      ${LIBDIR}/pkgconfig/radiuscmd.pc ${LIBDIR}/pkgconfig/radsim.pc
      ${LIBDIR}/cmake/radiuscmd/radiuscmdConfig.cmake ${LIBDIR}/cmake/radiuscmd/radiuscmdConfigVersion.cmake
      ${BINDIR}/radsh ${DATADIR}/bash-completion/completions/radsh
      ${MANDIR}/man1/radsh.1 ${MANDIR}/man3/radiuscmd.3)
    if(NOT EXISTS ${prefix}/${path})
      message(FATAL_ERROR "not installed: ${path}")
    endif()
  endforeach()
endfunction()

function(install_under_destdir)
  run("DESTDIR install" ${CMAKE_COMMAND} -E env DESTDIR=${WORK}/stage
      ${CMAKE_COMMAND} --install ${BUILD} --prefix /opt/radiuscmd --component radiuscmd)
  file(GLOB staged RELATIVE ${WORK}/stage ${WORK}/stage/*)
  if(NOT staged STREQUAL "opt" OR NOT EXISTS ${WORK}/stage/opt/radiuscmd/${LIBDIR}/libradiuscmd.so.1)
    message(FATAL_ERROR "DESTDIR install: expected only opt/radiuscmd under the stage, found: ${staged}")
  endif()
  if(EXISTS ${WORK}/stage/opt/radiuscmd/${BINDIR}/radsh)
    message(FATAL_ERROR "DESTDIR install of the radiuscmd component installed radsh")
  endif()
endfunction()

# consume(find): configure, build and run the consumer, finding the library by `find`.
function(consume find)
  set(tree ${WORK}/consumer-${find})
  set(configure ${CMAKE_COMMAND} -S ${SOURCE}/examples/c-consumer -B ${tree} -DRADIUSCMD_FIND=${find}
      -DCMAKE_C_COMPILER=${C_COMPILER} -Dradiuscmd_DIR=${prefix}/${LIBDIR}/cmake/radiuscmd)
  if(TOOLCHAIN)
    list(APPEND configure -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN})
  endif()
  if(C_FLAGS)
    list(APPEND configure "-DCMAKE_C_FLAGS=${C_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${C_FLAGS}")
  endif()
  # Only the prefix's pkg-config files: none of the machine's, which may be another target's.
  run("configure the consumer (${find})" ${CMAKE_COMMAND} -E env PKG_CONFIG_LIBDIR=${prefix}/${LIBDIR}/pkgconfig
      ${configure})
  run("build the consumer (${find})" ${CMAKE_COMMAND} --build ${tree})
  run("run the consumer (${find})" ${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${prefix}/${LIBDIR}
      ${emulator} ${tree}/c_consumer)
  file(READ ${SOURCE}/examples/c-consumer/expected_output.txt expected)
  if(NOT run_output STREQUAL expected)
    message(FATAL_ERROR "consumer (${find}) printed:\n${run_output}\nexpected:\n${expected}")
  endif()
endfunction()

# The installed shell finds its libraries through its run path alone, and
# runs a file of commands.
function(run_installed_shell)
  run("installed radsh --version" ${emulator} ${prefix}/${BINDIR}/radsh --version)
  if(NOT run_output MATCHES "^radsh [0-9]+\\.[0-9]+\\.[0-9]+\n$")
    message(FATAL_ERROR "radsh --version printed: ${run_output}")
  endif()
  file(WRITE ${WORK}/commands.txt "configure\nradius-server timeout 7\nend\nshow running-config radius\n")
  run("installed radsh" ${emulator} ${prefix}/${BINDIR}/radsh --store :memory: ${WORK}/commands.txt)
  if(NOT run_output MATCHES "(^|\n)radius-server timeout 7\n")
    message(FATAL_ERROR "installed radsh printed:\n${run_output}")
  endif()
endfunction()

install_everything()
install_under_destdir()
consume(package)
consume(pkg-config)
run_installed_shell()
