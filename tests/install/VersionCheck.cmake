# The version is set once, in project(); what else names it must agree: the manual pages'
# headings (and tavrix-cli's --version paragraph) and the newest entry of debian/changelog,
# which gives the package its version.
#   cmake -DSOURCE_DIR=... -DVERSION=1.01 -P VersionCheck.cmake

string(REPLACE "." "\\." version_re "${VERSION}")
set(problems "")
foreach(page tavrix tavrix-sim tavrix-cli)
  file(STRINGS "${SOURCE_DIR}/data/man/${page}.1" heading ENCODING UTF-8 REGEX "^\\.TH ")
  if(NOT heading MATCHES "\"Tavrix ${version_re}\"")
    string(APPEND problems "\n  data/man/${page}.1: ${heading}")
  endif()
endforeach()
file(STRINGS "${SOURCE_DIR}/data/man/tavrix-cli.1" shown ENCODING UTF-8 REGEX "versión \\([0-9.]+\\)")
if(NOT shown MATCHES "versión \\(${version_re}\\)")
  string(APPEND problems "\n  data/man/tavrix-cli.1: ${shown}")
endif()

if(EXISTS "${SOURCE_DIR}/debian/changelog")
  file(STRINGS "${SOURCE_DIR}/debian/changelog" newest ENCODING UTF-8 LIMIT_COUNT 1)
  if(NOT newest MATCHES "^tavrix \\(${version_re}(-[0-9]+)?\\) ")
    string(APPEND problems "\n  debian/changelog: ${newest}")
  endif()
endif()

if(problems)
  message(FATAL_ERROR "the project's version is ${VERSION}, but:${problems}")
endif()
message(STATUS "every file names version ${VERSION}")
