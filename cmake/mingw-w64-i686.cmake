# Cross build for 32-bit Windows with Debian's mingw-w64: the build that
# loads the classic 32-bit winio3.dll.
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TAVRIN_MINGW_PREFIX i686-w64-mingw32)
set(TAVRIN_WINE_LOADER wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
