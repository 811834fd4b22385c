# Install-time step: the desktop entry names the command under the prefix being installed to
# (CPack installs with DESTDIR, so a package's prefix is /usr). Expects DESKTOP_TEMPLATE,
# DESKTOP_ENTRY and COMMAND_DIR.
set(GAME_COMMAND "${CMAKE_INSTALL_PREFIX}/${COMMAND_DIR}/oncoraider")
# A path with a space or another reserved character is quoted and escaped as the format asks;
# the value is also a string of the file, where a backslash is written twice.
if(NOT GAME_COMMAND MATCHES "^[A-Za-z0-9/._+-]*$")
  string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" GAME_COMMAND "${GAME_COMMAND}")
  string(REPLACE "\\" "\\\\" GAME_COMMAND "\"${GAME_COMMAND}\"")
  string(REPLACE "%" "%%" GAME_COMMAND "${GAME_COMMAND}")
endif()
configure_file("${DESKTOP_TEMPLATE}" "${DESKTOP_ENTRY}" @ONLY)
