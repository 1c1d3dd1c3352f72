# Where `cmake --install` puts the game, laid out as Debian's games are: programs in
# games/, the client's own binary in lib/games/quorvale, its pictures in
# share/games/quorvale/gfx (the launcher starts the client there, as it looks for gfx/
# in the folder it runs in), the menu entry, icons, man pages and the server's unit.
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

# The installed paths, as the launcher, the unit, the menu entry and the man pages name them.
set(QUORVALE_LAUNCHER ${CMAKE_INSTALL_PREFIX}/games/quorvale)
set(QUORVALE_CLIENT_BINARY ${CMAKE_INSTALL_PREFIX}/${QUORVALE_CLIENT_DIR}/quorvale)
set(QUORVALE_GAME_FOLDER ${CMAKE_INSTALL_PREFIX}/${QUORVALE_DATA_DIR})
set(QUORVALE_SERVER_BINARY ${CMAKE_INSTALL_PREFIX}/games/quorvale-server)
get_filename_component(QUORVALE_UNIT_FOLDER ${QUORVALE_SYSTEMD_UNIT_DIR} ABSOLUTE
  BASE_DIR ${CMAKE_INSTALL_PREFIX})
foreach(file quorvale quorvale-server.service quorvale.desktop quorvale.6 quorvale-server.6)
  configure_file(packaging/${file}.in packaging/${file} @ONLY)
endforeach()

install(TARGETS quorvale RUNTIME DESTINATION ${QUORVALE_CLIENT_DIR})
install(TARGETS quorvale-server RUNTIME DESTINATION games)
install(PROGRAMS ${CMAKE_BINARY_DIR}/packaging/quorvale DESTINATION games)
install(DIRECTORY gfx/ DESTINATION ${QUORVALE_DATA_DIR}/gfx FILES_MATCHING PATTERN "*.png")
install(FILES ${CMAKE_BINARY_DIR}/packaging/quorvale.desktop DESTINATION share/applications)
foreach(size 32 64 128)
  install(FILES packaging/icons/quorvale-${size}.png DESTINATION share/icons/hicolor/${size}x${size}/apps
    RENAME quorvale.png)
endforeach()
install(FILES ${CMAKE_BINARY_DIR}/packaging/quorvale.6 ${CMAKE_BINARY_DIR}/packaging/quorvale-server.6
  DESTINATION share/man/man6)
install(FILES ${CMAKE_BINARY_DIR}/packaging/quorvale-server.service
  DESTINATION ${QUORVALE_SYSTEMD_UNIT_DIR})
