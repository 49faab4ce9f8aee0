# Run by the install: writes a desktop entry whose Exec is the installed
# program's absolute path, so that the menu starts it from any prefix.
#   _ck_template  the .desktop.in file
#   _ck_program   the program's file name in <prefix>/bin
# CMAKE_INSTALL_PREFIX and DESTDIR are the install's own.
set(_ck_exec "${CMAKE_INSTALL_PREFIX}/bin/${_ck_program}")
# '%' is doubled (field codes). A path with other characters than these is
# quoted, with '"', '`', '$' and '\' escaped inside the quotes, and every
# '\' escaped once more as the value's own escape.
string(REPLACE "%" "%%" _ck_exec "${_ck_exec}")
if(NOT _ck_exec MATCHES "^[A-Za-z0-9/._+%-]+$")
  string(REPLACE "\\" "\\\\" _ck_exec "${_ck_exec}")
  string(REPLACE "\"" "\\\"" _ck_exec "${_ck_exec}")
  string(REPLACE "`" "\\`" _ck_exec "${_ck_exec}")
  string(REPLACE "$" "\\$" _ck_exec "${_ck_exec}")
  string(REPLACE "\\" "\\\\" _ck_exec "${_ck_exec}")
  set(_ck_exec "\"${_ck_exec}\"")
endif()
file(READ "${_ck_template}" _ck_text)
string(REPLACE "@EXEC@" "${_ck_exec}" _ck_text "${_ck_text}")
get_filename_component(_ck_name "${_ck_template}" NAME)
string(REGEX REPLACE "\\.in$" "" _ck_name "${_ck_name}")
set(_ck_out "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/share/applications/${_ck_name}")
message(STATUS "Installing: ${_ck_out}")
file(WRITE "${_ck_out}" "${_ck_text}")
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${_ck_out}")
