# What the Windows build adds to the programs: their resources (manifest, icon, version),
# Winsock for Asio, and a C++ runtime linked in, so that a clean Windows needs nothing but
# SDL.dll beside them. Both stay console programs, as on Linux.
if(NOT WIN32)
  return()
endif()

# Asio's Windows code for Windows 10 and later, the oldest the package supports.
add_compile_definitions(_WIN32_WINNT=0x0A00 WIN32_LEAN_AND_MEAN)
link_libraries(ws2_32 mswsock)
# winpthread, which the posix compilers' C++ runtime needs, linked in too.
add_link_options(-static-libgcc -static-libstdc++ -Wl,--subsystem,console
  -Wl,-Bstatic,--whole-archive -lwinpthread -Wl,--no-whole-archive,-Bdynamic)

# The product's name, publisher and version for the installer (packaging/windows/installer.nsi).
configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/product.nsh.in
  ${CMAKE_BINARY_DIR}/product.nsh @ONLY)

# windows_program(TARGET DESCRIPTION): the manifest, icon and version information of a program,
# under its OUTPUT_NAME when it has one.
function(windows_program target description)
  get_target_property(PROGRAM_NAME ${target} OUTPUT_NAME)
  if(NOT PROGRAM_NAME)
    set(PROGRAM_NAME ${target})
  endif()
  set(PROGRAM_FILE ${PROGRAM_NAME}.exe)
  set(PROGRAM_DESCRIPTION "${description}")
  configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/program.rc.in
    ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
endfunction()
