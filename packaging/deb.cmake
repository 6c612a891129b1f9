# Installs Quorlix the way Debian installs its chess engines, and makes a .deb
# of the same files with `cpack -G DEB` in the build tree:
#   games/quorlix                            the engine
#   games/quorlix-uci                        the engine for UCI front ends
#   share/man/man6/quorlix.6.gz              the manual page of both, and a
#   share/man/man6/quorlix-uci.6.gz          link to it under the other name
#   share/games/plugins/xboard/quorlix.eng   the plugin by which XBoard lists it
#   share/doc/quorlix/copyright, changelog.gz
# `cmake --install` puts the same files under its prefix.

set(QUORLIX_INSTALL_GAMESDIR games CACHE PATH
    "Where the engine is installed (Debian puts games in games/), relative to the prefix")

set(packaging_dir ${PROJECT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${packaging_dir})

# Debian wants the manual page and the changelog compressed with gzip -9, and
# -n keeps the name and time out, so that the same sources give the same
# package.
function(quorlix_gzip source compressed)
  add_custom_command(OUTPUT ${packaging_dir}/${compressed}
    COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/${source} > ${packaging_dir}/${compressed}
    DEPENDS ${PROJECT_SOURCE_DIR}/${source})
endfunction()
quorlix_gzip(doc/quorlix.6 quorlix.6.gz)
quorlix_gzip(doc/quorlix-uci.6 quorlix-uci.6.gz)
# Whoever builds the package maintains it, as with any package built from
# source: Debian's DEBFULLNAME and DEBEMAIL name them, or else git's
# identity of the user or of the last commit. -DQUORLIX_MAINTAINER="Name
# <address>" says it outright.
if(DEFINED ENV{DEBEMAIL})
  set(maintainer "$ENV{DEBFULLNAME} <$ENV{DEBEMAIL}>")
else()
  execute_process(COMMAND git config user.name OUTPUT_VARIABLE git_name
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
  execute_process(COMMAND git config user.email OUTPUT_VARIABLE git_email
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
  if(NOT git_email)
    execute_process(COMMAND git log -1 --format=%an%n%ae OUTPUT_VARIABLE git_author
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
    string(REPLACE "\n" ";" git_author "${git_author}")
    list(LENGTH git_author n)
    if(n EQUAL 2)
      list(GET git_author 0 git_name)
      list(GET git_author 1 git_email)
    endif()
  endif()
  if(git_email)
    set(maintainer "${git_name} <${git_email}>")
  endif()
endif()
string(STRIP "${maintainer}" maintainer)
set(QUORLIX_MAINTAINER "${maintainer}" CACHE STRING "The Debian package's maintainer: Name <address>")
if(NOT QUORLIX_MAINTAINER MATCHES "<.+@.+>")
  message(WARNING "The Debian package needs a maintainer: set DEBFULLNAME and DEBEMAIL, "
                  "or -DQUORLIX_MAINTAINER=\"Name <address>\"")
endif()
# The changelog's entries are signed by the maintainer.
configure_file(packaging/changelog.in ${packaging_dir}/changelog @ONLY)
add_custom_command(OUTPUT ${packaging_dir}/changelog.gz
  COMMAND gzip -9n -c ${packaging_dir}/changelog > ${packaging_dir}/changelog.gz
  DEPENDS ${packaging_dir}/changelog)
add_custom_target(quorlix_compressed_docs ALL
  DEPENDS ${packaging_dir}/quorlix.6.gz ${packaging_dir}/quorlix-uci.6.gz
          ${packaging_dir}/changelog.gz)

# A package whose changelog names another version is a mistake; say so early.
file(STRINGS packaging/changelog.in changelog_top LIMIT_COUNT 1)
if(NOT changelog_top MATCHES "^quorlix \\(${PROJECT_VERSION}\\) ")
  message(WARNING "packaging/changelog.in does not start with version ${PROJECT_VERSION}: ${changelog_top}")
endif()

install(TARGETS quorlix quorlix-uci RUNTIME DESTINATION ${QUORLIX_INSTALL_GAMESDIR})
install(FILES ${packaging_dir}/quorlix.6.gz ${packaging_dir}/quorlix-uci.6.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES packaging/copyright ${packaging_dir}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
configure_file(packaging/plugin.cmake.in ${packaging_dir}/install_plugin.cmake @ONLY)
install(SCRIPT ${packaging_dir}/install_plugin.cmake)

# The package itself, only for a build of Quorlix on its own (the fuzz build
# reuses these CMake files).
if(NOT PROJECT_IS_TOP_LEVEL)
  return()
endif()
set(CPACK_PACKAGE_NAME quorlix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quorlix developers")
set(CPACK_PACKAGE_CONTACT "${QUORLIX_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small chess engine for the console, XBoard and UCI front ends")
set(CPACK_PACKAGE_DESCRIPTION [[
Quorlix plays legal chess, castling, en passant and promotion included,
against a person typing moves at a prompt, or against a graphical front end
such as XBoard that speaks the xboard protocol (version 1).

It searches every move to a fixed depth of seven plies with alpha-beta,
null-move pruning and a quiescence search. It has no opening book and no
options: the same position always gets the same move.

XBoard lists the engine among the installed ones. quorlix-uci is the same
engine for the front ends and tools that speak the UCI protocol (Cute Chess,
Arena, En Croissant, python-chess and many more): it keeps to a clock,
searching deeper when given more time, ponders, and offers levels of play
from a beginner's to its full strength (UCI_LimitStrength, UCI_Elo).
]])
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/packaging/cpack_checks.cmake)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS xboard)
include(CPack)
