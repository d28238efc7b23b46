# Where an install puts each of the program's files. The program finds them relative to its
# own bin/ folder, so the relative paths are worked out here, once, from the same variables
# the install rules use.
include(GNUInstallDirs)

set(WL_INSTALL_PKGLIBDIR "lib/wavelathe" CACHE STRING "Private folder of the encoder library, under the prefix")
set(WL_INSTALL_HELPDIR "${CMAKE_INSTALL_DATADIR}/wavelathe/help" CACHE STRING "Folder of the help page, under the prefix")
set(WL_INSTALL_ICONDIR "${CMAKE_INSTALL_DATADIR}/icons/hicolor" CACHE STRING "Icon theme folder, under the prefix")

function(wl_relative_to_bindir out dir)
  set(prefix "${CMAKE_INSTALL_PREFIX}")
  cmake_path(ABSOLUTE_PATH dir BASE_DIRECTORY "${prefix}" NORMALIZE OUTPUT_VARIABLE full)
  file(RELATIVE_PATH relative "${CMAKE_INSTALL_FULL_BINDIR}" "${full}")
  set(${out} "${relative}" PARENT_SCOPE)
endfunction()

wl_relative_to_bindir(WL_REL_PKGLIBDIR "${WL_INSTALL_PKGLIBDIR}")
wl_relative_to_bindir(WL_REL_HELPDIR "${WL_INSTALL_HELPDIR}")
wl_relative_to_bindir(WL_REL_ICONDIR "${WL_INSTALL_ICONDIR}")
