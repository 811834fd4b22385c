# The Windows game as one self-contained .exe, and its release archive
# oncoraider-<version>-win64.zip (cpack) with the airway map and a short README.

# The C and C++ runtimes go into the .exe, so that no MinGW DLL has to travel with it; no
# symbols.
target_link_options(oncoraider PRIVATE -static -s)

set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME game)
install(TARGETS oncoraider RUNTIME DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/data/Bronchi.gra ${CMAKE_SOURCE_DIR}/packaging/windows/README.txt
  DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME oncoraider-${PROJECT_VERSION}-win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
