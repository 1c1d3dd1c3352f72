# Where `cmake --install` puts the game, laid out as Debian's games are: programs in
# games/, the client's own binary in lib/games/quorvale, its pictures in
# share/games/quorvale/gfx (the launcher starts the client there, as it looks for gfx/
# in the folder it runs in), the menu entry, icons, man pages, the server's unit and the
# AppStream metainfo.
set(QUORVALE_PROGRAM_DIR games)
set(QUORVALE_DATA_DIR share/games/quorvale)
set(QUORVALE_CLIENT_DIR lib/games/quorvale)

# A tree build's server loads gfx/map1.png of the folder it runs in; an installed one
# must find its map from any folder.
option(QUORVALE_INSTALLED_MAP "quorvale-server's default --map is the installed map" OFF)
if(QUORVALE_INSTALLED_MAP)
  target_compile_definitions(quorvale_server_core PRIVATE
    QUORVALE_SERVER_MAP="${CMAKE_INSTALL_PREFIX}/${QUORVALE_DATA_DIR}/gfx/map1.png")
endif()

# The release's own unit folder (/lib/systemd/system before the /usr merge was complete,
# /usr/lib/systemd/system after), as its systemd.pc says.
pkg_get_variable(QUORVALE_SYSTEMD_PC_UNIT_DIR systemd systemdsystemunitdir)
if(NOT QUORVALE_SYSTEMD_PC_UNIT_DIR)
  set(QUORVALE_SYSTEMD_PC_UNIT_DIR lib/systemd/system)
endif()
set(QUORVALE_SYSTEMD_UNIT_DIR ${QUORVALE_SYSTEMD_PC_UNIT_DIR} CACHE PATH
  "Folder for quorvale-server.service")

# The AppStream identity, and the releases as debian/changelog lists them, newest first.
# Its id is the maintainers' domain, reversed, with the name of the game.
set(QUORVALE_APPSTREAM_ID example.c_seed_1c0e2132.quorvale)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS debian/changelog)
file(STRINGS debian/changelog changelog_lines REGEX "^quorvale \\(|^ -- ")
set(QUORVALE_APPSTREAM_RELEASES "")
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
foreach(line ${changelog_lines})
  if(line MATCHES "^quorvale \\(([^)]+)\\)")
    set(release_version ${CMAKE_MATCH_1})
  elseif(line MATCHES ", ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
    list(FIND months ${CMAKE_MATCH_2} month)
    math(EXPR month "${month} + 1" OUTPUT_FORMAT DECIMAL)
    string(LENGTH ${month} digits)
    if(digits EQUAL 1)
      set(month 0${month})
    endif()
    string(APPEND QUORVALE_APPSTREAM_RELEASES
      "    <release version=\"${release_version}\" date=\"${CMAKE_MATCH_3}-${month}-${CMAKE_MATCH_1}\"/>\n")
  endif()
endforeach()
string(STRIP "${QUORVALE_APPSTREAM_RELEASES}" QUORVALE_APPSTREAM_RELEASES)
set(QUORVALE_APPSTREAM_RELEASES "    ${QUORVALE_APPSTREAM_RELEASES}")

# The installed paths, as the launcher, the unit, the menu entry and the man pages name them.
set(QUORVALE_LAUNCHER ${CMAKE_INSTALL_PREFIX}/${QUORVALE_PROGRAM_DIR}/quorvale)
set(QUORVALE_CLIENT_BINARY ${CMAKE_INSTALL_PREFIX}/${QUORVALE_CLIENT_DIR}/quorvale)
set(QUORVALE_GAME_FOLDER ${CMAKE_INSTALL_PREFIX}/${QUORVALE_DATA_DIR})
set(QUORVALE_SERVER_BINARY ${CMAKE_INSTALL_PREFIX}/${QUORVALE_PROGRAM_DIR}/quorvale-server)
get_filename_component(QUORVALE_UNIT_FOLDER ${QUORVALE_SYSTEMD_UNIT_DIR} ABSOLUTE
  BASE_DIR ${CMAKE_INSTALL_PREFIX})
foreach(file quorvale-server.service quorvale.desktop quorvale.6 quorvale-server.6
    quorvale.metainfo.xml)
  configure_file(packaging/${file}.in packaging/${file} @ONLY)
endforeach()

# The launcher finds the game, the server and the game folder from its own folder.
get_filename_component(launcher_folder ${QUORVALE_LAUNCHER} DIRECTORY)
file(RELATIVE_PATH launcher_to_game ${launcher_folder} ${QUORVALE_CLIENT_BINARY})
file(RELATIVE_PATH launcher_to_server ${launcher_folder} ${QUORVALE_SERVER_BINARY})
file(RELATIVE_PATH launcher_to_game_folder ${launcher_folder} ${QUORVALE_GAME_FOLDER})
target_compile_definitions(quorvale-launcher PRIVATE
  QUORVALE_LAUNCHER_TO_GAME="${launcher_to_game}"
  QUORVALE_LAUNCHER_TO_SERVER="${launcher_to_server}"
  QUORVALE_LAUNCHER_TO_GAME_FOLDER="${launcher_to_game_folder}")

install(TARGETS quorvale RUNTIME DESTINATION ${QUORVALE_CLIENT_DIR})
install(TARGETS quorvale-server quorvale-launcher RUNTIME DESTINATION ${QUORVALE_PROGRAM_DIR})
install(DIRECTORY gfx/ DESTINATION ${QUORVALE_DATA_DIR}/gfx FILES_MATCHING PATTERN "*.png")
install(FILES ${CMAKE_BINARY_DIR}/packaging/quorvale.desktop DESTINATION share/applications)
install(FILES ${CMAKE_BINARY_DIR}/packaging/quorvale.metainfo.xml DESTINATION share/metainfo
  RENAME ${QUORVALE_APPSTREAM_ID}.metainfo.xml)
foreach(size 32 64 128)
  install(FILES packaging/icons/quorvale-${size}.png DESTINATION share/icons/hicolor/${size}x${size}/apps
    RENAME quorvale.png)
endforeach()
install(FILES ${CMAKE_BINARY_DIR}/packaging/quorvale.6 ${CMAKE_BINARY_DIR}/packaging/quorvale-server.6
  DESTINATION share/man/man6)
install(FILES ${CMAKE_BINARY_DIR}/packaging/quorvale-server.service
  DESTINATION ${QUORVALE_SYSTEMD_UNIT_DIR})
