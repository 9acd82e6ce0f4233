# Run at install time: the desktop entry names the program by its installed path, since the
# PATH of a login session often lacks ~/.local/bin. The prefix is known only now (cmake
# --install --prefix, cpack), so the entry is made now and installed like any other file.
# Expects tallyglass_desktop_in, tallyglass_desktop_staged, tallyglass_bindir and
# tallyglass_datadir.
set(bindir "${tallyglass_bindir}")
if(NOT IS_ABSOLUTE "${bindir}")
    set(bindir "${CMAKE_INSTALL_PREFIX}/${bindir}")
endif()
set(TALLYGLASS_EXEC "${bindir}/tallyglass")
# Exec quoting: reserved characters inside double quotes with their escapes, then the
# escapes of the string value itself.
string(REPLACE "%" "%%" TALLYGLASS_EXEC "${TALLYGLASS_EXEC}")
if(TALLYGLASS_EXEC MATCHES "[ \t\n\"'\\\\><~|&;$*?#()`]")
    string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" TALLYGLASS_EXEC "${TALLYGLASS_EXEC}")
    set(TALLYGLASS_EXEC "\"${TALLYGLASS_EXEC}\"")
endif()
string(REPLACE "\\" "\\\\" TALLYGLASS_EXEC "${TALLYGLASS_EXEC}")

set(datadir "${tallyglass_datadir}")
if(NOT IS_ABSOLUTE "${datadir}")
    set(datadir "${CMAKE_INSTALL_PREFIX}/${datadir}")
endif()
configure_file("${tallyglass_desktop_in}" "${tallyglass_desktop_staged}" @ONLY)
# file(INSTALL) gives the entry and its folders the install's modes whatever the umask, and
# records it in the install manifest.
file(INSTALL "${tallyglass_desktop_staged}" DESTINATION "${datadir}/applications"
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
