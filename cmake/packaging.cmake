# `cpack -G DEB` in a build folder makes a Debian package that installs under /usr. The
# program and the helper's runner land in /usr/bin, a path no version ever changes, because
# the statusline helper in ~/.claude names the runner by its full path.
set(CPACK_PACKAGE_NAME tallyglass)
set(CPACK_PACKAGE_VENDOR "The Tallyglass developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "tray monitor for the usage limits of Claude Code and Codex")
# Debian wants description lines of at most 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
    "Tallyglass sits in the tray and shows how much of the usage limits of\n\
Claude Code and Codex has been used: the five-hour session window and the\n\
weekly windows, each as a percentage with the time it resets. It reads only\n\
what the assistants leave on disk and talks to no network service.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Tallyglass developers <maintainers@tallyglass.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the binaries link come from dpkg-shlibdeps. Qt loads its platform plugins at
# run time, which no linker record shows: the X11 one ships with libqt6gui6, the Wayland one
# comes in its own package.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://github.com/tallyglass/tallyglass")
# Removal only tells which users' Claude Code still names the runner; it never writes there.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/debian/prerm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# The licence and the history where Debian looks for them, in both install paths.
set(tallyglass_docdir ${CMAKE_INSTALL_DATADIR}/doc/tallyglass)
set(changelog ${PROJECT_BINARY_DIR}/changelog.gz)
add_custom_command(
    OUTPUT ${changelog}
    COMMAND sh -c "gzip -9n < \"$0\" > \"$1\"" ${CMAKE_CURRENT_LIST_DIR}/debian/changelog ${changelog}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/debian/changelog
    VERBATIM)
add_custom_target(package_changelog ALL DEPENDS ${changelog})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright ${changelog} DESTINATION ${tallyglass_docdir})

include(CPack)
