# Cross-building for 64-bit Windows with Debian's MinGW-w64 (the win32
# thread model: the program then needs no libwinpthread-1.dll).
#   cmake -DCMAKE_TOOLCHAIN_FILE=packaging/windows/toolchain.cmake
#         -DTESSALORIUM_SDL_ROOT=<SDL 1.2 built for Windows> ...
# tools/windows.sh builds that SDL and passes both.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-win32)
set(CMAKE_CXX_COMPILER ${triple}-g++-win32)
set(CMAKE_RC_COMPILER ${triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${triple} ${TESSALORIUM_SDL_ROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config finds the Windows SDL and never the machine's own. Set here,
# so a configure that a build starts again sees it too.
if(TESSALORIUM_SDL_ROOT)
  set(ENV{PKG_CONFIG_LIBDIR} ${TESSALORIUM_SDL_ROOT}/lib/pkgconfig)
  set(ENV{PKG_CONFIG_PATH} "")
endif()
