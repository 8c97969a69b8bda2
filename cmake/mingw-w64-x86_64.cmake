# Cross build for 64-bit Windows with Debian's mingw-w64.
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TAVRIN_MINGW_PREFIX x86_64-w64-mingw32)
set(TAVRIN_WINE_LOADER wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
