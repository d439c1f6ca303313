# How the project ships: the command library as a C library (its runtime,
# public headers, pkg-config file and CMake package), the simulated
# platform, the shell and the manual pages.  Paths follow GNUInstallDirs;
# CMAKE_INSTALL_PREFIX and DESTDIR apply as usual.
#
# Components:
#   radiuscmd  libradiuscmd.so, the public C headers, radiuscmd.pc, the CMake package
#   radsim     libradsim.so, sim/radsim.h, radsim.pc (its headers need radiuscmd's)
#   radsh      the shell and its bash completion (runs on radiuscmd and radsim)
#   man        radsh(1), radiuscmd(3) and the command reference commands.md
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# ---- the library's runtime ---------------------------------------------------
# The switch process that loads the library need not be C++, and may bring a
# C++ runtime of its own.  So the library is built without exceptions and
# RTTI and takes the C++ runtime (libstdc++, libgcc) from the static archives,
# which are position-independent on both targets; --exclude-libs keeps every
# symbol of those archives local, so the library neither exports a runtime
# nor has the loading process's runtime interpose on its own.  The compiler
# driver names libm for C++ whether or not it is used: --as-needed keeps it
# out unless the code calls into it.  The flags are on the targets, so every
# source a subsystem adds gets them.
# tests/package/check_needed.cmake holds the library to the C runtime.
target_compile_options(radiuscmd_core PRIVATE -fno-exceptions -fno-rtti)
target_link_options(radiuscmd PRIVATE -static-libstdc++ -static-libgcc LINKER:--exclude-libs,ALL
  LINKER:--as-needed)

# ---- paths ---------------------------------------------------------------------
set(RADIUSCMD_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/radiuscmd)
set(RADIUSCMD_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/radiuscmd)
set(RADIUSCMD_PKGCONFIGDIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# Built, the targets carry the source tree as include directory; installed,
# the header tree, where `#include "abi/radius_records.h"` works the same.
foreach(target radiuscmd radsim)
  set_property(TARGET ${target} PROPERTY INTERFACE_INCLUDE_DIRECTORIES
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}> $<INSTALL_INTERFACE:${RADIUSCMD_INCLUDEDIR}>)
endforeach()
# For programs that load the library with dlopen, as a shell does: the
# headers without a link to the library.
add_library(radiuscmd_headers INTERFACE)
set_target_properties(radiuscmd_headers PROPERTIES EXPORT_NAME headers)
target_include_directories(radiuscmd_headers INTERFACE $<INSTALL_INTERFACE:${RADIUSCMD_INCLUDEDIR}>)

# ---- radiuscmd -------------------------------------------------------------------
install(TARGETS radiuscmd radiuscmd_headers EXPORT radiuscmd-targets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT radiuscmd NAMELINK_COMPONENT radiuscmd)

# The public headers are the ones tests/c_headers.c compiles as C11: one list,
# so a header added there is installed too.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/c_headers.c)
file(STRINGS ${PROJECT_SOURCE_DIR}/tests/c_headers.c public_headers REGEX "^#include \"")
list(TRANSFORM public_headers REPLACE "^#include \"([^\"]+)\".*$" "\\1")
foreach(header IN LISTS public_headers)
  cmake_path(GET header PARENT_PATH folder)
  install(FILES ${header} DESTINATION ${RADIUSCMD_INCLUDEDIR}/${folder} COMPONENT radiuscmd)
endforeach()

install(EXPORT radiuscmd-targets NAMESPACE radiuscmd:: DESTINATION ${RADIUSCMD_CMAKEDIR} COMPONENT radiuscmd)
configure_package_config_file(cmake/radiuscmdConfig.cmake.in radiuscmdConfig.cmake
  INSTALL_DESTINATION ${RADIUSCMD_CMAKEDIR})
# The handler ABI changes only with the major version.
write_basic_package_version_file(radiuscmdConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/radiuscmdConfig.cmake ${PROJECT_BINARY_DIR}/radiuscmdConfigVersion.cmake
  DESTINATION ${RADIUSCMD_CMAKEDIR} COMPONENT radiuscmd)

# The pkg-config files find the prefix from their own place, so that an
# install works wherever it is put (--prefix at install time, a DESTDIR
# tree); directories GNUInstallDirs gives as absolute paths stay absolute.
if(IS_ABSOLUTE "${RADIUSCMD_PKGCONFIGDIR}")
  set(PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
  file(RELATIVE_PATH pc_to_prefix /prefix/${RADIUSCMD_PKGCONFIGDIR} /prefix)
  string(REGEX REPLACE "/$" "" pc_to_prefix "${pc_to_prefix}")
  set(PC_PREFIX "\${pcfiledir}/${pc_to_prefix}")
endif()
function(radius_pkgconfig_dir variable dir)
  if(IS_ABSOLUTE "${dir}")
    set(${variable} "${dir}" PARENT_SCOPE)
  else()
    set(${variable} "\${prefix}/${dir}" PARENT_SCOPE)
  endif()
endfunction()
radius_pkgconfig_dir(PC_LIBDIR ${CMAKE_INSTALL_LIBDIR})
radius_pkgconfig_dir(PC_INCLUDEDIR ${RADIUSCMD_INCLUDEDIR})
foreach(package radiuscmd radsim)
  configure_file(cmake/${package}.pc.in ${package}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${package}.pc DESTINATION ${RADIUSCMD_PKGCONFIGDIR} COMPONENT ${package})
endforeach()

# ---- radsim ------------------------------------------------------------------------
install(TARGETS radsim EXPORT radsim-targets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT radsim NAMELINK_COMPONENT radsim)
install(FILES sim/radsim.h sim/config_store.hpp DESTINATION ${RADIUSCMD_INCLUDEDIR}/sim COMPONENT radsim)
install(EXPORT radsim-targets NAMESPACE radiuscmd:: DESTINATION ${RADIUSCMD_CMAKEDIR} COMPONENT radsim)

# ---- radsh ----------------------------------------------------------------------------
# Installed, radsh finds libradsim through its run path and loads
# libradiuscmd by its path from radsh's own directory.
file(RELATIVE_PATH radsh_to_libdir ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
set_target_properties(radsh PROPERTIES INSTALL_RPATH "$ORIGIN/${radsh_to_libdir}")
target_compile_definitions(radsh PRIVATE
  RADSH_INSTALLED_LIBRARY="${radsh_to_libdir}/$<TARGET_SONAME_FILE_NAME:radiuscmd>")
install(TARGETS radsh RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT radsh)
install(FILES docs/radsh.bash-completion RENAME radsh
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions COMPONENT radsh)

# ---- man ---------------------------------------------------------------------------------
install(FILES docs/radsh.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT man)
install(FILES docs/radiuscmd.3 DESTINATION ${CMAKE_INSTALL_MANDIR}/man3 COMPONENT man)
install(FILES docs/commands.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT man)
