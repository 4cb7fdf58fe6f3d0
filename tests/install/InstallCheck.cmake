# Installs the build into a temporary DESTDIR and checks what a packager gets: the programs in
# bin, the device file in /etc (never replacing one that is there), the desktop entries, the
# icon and the manual pages.
#   cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DWORK_DIR=... -DPROGRAMS="tavrix;tavrix-cli" -P InstallCheck.cmake

file(REMOVE_RECURSE "${WORK_DIR}")
set(ENV{DESTDIR} "${WORK_DIR}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix /usr
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "install failed: ${output}")
endif()

set(root "${WORK_DIR}")
foreach(program IN LISTS PROGRAMS)
  if(NOT EXISTS "${root}/usr/bin/${program}")
    message(FATAL_ERROR "missing ${root}/usr/bin/${program}")
  endif()
endforeach()
foreach(file usr/share/applications/tavrix.desktop usr/share/applications/tavrix-sim.desktop
             usr/share/icons/hicolor/scalable/apps/tavrix.svg usr/share/man/man1/tavrix.1
             usr/share/man/man1/tavrix-sim.1 usr/share/man/man1/tavrix-cli.1
             usr/share/tavrix/Tavrix.ini usr/share/doc/tavrix/guia.md
             usr/share/doc/tavrix/contador.hex)
  if(NOT EXISTS "${root}/${file}")
    message(FATAL_ERROR "missing ${root}/${file}")
  endif()
endforeach()

# Every picture the guide shows is installed beside it.
file(STRINGS "${root}/usr/share/doc/tavrix/guia.md" shown ENCODING UTF-8 REGEX "\\.png\\)")
foreach(line IN LISTS shown)
  string(REGEX MATCHALL "\\([^()]*\\.png\\)" pictures "${line}")
  foreach(picture IN LISTS pictures)
    string(REGEX REPLACE "^\\((.*)\\)$" "\\1" picture "${picture}")
    if(NOT EXISTS "${root}/usr/share/doc/tavrix/${picture}")
      message(FATAL_ERROR "the guide shows ${picture}, which is not installed beside it")
    endif()
  endforeach()
endforeach()

# The device file lands in DESTDIR's /etc, not under the prefix and not under DESTDIR twice.
file(READ "${SOURCE_DIR}/data/Tavrix.ini" shipped)
if(NOT EXISTS "${root}/etc/Tavrix.ini")
  message(FATAL_ERROR "missing ${root}/etc/Tavrix.ini")
endif()
file(READ "${root}/etc/Tavrix.ini" installed)
if(NOT installed STREQUAL shipped)
  message(FATAL_ERROR "the installed device file differs from data/Tavrix.ini")
endif()
if(EXISTS "${root}${root}")
  message(FATAL_ERROR "DESTDIR was applied twice: ${root}${root} exists")
endif()

# Each desktop entry starts a program that is installed, with the installed icon.
foreach(entry tavrix tavrix-sim)
  file(STRINGS "${root}/usr/share/applications/${entry}.desktop" exec REGEX "^Exec=")
  if(NOT exec STREQUAL "Exec=${entry}")
    message(FATAL_ERROR "${entry}.desktop: unexpected ${exec}")
  endif()
  file(STRINGS "${root}/usr/share/applications/${entry}.desktop" icon REGEX "^Icon=")
  if(NOT icon STREQUAL "Icon=tavrix")
    message(FATAL_ERROR "${entry}.desktop: unexpected ${icon}")
  endif()
endforeach()

# A second install keeps the device file the user has edited.
file(APPEND "${root}/etc/Tavrix.ini" "; edited by the user\n")
file(READ "${root}/etc/Tavrix.ini" edited)
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix /usr
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "second install failed: ${output}")
endif()
file(READ "${root}/etc/Tavrix.ini" after)
if(NOT after STREQUAL edited)
  message(FATAL_ERROR "a second install replaced the user's /etc/Tavrix.ini")
endif()

file(REMOVE_RECURSE "${WORK_DIR}")
message(STATUS "install layout as expected")
