# The Windows build, from the top CMakeLists.txt: the program with its icon,
# version and manifest, SDL.dll beside it, and CPack's portable zip and
# per-user installer. tools/windows.sh drives it.
enable_language(RC)
set(TESSALORIUM_SDL_ROOT "" CACHE PATH "SDL 1.2 built for Windows (tools/windows.sh)")
set(windows_dir ${CMAKE_CURRENT_SOURCE_DIR}/packaging/windows)
set(windows_out ${CMAKE_CURRENT_BINARY_DIR}/packaging/windows)

# SDL's static flags bring SDLmain, whose WinMain calls the game's main
# (SDL.h names it SDL_main), after libmingw32, whose main calls WinMain;
# -mwindows makes it a program without a console. The C++ runtime goes
# inside the .exe, so it needs no DLL but SDL.dll and Windows' own.
target_link_libraries(tessalorium PRIVATE ${SDL_STATIC_LDFLAGS})
target_link_options(tessalorium PRIVATE -static-libgcc -static-libstdc++)

# The Explorer, taskbar and window icon, from the menu icon's pictures.
find_program(PYTHON3 python3 REQUIRED)
set(icon_sizes 16 32 48 64 128 256)
list(TRANSFORM icon_sizes PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/packaging/icons/tessalorium-
     OUTPUT_VARIABLE icon_pngs)
list(TRANSFORM icon_pngs APPEND .png)
add_custom_command(
  OUTPUT ${windows_out}/tessalorium.ico
  COMMAND ${PYTHON3} ${windows_dir}/make_ico.py ${windows_out}/tessalorium.ico ${icon_pngs}
  DEPENDS ${windows_dir}/make_ico.py ${icon_pngs}
  VERBATIM)
# Version numbers as the version resource wants them: four, comma-separated.
set(TESSALORIUM_VERSION_QUAD ${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0)
configure_file(${windows_dir}/tessalorium.manifest.in ${windows_out}/tessalorium.manifest @ONLY)
configure_file(${windows_dir}/tessalorium.rc.in ${windows_out}/tessalorium.rc @ONLY)
set_source_files_properties(${windows_out}/tessalorium.rc PROPERTIES OBJECT_DEPENDS
  "${windows_out}/tessalorium.ico;${windows_out}/tessalorium.manifest")
target_sources(tessalorium PRIVATE ${windows_out}/tessalorium.rc)

# One folder: the program, SDL.dll and the pictures beside it, and the
# licences of all three.
install(TARGETS tessalorium RUNTIME DESTINATION .)
install(FILES ${TESSALORIUM_SDL_ROOT}/bin/SDL.dll ${TESSALORIUM_SDL_ROOT}/share/SDL-LICENSE.txt
        DESTINATION .)
install(FILES LICENSE DESTINATION . RENAME LICENSE.txt)
install(FILES gfx/board.bmp gfx/pieces.bmp gfx/c18font.bmp gfx/OFL.txt gfx/LICENSE.md
        DESTINATION gfx)

set(CPACK_PACKAGE_NAME tessalorium)
set(CPACK_PACKAGE_VENDOR "The Tessalorium developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Tessalorium, a tile puzzle")
set(CPACK_PACKAGE_FILE_NAME tessalorium-${PROJECT_VERSION}-win64)
set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_STRIP_FILES ON)
# The installer's own name, -setup.exe, is set per generator.
set(CPACK_PROJECT_CONFIG_FILE ${windows_dir}/cpack_generators.cmake)
# CPack's own NSIS script installs for all users or into Documents; ours
# (NSIS.template.in, found through the module path) installs for the user
# alone, and takes CPack's file lists and the settings below.
set(CPACK_MODULE_PATH ${windows_dir})
set(CPACK_PACKAGE_INSTALL_DIRECTORY Tessalorium)
set(CPACK_NSIS_DISPLAY_NAME Tessalorium)
set(CPACK_NSIS_PACKAGE_NAME Tessalorium)
set(CPACK_NSIS_MUI_ICON ${windows_out}/tessalorium.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME tessalorium.exe)
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
set(CPACK_NSIS_URL_INFO_ABOUT https://tessalorium.org/)
set(CPACK_NSIS_VERSION_QUAD ${PROJECT_VERSION}.0)
include(CPack)
