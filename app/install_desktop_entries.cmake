# Runs at install time, when the prefix is known (cmake --install --prefix may change it): writes the
# menu entry and the autostart entry with the installed program's full path, so neither depends on PATH.
# Set before: ENTRY_TEMPLATE, ENTRY_NAME (file name of both entries), BIN_DIR, DATA_DIR (relative to the
# prefix), AUTOSTART (ON/OFF).
set(program "${CMAKE_INSTALL_PREFIX}/${BIN_DIR}/candlewatcher")
file(READ "${ENTRY_TEMPLATE}" entry)
string(REPLACE "@BINDIR@" "${CMAKE_INSTALL_PREFIX}/${BIN_DIR}" entry "${entry}")

set(destinations "${CMAKE_INSTALL_PREFIX}/${DATA_DIR}/applications")
if(AUTOSTART)
    # The autostart directories a session reads: the system's for a system install, the user's for an
    # install into the home directory.
    if(CMAKE_INSTALL_PREFIX STREQUAL "/usr" OR CMAKE_INSTALL_PREFIX STREQUAL "/usr/local")
        list(APPEND destinations "/etc/xdg/autostart")
    elseif(DEFINED ENV{HOME} AND CMAKE_INSTALL_PREFIX MATCHES "^$ENV{HOME}/")
        if(DEFINED ENV{XDG_CONFIG_HOME} AND "$ENV{XDG_CONFIG_HOME}" MATCHES "^/")
            list(APPEND destinations "$ENV{XDG_CONFIG_HOME}/autostart")
        else()
            list(APPEND destinations "$ENV{HOME}/.config/autostart")
        endif()
    else()
        list(APPEND destinations "${CMAKE_INSTALL_PREFIX}/etc/xdg/autostart")
    endif()
endif()

foreach(directory ${destinations})
    set(file "$ENV{DESTDIR}${directory}/${ENTRY_NAME}")
    message(STATUS "Installing: ${file}")
    file(WRITE "${file}" "${entry}")
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${file}")

    # Up to 1.0.0 the entries were called candlewatcher.desktop. One left beside the new one would list the
    # program twice in the menu and start it twice with the session; only an entry for this very program
    # goes.
    set(old "$ENV{DESTDIR}${directory}/candlewatcher.desktop")
    if(NOT "${old}" STREQUAL "${file}" AND EXISTS "${old}")
        file(STRINGS "${old}" exec REGEX "^Exec=")
        if(exec STREQUAL "Exec=${program}")
            message(STATUS "Removing the entry of an earlier version: ${old}")
            file(REMOVE "${old}")
        endif()
    endif()
endforeach()
