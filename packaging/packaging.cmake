# Installs the game as packaged games are installed, describes its Debian
# package, and gives the Windows program its resources. The project's
# version is the one number all of them carry.
include(GNUInstallDirs)

# Dates come from SOURCE_DATE_EPOCH when it is set, so a package built twice
# is the same.
string(TIMESTAMP MAZE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP MAZE_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(MAZE_MAINTAINER "Seed a51c7519 maintainers <maintainers@users.noreply.c-seed-a51c7519.example>"
    CACHE STRING "Maintainer named in the Debian package")

configure_file(${CMAKE_CURRENT_LIST_DIR}/maze.6.in ${PROJECT_BINARY_DIR}/maze.6 @ONLY)

# A Debian package also sets CMAKE_INSTALL_BINDIR=games (Debian keeps its
# games in /usr/games).
option(MAZE_DEBIAN_FILES
       "Install the manual page compressed, with the copyright file and changelog Debian asks for"
       OFF)

install(TARGETS maze RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
if(NOT MAZE_DEBIAN_FILES)
  install(FILES ${PROJECT_BINARY_DIR}/maze.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
else()
  configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${PROJECT_BINARY_DIR}/changelog @ONLY)
  # -n: no name or time in the header, so the same text compresses the same.
  add_custom_command(
    OUTPUT maze.6.gz changelog.gz
    COMMAND gzip -9nkf maze.6 changelog
    DEPENDS ${PROJECT_BINARY_DIR}/maze.6 ${PROJECT_BINARY_DIR}/changelog
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR})
  add_custom_target(maze_debian_files ALL DEPENDS maze.6.gz changelog.gz)
  install(FILES ${PROJECT_BINARY_DIR}/maze.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${PROJECT_BINARY_DIR}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

if(WIN32)
  enable_language(RC)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/maze.exe.manifest.in
                 ${PROJECT_BINARY_DIR}/maze.exe.manifest @ONLY)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/maze.rc.in ${PROJECT_BINARY_DIR}/maze.rc @ONLY)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/README.txt.in ${PROJECT_BINARY_DIR}/README.txt @ONLY
                 NEWLINE_STYLE CRLF)
  target_sources(maze PRIVATE ${PROJECT_BINARY_DIR}/maze.rc)
  # No link time in the header, and a release carries no symbols.
  target_link_options(maze PRIVATE -Wl,--no-insert-timestamp $<$<CONFIG:Release>:-s>)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_CONTACT "${MAZE_MAINTAINER}")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
  # Lines of the description stay within an 80-column terminal.
  string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
         "You walk 24 caves blind, one compass letter per turn, collect four"
         "treasures, flee a gnome within seconds, dodge rubble and holes, and get"
         "out before the maze collapses. It plays in a terminal, and with its"
         "input or output piped.")
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION games)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_STRIP_FILES ON)
  set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
      OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  include(CPack)
endif()
