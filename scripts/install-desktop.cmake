# Run by `cmake --install`: the launcher in bin/ and the desktop entry, both of which need the
# prefix chosen at install time. Expects QUELLIN_DESKTOP_TEMPLATE, QUELLIN_BINDIR,
# QUELLIN_PROGRAMDIR and QUELLIN_APPLICATIONSDIR (relative to the prefix, or absolute).
function(quellin_abs out dir)
    if(IS_ABSOLUTE "${dir}")
        set(${out} "${dir}" PARENT_SCOPE)
    else()
        set(${out} "${CMAKE_INSTALL_PREFIX}/${dir}" PARENT_SCOPE)
    endif()
endfunction()

quellin_abs(bindir "${QUELLIN_BINDIR}")
quellin_abs(programdir "${QUELLIN_PROGRAMDIR}")
quellin_abs(applicationsdir "${QUELLIN_APPLICATIONSDIR}")

# bin/quellin is a relative link, so the tree can be moved or staged with DESTDIR.
set(launcher "$ENV{DESTDIR}${bindir}/quellin")
file(RELATIVE_PATH target "${bindir}" "${programdir}/quellin")
file(MAKE_DIRECTORY "$ENV{DESTDIR}${bindir}")
message(STATUS "Installing: ${launcher} -> ${target}")
file(REMOVE "${launcher}")
file(CREATE_LINK "${target}" "${launcher}" SYMBOLIC)

# The entry names the launcher by its final path (without DESTDIR).
set(QUELLIN_LAUNCHER "${bindir}/quellin")
set(entry "$ENV{DESTDIR}${applicationsdir}/quellin.desktop")
message(STATUS "Installing: ${entry}")
configure_file("${QUELLIN_DESKTOP_TEMPLATE}" "${entry}" @ONLY)

list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${launcher}" "${entry}")
